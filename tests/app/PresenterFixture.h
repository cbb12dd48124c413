#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeView.h"
#include "app/FrmMIDIMain.h"
#include "midi/backends/fake/FakeBackend.h"
#include "relay/RelayShared.h"
#include "support/TempDir.h"

namespace moxel::testing {

// The presenter wired to a fake screen, a scripted MIDI service, fake shell
// services and a clock the test sets, with its program folder in a fresh
// temporary folder (where setting.ini is read and written).
class PresenterTest : public ::testing::Test {
  protected:
    // Builds the presenter (call after scripting devices and the settings).
    FrmMIDIMain& make() {
        window = std::make_unique<FrmMIDIMain>(
            view, backend, shell, relay, [this] { return now; },
            AppEnvironment{folder.string(), "", folder.string()});
        view.events = window.get();
        return *window;
    }
    FrmMIDIMain& started() {
        make().InitApplication();
        return *window;
    }

    void writeSettings(const std::string& content) {
        test::writeFileBytes(folder / "setting.ini", content);
    }
    std::string settingsText() const { return test::readFileBytes(folder / "setting.ini"); }
    static FakeBackend::Device device(std::string name, CapsResult caps = CapsResult::Ok,
                                      OpenResult open = OpenResult::Ok) {
        return {caps, std::move(name), open};
    }
    std::vector<std::string>& list(ListId id) { return view.lists[id]; }
    int selected(ListId id) { return view.selectedIndex(id); }

    test::TempDir temp;
    const std::filesystem::path& folder = temp.path();
    RelayShared relay;
    FakeBackend backend{relay};
    FakeView view;
    FakeShell shell;
    std::uint32_t now = 0;
    std::unique_ptr<FrmMIDIMain> window;
};

} // namespace moxel::testing
