#include "app/platform/CommandLine.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
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

constexpr std::string_view kUsageRun =
#ifndef _WIN32
    "  --headless    run without a window, also without a display: relay between\n"
    "                the default devices (or those given below) and tell on the\n"
    "                error output what happens to them; SIGTERM, SIGINT or SIGHUP\n"
    "                end it; setting.ini is only read\n"
    "  --list        print the MIDI inputs and outputs by the names Moxel gives\n"
    "                them, and exit\n"
#endif
    "  --in NAME     the input for this run: a name the list of inputs shows, or\n"
    "                as setting.ini stores it\n"
    "  --out NAME    the output for this run, named likewise\n"
    "  --channel 1..16|follow\n"
    "                the output channel for this run, or follow the channel that\n"
    "                comes in; none of these three changes setting.ini\n"
    "  --panic       have the running Moxel silence its output as its All Sound\n"
    "                Off menu item does, and exit\n"
    "  --program 0..127\n"
    "                have the running Moxel send that program change on its\n"
    "                output's channel as its patch box does, and exit\n";

constexpr std::string_view kUsageEnd =
    "  --help        show this help and exit\n"
    "  --version     show the version and exit\n"
    "\n"
    "Starting Moxel while it runs brings the running window to the front.\n";

#ifndef _WIN32
constexpr std::string_view kExitStatus =
    "\n"
    "Exit status: 0 when the window was closed, Moxel without a window was ended\n"
    "by a signal, or the running Moxel was asked to show its window or took\n"
    "--panic or --program; 1 without a display to show the window on; 2 for a\n"
    "command line it cannot take; 3 when Moxel is already running but does not\n"
    "answer, or no Moxel runs to take --panic or --program.\n";

// A program built without a window.
constexpr std::string_view kNoWindow =
    "This Moxel is built without a window: it always runs as with --headless.\n"
    "\n";
constexpr std::string_view kExitStatusWithoutWindow =
    "\n"
    "Exit status: 0 when Moxel was ended by a signal, or the running Moxel was\n"
    "asked to show its window or took --panic or --program; 1 when it cannot run\n"
    "(it says why); 2 for a command line it cannot take; 3 when Moxel is already\n"
    "running but does not answer, or no Moxel runs to take --panic or --program.\n";
#else
constexpr std::string_view kExitStatus =
    "\n"
    "Exit status: 0 when the window was closed, or the running Moxel was asked to\n"
    "show its window or took --panic or --program; 2 for a command line it cannot\n"
    "take; 3 when no Moxel runs to take --panic or --program, or it does not\n"
    "answer.\n";
#endif

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

std::string usage(const std::vector<CommandLine::Choice>& midiSystems,
                  [[maybe_unused]] Window window) {
    std::string text = "Usage: moxel [--lang ja|en] ";
    if (!midiSystems.empty()) {
        text += "[--midi " + keys(midiSystems, "|", "|") + "] ";
    }
#ifndef _WIN32
    text += "[--headless] [--list] ";
#endif
    text += "[--in NAME] [--out NAME] [--channel 1..16|follow] [--help] [--version]\n"
            "       moxel [--lang ja|en] --panic | --program 0..127\n"
            "Relays live MIDI from one input to one output, on the channel you choose.\n"
            "\n";
#ifndef _WIN32
    if (window == Window::NotBuilt) {
        text += kNoWindow;
    }
#endif
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
    text.append(kUsageRun).append(kUsageEnd);
#ifndef _WIN32
    text += window == Window::Built ? kExitStatus : kExitStatusWithoutWindow;
#else
    text += kExitStatus;
#endif
    return text;
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

// The value of the option name at argv[i], given as "name VALUE" or
// "name=VALUE" (the next argument is taken); nothing when argv[i] is another
// option, "" when the value is missing.
std::optional<std::string_view> valueOf(std::string_view name, int& i, int argc,
                                        const char* const* argv) {
    const std::string_view arg = argv[i];
    if (arg == name) {
        return i + 1 < argc ? argv[++i] : "";
    }
    if (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=') {
        return arg.substr(name.size() + 1);
    }
    return std::nullopt;
}

// "1".."16" as the channel list's position 0..15; "follow" as follow mode.
bool readChannel(std::string_view value, CommandLine& line) {
    line.follow = value == "follow";
    line.channel.reset();
    for (int number = 1; number <= 16; ++number) {
        if (value == std::to_string(number)) {
            line.channel = number - 1;
        }
    }
    return line.follow || line.channel.has_value();
}

// The options of a run that take a value (--channel, --in, --out) and
// --program, at argv[i]: nothing when it is none of them, else why it is
// refused, "" when it is taken.
std::optional<std::string> readRunValue(int& i, int argc, const char* const* argv,
                                        CommandLine& line, std::vector<std::string>& commands) {
    if (const auto channel = valueOf("--channel", i, argc, argv)) {
        return readChannel(*channel, line) ? ""
                                           : "--channel takes a channel from 1 to 16, or follow";
    }
    if (const auto input = valueOf("--in", i, argc, argv)) {
        line.input = *input;
        return input->empty() ? "--in takes the name of an input" : "";
    }
    if (const auto output = valueOf("--out", i, argc, argv)) {
        line.output = *output;
        return output->empty() ? "--out takes the name of an output" : "";
    }
    if (const auto program = valueOf("--program", i, argc, argv)) {
        const std::optional<int> number = parseProgramNumber(*program);
        if (!number) {
            return "--program takes a program number from 0 to 127";
        }
        line.request = {InstanceRequest::Kind::Program, *number};
        commands.emplace_back("--program");
        return "";
    }
    return std::nullopt;
}

// A command goes to the running Moxel, alone: nothing for a run of its own.
CommandLine commandOrRun(CommandLine line, const std::vector<std::string>& commands) {
    if (commands.empty()) {
        return line;
    }
    const bool forARun = line.headless || line.action == CommandLine::Action::List ||
                         !line.midiSystem.empty() || !line.input.empty() || !line.output.empty() ||
                         line.channel || line.follow;
    if (commands.size() > 1 || forARun) {
        return refuse(commands.front() + " takes no other option but --lang");
    }
    line.action = CommandLine::Action::Request;
    return line;
}

} // namespace

CommandLine readCommandLine(int argc, const char* const* argv,
                            const std::vector<CommandLine::Choice>& midiSystems, Window window) {
    CommandLine line;
    std::vector<std::string> commands; // to the running Moxel
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            return answer(CommandLine::Action::Help, usage(midiSystems, window));
        }
        if (arg == "--version") {
            return answer(CommandLine::Action::Version, "Moxel " MOXEL_VERSION "\n");
        }
        if (const auto value = valueOf("--lang", i, argc, argv)) {
            if (*value != "ja" && *value != "en") {
                return refuse("--lang takes ja or en");
            }
            line.language = *value;
        } else if (const auto system =
                       midiSystems.empty() ? std::nullopt : valueOf("--midi", i, argc, argv)) {
            if (std::ranges::find(midiSystems, *system, &CommandLine::Choice::key) ==
                midiSystems.end()) {
                return refuse("--midi takes " + keys(midiSystems, ", ", " or "));
            }
            line.midiSystem = *system;
        } else if (const auto refused = readRunValue(i, argc, argv, line, commands)) {
            if (!refused->empty()) {
                return refuse(*refused);
            }
        } else if (arg == "--panic") {
            line.request = {InstanceRequest::Kind::Panic};
            commands.emplace_back(arg);
#ifndef _WIN32
        } else if (arg == "--headless") {
            line.headless = true;
        } else if (arg == "--list") {
            line.action = CommandLine::Action::List;
#endif
        } else if (oneOf(arg, kToolkitWithValue) && i + 1 < argc) {
            ++i;
        } else if (!oneOf(arg, kToolkitAlone)) {
            return refuse((arg.starts_with('-') ? "unknown option '" : "unexpected argument '") +
                          std::string(arg) + "'");
        }
    }
    return commandOrRun(std::move(line), commands);
}

} // namespace moxel
