#pragma once

// Windows only.

#include <string>
#include <string_view>

namespace moxel {

// A caption or menu text (UTF-8) shown as it is, in UTF-16: each "&" is
// doubled, so that none marks an access key.
std::wstring literalText(std::string_view text);

} // namespace moxel
