#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moxel {

// Reads what the user typed into the patch box: plain decimal text with an
// optional sign and decimal fraction, surrounding blanks allowed. Returns the
// patch number 0..127 (rounded half to even on the exact decimal value), or
// nothing for anything else (empty, out of range, not a plain number).
std::optional<int> parsePatchNumber(std::string_view text);

// At least three digits, zero-padded: 5 -> "005".
std::string formatPatchNumber(int patch);

} // namespace moxel
