// Moxel: relays live MIDI from one input to one output.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/headless/ProgramMain.h"
#include "app/headless/ProgramStart.h"
#include "app/platform/CommandLine.h"
#include "app/platform/MillisecondClock.h"
#include "app/presenter/FrmMIDIMain.h"
#include "app/presenter/ProblemBoxes.h"
#include "app/qt/CloseOnExit.h"
#include "app/qt/CloseOnSignal.h"
#include "app/qt/FontWarmUp.h"
#include "app/qt/QtMainView.h"
#include "app/qt/QtShellServices.h"
#include "app/qt/RequestNotifier.h"
#include "app/qt/ToolkitStartFailure.h"
#include "app/window/MenuTree.h"
#include "app/window/Texts.h"
#include "midi/ProgramMidi.h"
#include "midi/systems/BuiltInMidiSystems.h"
#include "relay/RelayShared.h"

namespace {

using moxel::environmentValue;

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

// The menu's MIDI system items, one per system built in.
std::vector<moxel::MenuChoice> midiSystemMenu() {
    std::vector<moxel::MenuChoice> items;
    for (const moxel::midi::MidiSystem& system : moxel::midi::builtInMidiSystems()) {
        items.push_back({std::string(system.menuJapanese), std::string(system.menuEnglish)});
    }
    return items;
}

// The MIDI of the systems built in, which the menu offers. The service's
// client opens once the window is on the screen (startMaking). It may also
// end early, when the toolkit ends the program by itself (CloseOnExit): what
// the MIDI libraries left for exit() to undo comes after that close.
std::optional<moxel::midi::ProgramMidi> programMidi(const std::string& option,
                                                    const moxel::AppEnvironment& environment,
                                                    moxel::RelayShared& relay) {
    moxel::offerMidiSystems(midiSystemMenu());
    return std::optional<moxel::midi::ProgramMidi>(std::in_place, moxel::midi::builtInMidiSystems(),
                                                   moxel::askedMidiSystem(option, environment),
                                                   relay,
                                                   [] { moxel::CloseOnExit::hookIntoExit(); });
}

// The window and the relay, until the window is closed. A second start's
// requests come on showSocket (none when empty).
int runWindow(int argc, char* argv[], const std::string& showSocket,
              const std::string& instanceProblem, const moxel::CommandLine& line) {
    moxel::FontWarmUp fonts;
    moxel::RelayShared relay;

    moxel::ToolkitStartFailure startFailure(moxel::kExitNoDisplay);
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
    const moxel::AppEnvironment environment = moxel::programEnvironment(
        QCoreApplication::applicationDirPath().toStdString(), instanceProblem, line);
    std::optional<moxel::midi::ProgramMidi> midi = programMidi(line.midiSystem, environment, relay);
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
    // From here on a second start brings this window to the front, and
    // --panic and --program reach it; one that comes sooner waits for this.
    std::optional<moxel::RequestNotifier> requests;
    if (!showSocket.empty()) {
        requests.emplace(showSocket,
                         [&window](const moxel::InstanceRequest& r) { window.carryOut(r); });
    }
    window.MainLoop();
    view.setEvents(nullptr);
    return moxel::kExitDone;
}

} // namespace

// Main: what every start of the Linux program does (app/headless), then the
// window. With --headless Moxel runs without a window and --list lists the
// devices: neither starts the toolkit.
int main(int argc, char* argv[]) {
    return moxel::programMain(
        argc, argv,
        [argc, argv](const moxel::CommandLine& line, const moxel::OneInstance& instance) {
            if (!displayReachable(argc, argv)) {
                std::fputs("moxel: no display to show the window on (DISPLAY and "
                           "WAYLAND_DISPLAY are not set); start Moxel in a desktop session\n",
                           stderr);
                return moxel::kExitNoDisplay;
            }
            return runWindow(argc, argv, instance.showSocket, instance.problem, line);
        });
}
