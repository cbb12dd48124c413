#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "midi/MidiBackend.h"
#include "relay/RelayEngine.h"
#include "relay/ResetSequence.h"

namespace moxel {

// A scripted MIDI service for tests: devices with names, name-query failures
// and open results chosen by the test; every call is logged and every message
// that leaves is recorded. The relay rule runs synchronously.
class FakeBackend : public MidiBackend {
  public:
    struct Device {
        CapsResult caps = CapsResult::Ok;
        std::string name;
        OpenResult open = OpenResult::Ok;
    };

    explicit FakeBackend(RelayShared& shared) : engine_(shared) {}

    std::vector<Device> inputs;
    std::vector<Device> outputs;
    std::vector<std::string> calls;              // "openInput 0", "closeOutput 2", ...
    std::vector<std::vector<std::uint8_t>> sent; // what reached the output
    bool sendFails = false;                      // the service refuses to send

    // A message arrives on the open input (or on a closed one).
    void receive(std::vector<std::uint8_t> bytes);

    MidiHandle openInputHandle() const { return inputHandle_; }
    MidiHandle openOutputHandle() const { return outputHandle_; }
    int openInputId() const { return inputId_; }
    int openOutputId() const { return outputId_; }

    int inputCount() override;
    DeviceCaps inputCaps(int id) override;
    int outputCount() override;
    DeviceCaps outputCaps(int id) override;
    OpenResult openInput(int id, MidiHandle& handle) override;
    void startInput(MidiHandle handle) override;
    void closeInput(MidiHandle handle) override;
    OpenResult openOutput(int id, MidiHandle& handle) override;
    void resetOutput(MidiHandle handle) override;
    void closeOutput(MidiHandle handle) override;
    bool sendShort(MidiHandle handle, std::uint32_t message) override;
    void setActivityCallback(std::function<void()> callback) override;

  private:
    bool deliver(std::vector<std::uint8_t> bytes, MessageSource source);
    OpenResult open(const std::vector<Device>& list, int id, MidiHandle& handle, const char* what);

    RelayEngine engine_;
    std::function<void()> activity_;
    MidiHandle nextHandle_ = 0x100;
    MidiHandle inputHandle_ = 0;
    MidiHandle outputHandle_ = 0;
    int inputId_ = -1;
    int outputId_ = -1;
};

} // namespace moxel
