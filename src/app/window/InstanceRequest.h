#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moxel {

// What another start may ask of the running Moxel: to show its window (a
// plain second start), to silence its output as the menu's All Sound Off
// does (--panic), or to send a program change as the patch box does
// (--program N). On the wire a request is one line of text: "show", "panic"
// or "program N" (N as "0".."127"), then "\n"; nothing else is one.
struct InstanceRequest {
    enum class Kind { Show, Panic, Program };
    Kind kind = Kind::Show;
    int program = 0; // 0..127, for Program

    bool operator==(const InstanceRequest&) const = default;
};

// No request line is longer (the newline not counted).
inline constexpr std::size_t kMaxRequestLine = 16;

// The request's line, without the newline.
std::string requestLine(const InstanceRequest& request);

// The request a line (without its newline) stands for; nothing for any other
// text, which is then refused.
std::optional<InstanceRequest> parseRequestLine(std::string_view line);

// A program number as the command line and the request line write it:
// "0".."127", no sign, no leading zero.
std::optional<int> parseProgramNumber(std::string_view text);

} // namespace moxel
