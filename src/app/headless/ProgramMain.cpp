#include "app/headless/ProgramMain.h"

#include <cstdio>

#include "app/headless/HeadlessProgram.h"
#include "app/headless/RunningInstanceCommand.h"
#include "app/platform/EndingSignals.h"
#include "app/window/Texts.h"

namespace moxel {

int programMain(int argc, char* argv[], const WindowRun& window) {
    EndingSignals::installHandlers();
    CommandLine line =
        readCommandLine(argc, argv, midiSystemChoices(), window ? Window::Built : Window::NotBuilt);
    using Action = CommandLine::Action;
    if (line.action == Action::Help || line.action == Action::Version ||
        line.action == Action::Refuse) {
        const bool refused = line.action == Action::Refuse;
        std::fputs(line.text.c_str(), refused ? stderr : stdout);
        return refused ? kExitRefused : kExitDone;
    }
    setLanguage(chosenLanguage(line.language));
    if (line.action == Action::List) {
        return listDevices(line);
    }
    if (line.action == Action::Request) {
        return askRunningInstanceFor(line.request);
    }
    const OneInstance instance = checkOneInstance();
    if (instance.ended) {
        return *instance.ended;
    }
    if (!window && !line.headless) {
        std::fputs("moxel: this Moxel is built without a window; running as with --headless\n",
                   stderr);
        line.headless = true;
    }
    return line.headless ? runHeadless(line, instance) : window(line, instance);
}

} // namespace moxel
