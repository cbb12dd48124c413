#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "midi/MidiBackend.h"
#include "relay/RelayEngine.h"

namespace moxel {

// A scripted MIDI service for the presenter's tests: devices with names,
// name-query failures and open results chosen by the test; the calls that
// matter are logged ("openInput 0", "closeOutput 2") and every message that
// leaves is recorded. The relay rule runs synchronously.
class FakeBackend : public MidiBackend {
  public:
    struct Device {
        CapsResult caps = CapsResult::Ok;
        std::string name;
        OpenResult open = OpenResult::Ok;
        std::string owner;
    };

    explicit FakeBackend(RelayShared& shared) : engine_(shared) {}

    std::vector<Device> inputs, outputs;
    std::vector<std::string> calls;
    std::vector<std::vector<std::uint8_t>> sent; // what reached the output
    bool service = true;                         // the MIDI service can be reached
    std::function<void()> onOutputOpened;        // the relay may send from here on

    // The devices or the service changed (after the test changed them): the
    // backend tells the window.
    void announceChange() {
        if (devicesChanged_) {
            devicesChanged_();
        }
    }

    // A message arrives on the input (open or not).
    void receive(std::vector<std::uint8_t> bytes);

    MidiHandle openInputHandle() const { return input_.handle; }
    MidiHandle openOutputHandle() const { return output_.handle; }
    int openInputId() const { return input_.id; }
    int openOutputId() const { return output_.id; }

    int inputCount() override { return count("inputCount", inputs); }
    DeviceCaps inputCaps(int id) override { return capsOf(inputs, id); }
    int outputCount() override { return count("outputCount", outputs); }
    DeviceCaps outputCaps(int id) override { return capsOf(outputs, id); }
    OpenResult openInput(int id, MidiHandle& handle) override;
    void startInput(MidiHandle handle) override;
    void closeInput(MidiHandle handle) override;
    OpenResult openOutput(int id, MidiHandle& handle) override;
    void resetOutput(MidiHandle handle) override;
    void closeOutput(MidiHandle handle) override;
    bool sendShort(MidiHandle handle, std::uint32_t message) override;
    void setActivityCallback(std::function<void()> callback) override {
        activity_ = std::move(callback);
    }
    void setDeviceChangeCallback(std::function<void()> callback) override {
        devicesChanged_ = std::move(callback);
    }
    bool serviceAvailable() override { return service; }
    bool deviceConnected(MidiHandle handle) override;
    bool connectService() override {
        calls.emplace_back("connectService");
        return service;
    }

  private:
    struct Open {
        MidiHandle handle = 0;
        int id = -1;
        std::string name;
    };
    int count(const char* what, const std::vector<Device>& list);
    static DeviceCaps capsOf(const std::vector<Device>& list, int id);
    OpenResult open(const std::vector<Device>& list, int id, MidiHandle& handle, Open& into,
                    const char* what);
    void log(const char* what, int id) { calls.push_back(what + (" " + std::to_string(id))); }
    void deliver(std::vector<std::uint8_t> bytes, MessageSource source);
    void wakeOnNews();

    RelayEngine engine_;
    std::function<void()> activity_, devicesChanged_;
    MidiHandle nextHandle_ = 0x100;
    Open input_, output_;
};

} // namespace moxel
