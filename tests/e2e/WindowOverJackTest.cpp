// The real window, presenter and JACK backend in this process, driven
// through Qt's input events, relaying between test clients of a private JACK
// server.
#include <QApplication>
#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

#include "app/FrmMIDIMain.h"
#include "app/QtMainView.h"
#include "midi/backends/jack/JackBackend.h"
#include "shell/QtShellServices.h"
#include "support/JackPeer.h"
#include "support/JackTestServer.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace moxel {
namespace {

using test::JackPeer;
using Bytes = std::vector<std::uint8_t>;

class WindowOverJack : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.running()) << server.error();
        ASSERT_TRUE(source.ok() && synth.ok());
        test::writeFileBytes(folder / "setting.ini",
                             "[Moxel Settings.]\nDefaultMidiIn=" + source.sourcePort() +
                                 "\nDefaultMidiOut=" + synth.sinkPort() + "\n");
        view.setEvents(&window);
        view.show();
        window.InitApplication();
        ASSERT_NE(window.lngHMidiOut(), 0U);
        ASSERT_NE(window.lngHMidiIn(), 0U);
    }
    void TearDown() override {
        bool cancel = false;
        window.Form_QueryUnload(cancel);
        view.setEvents(nullptr);
    }

    QComboBox* combo(const char* name) { return view.findChild<QComboBox*>(name); }

    test::JackTestServer server;
    JackPeer source{"keys"};
    JackPeer synth{"synth"};
    test::TempDir folder;
    RelayShared relay;
    JackBackend backend{relay, "moxel-window"};
    QtShellServices shell;
    QtMainView view;
    FrmMIDIMain window{view,
                       backend,
                       shell,
                       relay,
                       [] { return 0U; },
                       AppEnvironment{folder.path().string(), "", folder.path().string()}};
};

TEST_F(WindowOverJack, KeypadPlusSendsTheNextProgramOnTheChosenChannel) {
    QComboBox* channels = combo("CmbMidiCh");
    ASSERT_NE(channels, nullptr);
    channels->setFocus();
    QTest::keyClick(channels, Qt::Key_Down); // the user picks 2Ch
    ASSERT_EQ(channels->currentIndex(), 1);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus, Qt::KeypadModifier);
    ASSERT_TRUE(synth.waitForReceived(1));
    // The program change is two bytes on the wire: status and program.
    EXPECT_EQ(synth.received()[0].bytes, (Bytes{0xC1, 0x01}));

    // The main keyboard's plus sends nothing.
    synth.clearReceived();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus);
    ASSERT_TRUE(source.send({0xF8})); // a marker: the clock arrives, nothing before it
    ASSERT_TRUE(synth.waitForReceived(1));
    EXPECT_EQ(synth.received()[0].bytes, (Bytes{0xF8}));
}

TEST_F(WindowOverJack, InputLampLightsAndFollowModeMovesTheChannelList) {
    window.MnuUpdateInCh_Click();
    ASSERT_TRUE(source.send({0x95, 0x40, 0x40}));
    ASSERT_TRUE(synth.waitForReceived(1));
    EXPECT_EQ(synth.received()[0].bytes, (Bytes{0x95, 0x40, 0x40}));
    // The news reaches the window through its event loop.
    EXPECT_TRUE(test::waitUntil([&] {
        QCoreApplication::processEvents();
        return combo("CmbMidiCh")->currentIndex() == 5 && window.lngMidiLamp(0) > 0;
    }));
}

} // namespace
} // namespace moxel
