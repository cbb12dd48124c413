#pragma once

#include <functional>
#include <memory>

#include "midi/MidiBackend.h"
#include "midi/MidiSystem.h"

namespace moxel {

// The backend of whichever MIDI system serves, passed through; switching
// makes the other system's backend (the callbacks carry over) once the
// devices of the old one are closed. The first backend may still be in the
// making (BackgroundOpenedBackend): current() and every call wait for it.
class SwitchingBackend final : public MidiBackend, public MidiSystemChoice {
  public:
    using Make = std::function<std::unique_ptr<MidiBackend>(MidiSystem)>;
    // first: the backend to start with, and the system it serves (found once
    // it is made, for a backend that chooses for itself).
    SwitchingBackend(std::unique_ptr<MidiBackend> first, std::function<MidiSystem()> firstSystem,
                     Make make);

    MidiSystem current() override;
    void use(MidiSystem system) override;

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
    void setActivityCallback(std::function<void()> callback) override;
    void setDeviceChangeCallback(std::function<void()> callback) override;
    bool deviceConnected(MidiHandle handle) override { return backend_->deviceConnected(handle); }
    bool serviceAvailable() override { return backend_->serviceAvailable(); }
    bool connectService() override { return backend_->connectService(); }
    ServiceProblem serviceProblem() override { return backend_->serviceProblem(); }

  private:
    std::unique_ptr<MidiBackend> backend_;
    std::function<MidiSystem()> firstSystem_; // until current() asked it once
    MidiSystem system_ = MidiSystem::Jack;
    Make make_;
    std::function<void()> activity_, devices_;
};

} // namespace moxel
