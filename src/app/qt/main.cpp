// Moxel: relays live MIDI from one input to one output.
#include <cstdlib>

#include <QApplication>
#include <QGuiApplication>

#include "app/platform/MillisecondClock.h"
#include "app/platform/SingleInstance.h"
#include "app/presenter/FrmMIDIMain.h"
#include "app/qt/CloseOnSignal.h"
#include "app/qt/QtMainView.h"
#include "app/qt/QtShellServices.h"
#include "midi/backends/jack/JackBackend.h"
#include "relay/RelayShared.h"

namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

// Main: a second start while Moxel runs ends at once and shows nothing.
int main(int argc, char* argv[]) {
    moxel::CloseOnSignal::installHandlers();
    const moxel::SingleInstance instance(moxel::defaultLockFile());
    if (!instance.acquired()) {
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Moxel");
    // The window may hide in the notification area; only the exit path ends
    // the program.
    QApplication::setQuitOnLastWindowClosed(false);

    moxel::JackBackend::quietLibraryMessages();
    moxel::RelayShared relay;
    moxel::JackBackend backend(relay);
    moxel::QtShellServices shell;
    moxel::QtMainView view;
    moxel::FrmMIDIMain window(view, backend, shell, relay, moxel::millisecondCounter,
                              {QCoreApplication::applicationDirPath().toStdString(),
                               environmentValue("XDG_CONFIG_HOME"), environmentValue("HOME")});
    view.setEvents(&window);

    moxel::CloseOnSignal closeOnSignal([&view] { view.requestClose(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &view,
                     [&view] { view.requestClose(); });

    view.show();
    QCoreApplication::processEvents();
    window.MainLoop();
    view.setEvents(nullptr);
    return 0;
}
