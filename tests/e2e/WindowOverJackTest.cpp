// The real window, presenter and JACK backend in this process, driven
// through Qt's input events, relaying between test clients of a private JACK
// server.
#include <QApplication>
#include <QComboBox>
#include <QTest>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "app/presenter/FrmMIDIMain.h"
#include "app/qt/QtMainView.h"
#include "app/qt/QtShellServices.h"
#include "midi/backends/jack/JackBackend.h"
#include "peer/JackPeer.h"
#include "peer/JackServer.h"
#include "relay/RelayShared.h"
#include "support/TempDir.h"

namespace moxel {
namespace {

using test::JackPeer;
using Bytes = std::vector<std::uint8_t>;

class WindowOverJack : public ::testing::Test {
  protected:
    void start(const std::string& moreSettings = "") {
        ASSERT_TRUE(server.running()) << server.error();
        ASSERT_TRUE(source.ok() && synth.ok());
        test::writeFileBytes(folder / "setting.ini",
                             "[Moxel Settings.]\nDefaultMidiIn=" + source.sourcePort() +
                                 "\nDefaultMidiOut=" + synth.sinkPort() + "\n" + moreSettings);
        view.setEvents(&window);
        view.show();
        window.InitApplication();
        ASSERT_NE(window.devices().outputHandle(), 0U);
        ASSERT_NE(window.devices().inputHandle(), 0U);
    }
    void TearDown() override {
        bool cancel = false;
        window.Form_QueryUnload(cancel);
        view.setEvents(nullptr);
    }

    QComboBox* combo(const char* name) { return view.findChild<QComboBox*>(name); }

    test::JackServer server;
    JackPeer source{"keys"};
    JackPeer synth{"synth"};
    test::TempDir folder;
    RelayShared relay;
    JackBackend backend{relay, "moxel-window"};
    QtShellServices shell;
    QtMainView view;
    const std::string home = folder.path().string();
    FrmMIDIMain window{
        view, view, view, backend, shell, relay, [] { return 0U; }, {home, folder / "user"}};
};

TEST_F(WindowOverJack, KeypadAndFollowModeWorkThroughTheRealWindowAndServer) {
    start();
    QComboBox* channels = combo("CmbMidiCh");
    channels->setFocus();
    QTest::keyClick(channels, Qt::Key_Down); // the user picks 2Ch
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus, Qt::KeypadModifier);
    ASSERT_TRUE(synth.waitForReceived(1));
    // The program change is two bytes on the wire: status and program.
    EXPECT_EQ(synth.received()[0].bytes, (Bytes{0xC1, 0x01}));

    window.MnuUpdateInCh_Click();
    ASSERT_TRUE(source.send({0x95, 0x40, 0x40}));
    ASSERT_TRUE(synth.waitForReceived(2));
    EXPECT_EQ(synth.received()[1].bytes, (Bytes{0x95, 0x40, 0x40}));
    // The news reaches the window through its event loop.
    EXPECT_TRUE(test::waitUntil([&] {
        QCoreApplication::processEvents();
        return channels->currentIndex() == 5 && window.lamps().level(LampId::Input) > 0;
    }));
}

TEST_F(WindowOverJack, MidiFlowingInDuringStartUpLightsTheLampAndMovesTheChannelList) {
    std::atomic<bool> playing{true};
    std::thread keys([&] { // a dense stream on channel 6, already playing
        while (playing) {
            source.send({0x95, 0x40, 0x40});
            source.waitForSent(source.sent().size() + 1, std::chrono::milliseconds(50));
        }
    });
    start("UpdateInCh=1\n");
    EXPECT_TRUE(test::waitUntil([&] {
        QCoreApplication::processEvents();
        return combo("CmbMidiCh")->currentIndex() == 5 && window.lamps().level(LampId::Input) > 0;
    }));
    playing = false;
    keys.join();
}

} // namespace
} // namespace moxel
