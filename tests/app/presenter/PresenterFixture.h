#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeView.h"
#include "app/presenter/FrmMIDIMain.h"
#include "app/presenter/ProblemBoxes.h"
#include "app/presenter/ProblemLines.h"
#include "encoding/Utf8Path.h"
#include "relay/RelayShared.h"
#include "support/FakeBackend.h"
#include "support/TempDir.h"

namespace moxel::testing {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Bytes = std::vector<std::uint8_t>;

// The presenter wired to a fake screen, a scripted MIDI service, fake shell
// services and a clock the test sets, with its program folder (and so
// setting.ini) in a fresh temporary folder.
class PresenterTest : public ::testing::Test {
  protected:
    // Builds the presenter anew (after scripting devices and the settings).
    FrmMIDIMain& make(std::string programFolder = "") {
        view = FakeView{};
        window.reset();
        problems = screenless ? std::unique_ptr<ProblemSink>(std::make_unique<ProblemLines>())
                              : std::make_unique<ProblemBoxes>(view);
        window = std::make_unique<FrmMIDIMain>(
            view, view, view, *problems, backend, shell, relay, [this] { return now; },
            AppEnvironment{programFolder.empty() ? utf8FromPath(folder) : programFolder,
                           folder / "user", instanceProblem, run},
            systems);
        view.events = window.get();
        return *window;
    }
    FrmMIDIMain& started() {
        make().InitApplication();
        return *window;
    }
    FrmMIDIMain& startedWith(std::vector<FakeBackend::Device> ins,
                             std::vector<FakeBackend::Device> outs) {
        backend.inputs = std::move(ins);
        backend.outputs = std::move(outs);
        return started();
    }
    // The user picks an entry of a list.
    void choose(ListId list, int position) {
        switch (list) {
        case ListId::MidiIn:
            return window->CmbMidiIn_Click(position);
        case ListId::MidiOut:
            return window->CmbMidiOut_Click(position);
        case ListId::MidiCh:
            return window->channelChosen(position);
        case ListId::BeatPer:
            return window->beatPerChosen(position);
        }
    }

    void writeSettings(const std::string& content) {
        test::writeFileBytes(folder / "setting.ini", content);
    }
    std::string settingsText() const { return test::readFileBytes(folder / "setting.ini"); }
    // A device; like a JACK port it belongs to the client its name begins with.
    static FakeBackend::Device device(const std::string& name,
                                      midi::CapsResult caps = midi::CapsResult::Ok,
                                      midi::OpenResult open = midi::OpenResult::Ok) {
        return {caps, name, open, name.substr(0, name.find(':'))};
    }
    std::vector<std::string>& list(ListId id) { return view.lists[id]; }
    // The entry the list shows selected, -1 for none.
    int selected(ListId id) const { return view.selected.contains(id) ? view.selected.at(id) : -1; }
    const DeviceController& devices() const { return window->devices(); }

    // The program folder with its trailing separator, as the window keeps it.
    std::string programPath() const {
        return utf8FromPath(folder) + static_cast<char>(std::filesystem::path::preferred_separator);
    }

    test::TempDir temp;
    const std::filesystem::path& folder = temp.path();
    RelayShared relay;
    FakeBackend backend{relay};
    FakeView view;
    FakeShell shell;
    std::uint32_t now = 0;
    bool screenless = false; // problems go to the error output, not into boxes
    std::unique_ptr<ProblemSink> problems;
    std::unique_ptr<FrmMIDIMain> window;
    midi::MidiSystemChoice* systems = nullptr; // the MIDI systems offered (none: Windows)
    std::string instanceProblem;               // why the start cannot tell whether Moxel runs
    RunChoices run;                            // the command line's choices
};

} // namespace moxel::testing
