#include "midi/ProgramMidi.h"

#include <memory>
#include <utility>

namespace moxel::midi {

ProgramMidi::ProgramMidi(MidiSystems systems, const MidiSystem* asked, RelayShared& relay,
                         std::function<void()> made) {
    MakeBackend make = [&relay, made = std::move(made)](const MidiSystem& system) {
        std::unique_ptr<MidiBackend> backend = system.make(relay);
        if (made) {
            made();
        }
        return backend;
    };
    auto background = std::make_unique<BackgroundOpenedBackend>(
        [this, systems, asked, make] { return makeFirstBackend(systems, asked, make, chosen_); });
    first_ = background.get();
    backend_.emplace(
        systems, std::move(background),
        [this]() -> const MidiSystem& {
            first_->made();
            return *chosen_;
        },
        std::move(make));
}

} // namespace moxel::midi
