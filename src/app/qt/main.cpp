// Moxel: relays live MIDI from one input to one output.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include <QApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/platform/CommandLine.h"
#include "app/platform/MillisecondClock.h"
#include "app/platform/ShowRequests.h"
#include "app/platform/SingleInstance.h"
#include "app/presenter/FrmMIDIMain.h"
#include "app/qt/CloseOnSignal.h"
#include "app/qt/FontWarmUp.h"
#include "app/qt/QtMainView.h"
#include "app/qt/QtShellServices.h"
#include "app/qt/ShowOnRequest.h"
#include "app/window/Texts.h"
#include "midi/BackgroundOpenedBackend.h"
#include "midi/backends/jack/JackBackend.h"
#include "relay/RelayShared.h"
#include "settings/SettingsFile.h"

namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Whether the window system Qt is about to use can be reached: without it Qt
// would abort with a message of its own.
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
    return moxel::languageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                   std::getenv("LANG"));
}

// The window and the relay, until the window is closed.
int runWindow(int argc, char* argv[]) {
    moxel::FontWarmUp fonts;
    // The MIDI service's client opens once the window is on the screen, while
    // its first turns run: opening it is mostly waiting for the server, and
    // the window waits for it at its first use of the backend, before it
    // fills the lists.
    moxel::RelayShared relay;
    moxel::BackgroundOpenedBackend backend([&relay] {
        moxel::JackBackend::quietLibraryMessages();
        return std::make_unique<moxel::JackBackend>(relay);
    });

    QApplication app(argc, argv);
    fonts.toolkitStarted();
    QApplication::setApplicationName("Moxel");
    // The window may hide in the notification area; only the exit path ends
    // the program.
    QApplication::setQuitOnLastWindowClosed(false);
    moxel::QtShellServices shell;
    moxel::QtMainView view;
    moxel::FrmMIDIMain window(
        view, view, view, backend, shell, relay, moxel::millisecondCounter,
        {QCoreApplication::applicationDirPath().toStdString(),
         moxel::xdgSettingsFolder(environmentValue("XDG_CONFIG_HOME"), environmentValue("HOME"))});
    view.setEvents(&window);

    moxel::CloseOnSignal closeOnSignal([&view] { view.requestClose(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &view,
                     [&view] { view.requestClose(); });

    view.show();
    QCoreApplication::processEvents();
    backend.startMaking();
    // The buttons of Qt's own boxes in the window's language; no box comes
    // before this.
    QTranslator toolkitTexts;
    if (moxel::language() == moxel::Language::Japanese &&
        toolkitTexts.load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&toolkitTexts);
    }
    // From here on a second start brings this window to the front; one that
    // comes sooner finds the window showing anyway.
    const moxel::ShowOnRequest showOnRequest(moxel::runtimeFile("moxel.socket"),
                                             [&view] { view.restoreWindow(); });
    window.MainLoop();
    view.setEvents(nullptr);
    return 0;
}

} // namespace

// Main: a second start while Moxel runs shows the running window and ends.
int main(int argc, char* argv[]) {
    moxel::CloseOnSignal::installHandlers();
    const moxel::CommandLine line = moxel::readCommandLine(argc, argv);
    if (line.action != moxel::CommandLine::Action::Run) {
        const bool refused = line.action == moxel::CommandLine::Action::Refuse;
        std::fputs(line.text.c_str(), refused ? stderr : stdout);
        return refused ? 2 : 0;
    }
    moxel::setLanguage(chosenLanguage(line.language));
    const moxel::SingleInstance instance(moxel::defaultInstanceLock());
    if (!instance.acquired()) {
        moxel::askRunningInstanceToShow(moxel::runtimeFile("moxel.socket"));
        return 0;
    }
    if (!displayReachable(argc, argv)) {
        std::fputs("moxel: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are "
                   "not set); start Moxel in a desktop session\n",
                   stderr);
        return 1;
    }
    return runWindow(argc, argv);
}
