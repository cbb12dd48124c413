#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "midi/RelayBackend.h"

namespace moxel {

// A scripted MIDI service for tests: devices with names, name-query failures
// and open results chosen by the test, and a relay that runs on the caller's
// thread (each wake is one cycle, run at once). The service's calls are
// logged ("openInput 0", "resetOutput 1", "closeOutput 2") and every message
// that leaves is recorded.
class FakeBackend : public midi::RelayBackend {
  public:
    struct Device {
        midi::CapsResult caps = midi::CapsResult::Ok;
        std::string name;
        midi::OpenResult open = midi::OpenResult::Ok;
        std::string owner;
    };

    explicit FakeBackend(RelayShared& shared)
        : midi::RelayBackend(shared, Relay::Delivery::OnWrite) {}

    std::vector<Device> inputs, outputs;
    std::vector<std::string> calls;
    std::vector<std::vector<std::uint8_t>> sent;                          // what reached the output
    std::map<std::string, std::vector<std::vector<std::uint8_t>>> sentTo; // by output's name
    bool service = true;                                       // the MIDI service can be reached
    midi::ServiceProblem problem = midi::ServiceProblem::None; // why not, when it cannot
    std::function<void()> onOutputOpened;                      // the relay may send from here on

    // The devices or the service changed (after the test changed them): the
    // backend tells the window.
    void announceChange() { tellNews(midi::News::Devices); }

    // A message (or a SysEx chunk) arrives on the input, open or not: the
    // relay runs a cycle with it.
    void receive(std::vector<std::uint8_t> bytes);

    int openInputId() const { return inputId_; }
    int openOutputId() const { return outputId_; }

    bool serviceAvailable() override { return service; }
    bool lookForService() override {
        calls.emplace_back("lookForService");
        return service;
    }
    midi::ServiceProblem serviceProblem() override { return problem; }

  private:
    class Writer;
    std::vector<midi::DeviceCaps> list(midi::Direction side) override;
    midi::OpenResult connect(midi::Direction side, int id, midi::DeviceCaps& device) override;
    void disconnect(midi::Direction side) override;
    bool connected(midi::Direction side) override;
    void startInputDevice() override { log("startInput", inputId_); }
    void wakeRelay() override { runCycle(); }

    std::vector<midi::DeviceCaps> listing(const std::vector<Device>& devices) const;
    void log(const char* what, int id) { calls.push_back(what + (" " + std::to_string(id))); }
    void runCycle();

    std::deque<std::vector<std::uint8_t>> arrived_;
    int inputId_ = -1, outputId_ = -1;
    std::string outputDevice_; // the open output's name
};

} // namespace moxel
