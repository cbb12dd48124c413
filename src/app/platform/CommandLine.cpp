#include "app/platform/CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace moxel {

namespace {

constexpr std::string_view kUsageLanguage =
    "  --lang ja|en  the language of the window, its menus and boxes and the help\n"
#ifdef _WIN32
    "                page (default: the Windows display language: Japanese for\n"
    "                Japanese, English otherwise)\n"
#else
    "                page (default: the first ja or en entry of LANGUAGE, else\n"
    "                LC_ALL, LC_MESSAGES or LANG: Japanese for \"ja...\", English\n"
    "                otherwise; LANGUAGE is ignored in the C locale)\n"
#endif
    ;

constexpr std::string_view kUsageEnd =
    "  --help        show this help and exit\n"
    "  --version     show the version and exit\n"
    "\n"
    "Starting Moxel while it runs brings the running window to the front.\n"
#ifndef _WIN32
    "\n"
    "Exit status: 0 when the window was closed, or the running Moxel was asked to\n"
    "show it; 1 without a display to show the window on; 2 for a command line it\n"
    "cannot take; 3 when Moxel is already running but does not answer.\n"
#endif
    ;

// "jack|alsa", "jack or alsa".
std::string keys(const std::vector<CommandLine::Choice>& choices, std::string_view between,
                 std::string_view beforeLast) {
    std::string joined;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        joined += i == 0 ? "" : i + 1 == choices.size() ? beforeLast : between;
        joined += choices[i].key;
    }
    return joined;
}

std::string usage(const std::vector<CommandLine::Choice>& midiSystems) {
    std::string text = "Usage: moxel [--lang ja|en] ";
    if (!midiSystems.empty()) {
        text += "[--midi " + keys(midiSystems, "|", "|") + "] ";
    }
    text += "[--help] [--version]\n"
            "Relays live MIDI from one input to one output, on the channel you choose.\n"
            "\n";
    text += kUsageLanguage;
    if (!midiSystems.empty()) {
        text += "  --midi " + keys(midiSystems, "|", "|") +
                "  the MIDI system for this run (default: the one chosen in\n"
                "                the menu, else the first of these whose service answers,\n"
                "                else the first):\n";
        for (const CommandLine::Choice& system : midiSystems) {
            text += "                  " + system.key + "  " + system.what + "\n";
        }
    }
    return text += kUsageEnd;
}

// The window toolkit's own options: those with a value, and those without.
constexpr std::array<std::string_view, 8> kToolkitWithValue = {
    "-platform",   "-platformtheme", "-plugin",  "-style",
    "-stylesheet", "-session",       "-display", "-qwindowgeometry"};
constexpr std::array<std::string_view, 2> kToolkitAlone = {"-reverse", "-nograb"};

bool oneOf(std::string_view arg, const auto& options) {
    for (const std::string_view option : options) {
        if (arg == option) {
            return true;
        }
    }
    return false;
}

CommandLine answer(CommandLine::Action action, std::string text) {
    CommandLine line;
    line.action = action;
    line.text = std::move(text);
    return line;
}

CommandLine refuse(const std::string& why) {
    return answer(CommandLine::Action::Refuse, "moxel: " + why + " (see moxel --help)\n");
}

} // namespace

CommandLine readCommandLine(int argc, const char* const* argv,
                            const std::vector<CommandLine::Choice>& midiSystems) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            return answer(CommandLine::Action::Help, usage(midiSystems));
        }
        if (arg == "--version") {
            return answer(CommandLine::Action::Version, "Moxel " MOXEL_VERSION "\n");
        }
        if (arg == "--lang" || arg.starts_with("--lang=")) {
            const std::string_view value =
                arg == "--lang" ? (i + 1 < argc ? argv[++i] : "") : arg.substr(7);
            if (value != "ja" && value != "en") {
                return refuse("--lang takes ja or en");
            }
            line.language = value;
        } else if (!midiSystems.empty() && (arg == "--midi" || arg.starts_with("--midi="))) {
            const std::string_view value =
                arg == "--midi" ? (i + 1 < argc ? argv[++i] : "") : arg.substr(7);
            if (std::ranges::find(midiSystems, value, &CommandLine::Choice::key) ==
                midiSystems.end()) {
                return refuse("--midi takes " + keys(midiSystems, ", ", " or "));
            }
            line.midiSystem = value;
        } else if (oneOf(arg, kToolkitWithValue) && i + 1 < argc) {
            ++i;
        } else if (!oneOf(arg, kToolkitAlone)) {
            return refuse((arg.starts_with('-') ? "unknown option '" : "unexpected argument '") +
                          std::string(arg) + "'");
        }
    }
    return line;
}

} // namespace moxel
