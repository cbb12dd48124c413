#include "app/platform/CommandLine.h"

#include <array>
#include <string_view>

namespace moxel {

namespace {

constexpr std::string_view kUsage =
#ifdef _WIN32
    "Usage: moxel [--lang ja|en] [--help] [--version]\n"
#else
    "Usage: moxel [--lang ja|en] [--midi jack|alsa] [--help] [--version]\n"
#endif
    "Relays live MIDI from one input to one output, on the channel you choose.\n"
    "\n"
    "  --lang ja|en  the language of the window, its menus and boxes and the help\n"
#ifdef _WIN32
    "                page (default: the Windows display language: Japanese for\n"
    "                Japanese, English otherwise)\n"
#else
    "                page (default: the first ja or en entry of LANGUAGE, else\n"
    "                LC_ALL, LC_MESSAGES or LANG: Japanese for \"ja...\", English\n"
    "                otherwise; LANGUAGE is ignored in the C locale)\n"
#endif
#ifndef _WIN32
    "  --midi jack|alsa  the MIDI system for this run: JACK (or PipeWire's JACK\n"
    "                service) or the ALSA sequencer (default: the one chosen in\n"
    "                the menu, else JACK when a JACK server runs, else ALSA)\n"
#endif
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

CommandLine readCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            return answer(CommandLine::Action::Help, std::string(kUsage));
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
#ifndef _WIN32
        } else if (arg == "--midi" || arg.starts_with("--midi=")) {
            const std::string_view value =
                arg == "--midi" ? (i + 1 < argc ? argv[++i] : "") : arg.substr(7);
            if (value != "jack" && value != "alsa") {
                return refuse("--midi takes jack or alsa");
            }
            line.midiSystem = value;
#endif
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
