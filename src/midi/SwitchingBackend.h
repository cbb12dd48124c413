#pragma once

#include <array>
#include <functional>
#include <memory>

#include "midi/MidiBackend.h"
#include "midi/MidiSystems.h"

namespace moxel::midi {

// The backend of whichever MIDI system serves, passed through; switching
// makes the other system's backend (the callbacks carry over) once the
// devices of the old one are closed. The first backend may still be in the
// making (BackgroundOpenedBackend): current() and every call wait for it.
class SwitchingBackend final : public MidiBackend, public MidiSystemChoice {
  public:
    // first: the backend to start with, and the system it serves (found once
    // it is made, for a backend that chooses for itself).
    SwitchingBackend(MidiSystems systems, std::unique_ptr<MidiBackend> first,
                     std::function<const MidiSystem&()> firstSystem, MakeBackend make);

    MidiSystems systems() override { return systems_; }
    const MidiSystem& current() override;
    void use(const MidiSystem& system) override;

    std::vector<DeviceCaps> inputs() override { return backend_->inputs(); }
    std::vector<DeviceCaps> outputs() override { return backend_->outputs(); }
    OpenResult openInput(int id, MidiHandle& handle) override {
        return backend_->openInput(id, handle);
    }
    std::string openName(MidiHandle handle) override { return backend_->openName(handle); }
    void startInput(MidiHandle handle) override { backend_->startInput(handle); }
    void closeInput(MidiHandle handle) override { backend_->closeInput(handle); }
    OpenResult openOutput(int id, MidiHandle& handle) override {
        return backend_->openOutput(id, handle);
    }
    void resetOutput(MidiHandle handle) override { backend_->resetOutput(handle); }
    void closeOutput(MidiHandle handle) override { backend_->closeOutput(handle); }
    bool sendShort(MidiHandle handle, std::uint32_t message) override {
        return backend_->sendShort(handle, message);
    }
    void setNewsCallback(News kind, std::function<void()> callback) override;
    bool deviceConnected(MidiHandle handle) override { return backend_->deviceConnected(handle); }
    bool serviceAvailable() override { return backend_->serviceAvailable(); }
    bool lookForService() override { return backend_->lookForService(); }
    ServiceProblem serviceProblem() override { return backend_->serviceProblem(); }

  private:
    MidiSystems systems_;
    std::unique_ptr<MidiBackend> backend_;
    std::function<const MidiSystem&()> firstSystem_; // until current() asked it once
    const MidiSystem* system_ = nullptr;
    MakeBackend make_;
    std::array<std::function<void()>, 2> callbacks_; // Relay, Devices
};

} // namespace moxel::midi
