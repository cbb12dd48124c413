#pragma once

#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "midi/MidiBackend.h"

namespace moxel::midi {

// A backend that is made on a thread of its own while the program shows its
// window: opening a MIDI service is mostly waiting for it. The first call
// waits until it is made (or makes it, when making was not started); after
// that every call goes straight through. The calls themselves come from one
// thread (the UI's), as for any backend.
class BackgroundOpenedBackend final : public MidiBackend {
  public:
    using Make = std::function<std::unique_ptr<MidiBackend>()>;
    explicit BackgroundOpenedBackend(Make make);
    ~BackgroundOpenedBackend() override;
    BackgroundOpenedBackend(const BackgroundOpenedBackend&) = delete;
    BackgroundOpenedBackend& operator=(const BackgroundOpenedBackend&) = delete;

    // Starts making the backend on a thread of its own; once only.
    void startMaking();
    // The backend, once it is made.
    MidiBackend& made();

    std::vector<DeviceCaps> inputs() override { return made().inputs(); }
    std::vector<DeviceCaps> outputs() override { return made().outputs(); }
    OpenResult openInput(int id, MidiHandle& handle) override {
        return made().openInput(id, handle);
    }
    std::string openName(MidiHandle handle) override { return made().openName(handle); }
    void startInput(MidiHandle handle) override { made().startInput(handle); }
    void closeInput(MidiHandle handle) override { made().closeInput(handle); }
    OpenResult openOutput(int id, MidiHandle& handle) override {
        return made().openOutput(id, handle);
    }
    void resetOutput(MidiHandle handle) override { made().resetOutput(handle); }
    void closeOutput(MidiHandle handle) override { made().closeOutput(handle); }
    bool sendShort(MidiHandle handle, std::uint32_t message) override {
        return made().sendShort(handle, message);
    }
    void setNewsCallback(News kind, std::function<void()> callback) override {
        made().setNewsCallback(kind, std::move(callback));
    }
    bool deviceConnected(MidiHandle handle) override { return made().deviceConnected(handle); }
    bool serviceAvailable() override { return made().serviceAvailable(); }
    bool lookForService() override { return made().lookForService(); }
    ServiceProblem serviceProblem() override { return made().serviceProblem(); }

  private:
    Make make_;
    std::unique_ptr<MidiBackend> backend_;
    std::thread making_;
};

} // namespace moxel::midi
