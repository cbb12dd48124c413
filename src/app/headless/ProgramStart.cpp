#include "app/headless/ProgramStart.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/platform/InstanceFolder.h"
#include "app/platform/InstanceRequests.h"
#include "midi/systems/BuiltInMidiSystems.h"
#include "settings/SettingsFile.h"

namespace moxel {

namespace {

// How long a second start waits for the running Moxel's answer.
constexpr std::chrono::milliseconds kAnswerLimit(1000);

} // namespace

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

Language chosenLanguage(const std::string& option) {
    if (!option.empty()) {
        return option == "ja" ? Language::Japanese : Language::English;
    }
    return languageOfLocale(std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                            std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

std::vector<CommandLine::Choice> midiSystemChoices() {
    std::vector<CommandLine::Choice> choices;
    for (const midi::MidiSystem& system : midi::builtInMidiSystems()) {
        choices.push_back({std::string(system.key), std::string(system.usage)});
    }
    return choices;
}

AppEnvironment programEnvironment(std::string executableFolder, std::string instanceProblem,
                                  const CommandLine& line) {
    return {std::move(executableFolder),
            xdgSettingsFolder(environmentValue("XDG_CONFIG_HOME"), environmentValue("HOME")),
            std::move(instanceProblem),
            {line.input, line.output, line.channel, line.follow, line.headless}};
}

const midi::MidiSystem* askedMidiSystem(const std::string& option,
                                        const AppEnvironment& environment) {
    const midi::MidiSystems systems = midi::builtInMidiSystems();
    if (!option.empty()) {
        return midi::midiSystemNamed(systems, option);
    }
    const SettingsFile settings(settingsFileLocation(
        appPathFromFolder(environment.executableFolder), environment.userSettingsFolder));
    const std::string stored = settings.readString(midi::kMidiSystemKey, "");
    const midi::MidiSystem* system = midi::midiSystemNamed(systems, stored);
    if (system == nullptr && !stored.empty()) {
        std::fprintf(stderr,
                     "moxel: setting.ini asks for the MIDI system '%s', which this Moxel "
                     "does not have; choosing one as if it asked for none\n",
                     stored.c_str());
    }
    return system;
}

OneInstance checkOneInstance() {
    OneInstance one;
    const InstanceFolder folder = instanceFolder();
    if (!folder.path.empty()) {
        one.lock = std::make_unique<SingleInstance>(folder.path + "/moxel.lock");
    }
    one.problem = one.lock ? one.lock->problem() : folder.problem;
    if (!one.problem.empty()) {
        std::fprintf(
            stderr,
            "moxel: cannot tell whether Moxel is already running (%s); starting it anyway\n",
            one.problem.c_str());
        return one;
    }
    const std::string socket = folder.path + "/moxel.socket";
    if (one.lock->acquired()) {
        one.showSocket = socket;
    } else if (askRunningInstance(socket, InstanceRequest{}, kAnswerLimit) ==
               RequestAnswer::Taken) {
        one.ended = kExitDone;
    } else {
        std::fputs("moxel: Moxel is already running but does not answer (it may be stopped or "
                   "hung); end it, then start Moxel again\n",
                   stderr);
        one.ended = kExitNoAnswer;
    }
    return one;
}

} // namespace moxel
