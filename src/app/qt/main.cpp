// Moxel: relays live MIDI from one input to one output.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/platform/CommandLine.h"
#include "app/platform/InstanceFolder.h"
#include "app/platform/MillisecondClock.h"
#include "app/platform/ShowRequests.h"
#include "app/platform/SingleInstance.h"
#include "app/presenter/FrmMIDIMain.h"
#include "app/presenter/ProblemBoxes.h"
#include "app/qt/CloseOnExit.h"
#include "app/qt/CloseOnSignal.h"
#include "app/qt/FontWarmUp.h"
#include "app/qt/QtMainView.h"
#include "app/qt/QtShellServices.h"
#include "app/qt/ShowOnRequest.h"
#include "app/qt/ToolkitStartFailure.h"
#include "app/window/MenuTree.h"
#include "app/window/Texts.h"
#include "midi/ProgramMidi.h"
#include "midi/systems/BuiltInMidiSystems.h"
#include "relay/RelayShared.h"
#include "settings/SettingsFile.h"

namespace {

// The exit statuses (moxel --help lists them).
constexpr int kExitDone = 0;      // the window closed, or the running Moxel was asked to show it
constexpr int kExitNoDisplay = 1; // no display to show the window on
constexpr int kExitRefused = 2;   // a command line it cannot take
constexpr int kExitNoAnswer = 3;  // Moxel already runs but does not answer

// How long a second start waits for the running Moxel's answer.
constexpr std::chrono::milliseconds kAnswerLimit(1000);

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Whether a display is named for the window system Qt is about to use:
// without one Qt would abort with a message of its own. (One that is named but
// cannot be reached is ToolkitStartFailure's.)
bool displayReachable(int argc, char* argv[]) {
    std::string platform = environmentValue("QT_QPA_PLATFORM");
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string_view(argv[i]) == "-platform") {
            platform = argv[i + 1];
        }
    }
    const bool x11 = !environmentValue("DISPLAY").empty();
    const bool wayland = !environmentValue("WAYLAND_DISPLAY").empty();
    if (platform.empty()) {
        return x11 || wayland;
    }
    return platform.starts_with("xcb") ? x11 : platform.starts_with("wayland") ? wayland : true;
}

moxel::Language chosenLanguage(const std::string& option) {
    if (!option.empty()) {
        return option == "ja" ? moxel::Language::Japanese : moxel::Language::English;
    }
    return moxel::languageOfLocale(std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                                   std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

// The MIDI system asked for: on the command line (which takes only the
// systems built in), else the one chosen in the menu before (setting.ini);
// nothing when neither says. A stored system this Moxel does not have is
// told, and the choice is made as if none were stored.
const moxel::MidiSystem* askedMidiSystem(const std::string& option,
                                         const moxel::AppEnvironment& environment) {
    const moxel::MidiSystems systems = moxel::builtInMidiSystems();
    if (!option.empty()) {
        return moxel::midiSystemNamed(systems, option);
    }
    const moxel::SettingsFile settings(moxel::settingsFileLocation(
        moxel::appPathFromFolder(environment.executableFolder), environment.userSettingsFolder));
    const std::string stored = settings.readString(moxel::kMidiSystemKey, "");
    const moxel::MidiSystem* system = moxel::midiSystemNamed(systems, stored);
    if (system == nullptr && !stored.empty()) {
        std::fprintf(stderr,
                     "moxel: setting.ini asks for the MIDI system '%s', which this Moxel "
                     "does not have; choosing one as if it asked for none\n",
                     stored.c_str());
    }
    return system;
}

// What --midi may name, and what --help says of each.
std::vector<moxel::CommandLine::Choice> midiSystemChoices() {
    std::vector<moxel::CommandLine::Choice> choices;
    for (const moxel::MidiSystem& system : moxel::builtInMidiSystems()) {
        choices.push_back({std::string(system.key), std::string(system.usage)});
    }
    return choices;
}

// The menu's MIDI system items, one per system built in.
std::vector<moxel::MenuChoice> midiSystemMenu() {
    std::vector<moxel::MenuChoice> items;
    for (const moxel::MidiSystem& system : moxel::builtInMidiSystems()) {
        items.push_back({std::string(system.menuJapanese), std::string(system.menuEnglish)});
    }
    return items;
}

// The MIDI of the systems built in, which the menu offers. The service's
// client opens once the window is on the screen (startMaking). It may also
// end early, when the toolkit ends the program by itself (CloseOnExit): what
// the MIDI libraries left for exit() to undo comes after that close.
std::optional<moxel::ProgramMidi> programMidi(const std::string& option,
                                              const moxel::AppEnvironment& environment,
                                              moxel::RelayShared& relay) {
    moxel::offerMidiSystems(midiSystemMenu());
    return std::optional<moxel::ProgramMidi>(std::in_place, moxel::builtInMidiSystems(),
                                             askedMidiSystem(option, environment), relay,
                                             [] { moxel::CloseOnExit::hookIntoExit(); });
}

// The window and the relay, until the window is closed. A second start's
// requests come on showSocket (none when empty).
int runWindow(int argc, char* argv[], const std::string& showSocket,
              const std::string& instanceProblem, const std::string& midiOption) {
    moxel::FontWarmUp fonts;
    moxel::RelayShared relay;

    moxel::ToolkitStartFailure startFailure(kExitNoDisplay);
    QApplication app(argc, argv);
    // The name of the installed desktop entry, which gives the window its
    // icon and name in the task bar on Wayland (StartupWMClass is X11's).
    QGuiApplication::setDesktopFileName(QStringLiteral(MOXEL_APP_ID));
    startFailure.started();
    fonts.toolkitStarted();
    QApplication::setApplicationName("Moxel");
    // The window may hide in the notification area; only the exit path ends
    // the program.
    QApplication::setQuitOnLastWindowClosed(false);
    const moxel::AppEnvironment environment{
        QCoreApplication::applicationDirPath().toStdString(),
        moxel::xdgSettingsFolder(environmentValue("XDG_CONFIG_HOME"), environmentValue("HOME")),
        instanceProblem};
    std::optional<moxel::ProgramMidi> midi = programMidi(midiOption, environment, relay);
    moxel::QtShellServices shell;
    moxel::QtMainView view;
    moxel::ProblemBoxes problems(view);
    moxel::FrmMIDIMain window(view, view, view, problems, midi->backend(), shell, relay,
                              moxel::millisecondCounter, environment, &midi->backend());
    view.setEvents(&window);

    moxel::CloseOnSignal closeOnSignal([&view] { view.requestClose(); });
    // The devices in order, then the client: a client that just vanished
    // would hold up the server's other clients for a while.
    const moxel::CloseOnExit closeOnExit([&window, &midi] {
        window.closeDevices();
        window.storeWaitingSettings();
        midi.reset();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &view,
                     [&view] { view.requestClose(); });

    view.show();
    QCoreApplication::processEvents();
    midi->startMaking();
    // The buttons of Qt's own boxes in the window's language; no box comes
    // before this.
    QTranslator toolkitTexts;
    if (moxel::language() == moxel::Language::Japanese &&
        toolkitTexts.load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&toolkitTexts);
    }
    // From here on a second start brings this window to the front; one that
    // comes sooner waits for this.
    std::optional<moxel::ShowOnRequest> showOnRequest;
    if (!showSocket.empty()) {
        showOnRequest.emplace(showSocket, [&view] { view.restoreWindow(); });
    }
    window.MainLoop();
    view.setEvents(nullptr);
    return kExitDone;
}

// Whether this process is the one Moxel of the user. When another one runs,
// it is asked to show its window and this start ends (with the status given).
// When that cannot be told, Moxel says why (here, and in the window) and runs
// anyway.
struct OneInstance {
    std::unique_ptr<moxel::SingleInstance> lock;
    std::string showSocket; // where the running one hears second starts
    std::string problem;    // why it cannot be told
    std::optional<int> ended;
};

OneInstance checkOneInstance() {
    OneInstance one;
    const moxel::InstanceFolder folder = moxel::instanceFolder();
    if (!folder.path.empty()) {
        one.lock = std::make_unique<moxel::SingleInstance>(folder.path + "/moxel.lock");
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
    } else if (moxel::askRunningInstanceToShow(socket, kAnswerLimit)) {
        one.ended = kExitDone;
    } else {
        std::fputs("moxel: Moxel is already running but does not answer (it may be stopped or "
                   "hung); end it, then start Moxel again\n",
                   stderr);
        one.ended = kExitNoAnswer;
    }
    return one;
}

} // namespace

// Main: a second start while Moxel runs shows the running window and ends.
int main(int argc, char* argv[]) {
    moxel::CloseOnSignal::installHandlers();
    const moxel::CommandLine line = moxel::readCommandLine(argc, argv, midiSystemChoices());
    if (line.action != moxel::CommandLine::Action::Run) {
        const bool refused = line.action == moxel::CommandLine::Action::Refuse;
        std::fputs(line.text.c_str(), refused ? stderr : stdout);
        return refused ? kExitRefused : kExitDone;
    }
    moxel::setLanguage(chosenLanguage(line.language));
    const OneInstance instance = checkOneInstance();
    if (instance.ended) {
        return *instance.ended;
    }
    if (!displayReachable(argc, argv)) {
        std::fputs("moxel: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are "
                   "not set); start Moxel in a desktop session\n",
                   stderr);
        return kExitNoDisplay;
    }
    return runWindow(argc, argv, instance.showSocket, instance.problem, line.midiSystem);
}
