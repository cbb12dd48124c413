#include "app/headless/HeadlessProgram.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/headless/HeadlessView.h"
#include "app/platform/EndingSignals.h"
#include "app/platform/InstanceRequests.h"
#include "app/platform/MillisecondClock.h"
#include "app/platform/PollUiLoop.h"
#include "app/presenter/DeviceList.h"
#include "app/presenter/ProblemLines.h"
#include "app/presenter/ProblemTexts.h"
#include "midi/ProgramMidi.h"
#include "midi/systems/BuiltInMidiSystems.h"
#include "relay/RelayShared.h"

namespace moxel {

namespace {

// The folder of the program file, "" when the system does not tell.
std::string executableFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "" : program.parent_path().string();
}

std::string_view menuText(const midi::MidiSystem& system) {
    return language() == Language::Japanese ? system.menuJapanese : system.menuEnglish;
}

} // namespace

int runHeadless(const CommandLine& line, const OneInstance& instance) {
    EndingSignals endingSignals;
    // An instance check that could not be made was said on the error output
    // already, which is all the window would add to it here.
    const AppEnvironment environment = programEnvironment(executableFolder(), "", line);
    std::optional<PollUiLoop> loop;
    try {
        loop.emplace();
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "moxel: cannot run without a window: %s\n", error.what());
        return kExitNoDisplay;
    }
    RelayShared relay;
    midi::ProgramMidi midi(midi::builtInMidiSystems(),
                           askedMidiSystem(line.midiSystem, environment), relay);
    HeadlessView view;
    ProblemLines problems;
    FrmMIDIMain window(view, view, *loop, problems, midi.backend(), view, relay, millisecondCounter,
                       environment, &midi.backend());
    loop->setEvents(&window);
    loop->watch(endingSignals.descriptor(), [&endingSignals, &window] {
        endingSignals.take();
        bool cancel = false;
        window.Form_QueryUnload(cancel);
    });
    // Another start is answered; there is no window to show.
    std::optional<InstanceRequestListener> requests;
    if (!instance.showSocket.empty()) {
        requests.emplace(instance.showSocket);
        loop->watch(requests->descriptor(), [&requests, &window] {
            requests->serve([&window](const InstanceRequest& r) { window.carryOut(r); });
        });
    }
    midi.startMaking();
    window.MainLoop();
    loop->setEvents(nullptr);
    return kExitDone;
}

int listDevices(const CommandLine& line) {
    const AppEnvironment environment = programEnvironment(executableFolder(), "", line);
    RelayShared relay;
    const midi::MidiSystem* chosen = nullptr;
    const std::unique_ptr<midi::MidiBackend> backend = midi::makeFirstBackend(
        midi::builtInMidiSystems(), askedMidiSystem(line.midiSystem, environment),
        [&relay](const midi::MidiSystem& system) { return system.make(relay); }, chosen);
    if (const std::optional<Problem> problem = serviceUnreachable(backend->serviceProblem())) {
        ProblemLines().tell(*problem);
    }
    std::fputs(deviceListing(*chosen, *backend).c_str(), stdout);
    return kExitDone;
}

std::string deviceListing(const midi::MidiSystem& system, midi::MidiBackend& backend) {
    HeadlessView view;
    std::string listing = std::string(menuText(system)) + "\n";
    for (const ListId list : {ListId::MidiIn, ListId::MidiOut}) {
        DeviceList entries(view, list);
        entries.show(list == ListId::MidiIn ? backend.inputs() : backend.outputs());
        listing += list == ListId::MidiIn ? "MIDI IN:\n" : "MIDI OUT:\n";
        for (int position = 0; position < std::max(entries.deviceCount(), 1); ++position) {
            const DeviceListEntry& entry = entries.at(position);
            // A marker's text after the device number and "|" (the
            // placeholder has neither: npos + 1 is 0).
            listing +=
                (entry.namesDevice() ? entry.name : entry.text.substr(entry.text.find('|') + 1)) +
                "\n";
        }
    }
    return listing;
}

} // namespace moxel
