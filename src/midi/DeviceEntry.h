#pragma once

#include <string>
#include <string_view>

namespace moxel::midi {

// Texts of the device lists. An entry is the device number (id + 1), "|" and
// the device's name, or one of the markers below.
inline constexpr std::string_view kMidiInNotFound = "--- MIDI IN Device Not Found. ---";
inline constexpr std::string_view kMidiOutNotFound = "--- MIDI OUT Device Not Found. ---";
inline constexpr std::string_view kAllocOther = "---(Alloc Other Application)---";
inline constexpr std::string_view kCapsFailed = "-------------------------------"; // 31 hyphens
inline constexpr std::string_view kNoChannel = "----";

// Cuts the text at its first NUL; a text that is empty or holds only blanks
// (U+0020, U+3000) becomes empty. Other blanks are kept.
std::string TrimDeviceName(std::string_view text);

// "<id + 1>|<name>"
std::string deviceEntryText(int id, std::string_view name);

// True when a stored device name (a default device) names the device with
// this id and name. Besides the name itself this accepts the form older
// versions stored for devices numbered 10 and above: the device's entry text
// from its third character on ("|Synth" for "10|Synth").
bool storedNameMatchesEntry(int id, std::string_view name, std::string_view storedName);

// Stored values come back cut to 127 bytes (a little less where the cut
// would split a character), and JACK port names can be longer. True when the
// stored name is that long and the device's name begins with it.
bool cutStoredNameBeginsEntry(std::string_view name, std::string_view storedName);

// "1Ch" .. "16Ch" for positions 0..15.
std::string channelItemText(int position);

// Parses a stored channel text: a whole decimal number 0..15, nothing else.
// Returns -1 for anything else.
int parseChannelText(std::string_view text);

} // namespace moxel::midi
