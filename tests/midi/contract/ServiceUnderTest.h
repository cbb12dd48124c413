#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "midi/MidiBackend.h"
#include "peer/WaitUntil.h"
#include "relay/RelayShared.h"

namespace moxel::test {

using Bytes = std::vector<std::uint8_t>;

// A MIDI service with one of Moxel's backends on it, and devices around it
// that the contract's cases play on and listen to: scripted devices for the
// fake backend, other clients' ports for JACK and ALSA, a scripted driver
// behind winmm. Devices are named by the test ("keys", "synth"); a device
// can both play (an input for Moxel) and listen (an output for Moxel).
class ServiceUnderTest {
  public:
    virtual ~ServiceUnderTest() = default;

    virtual midi::MidiBackend& backend() = 0;
    virtual RelayShared& shared() = 0;

    // Adds a device (or brings one that was unplugged back, under its name);
    // the names the backend lists it under as an input and as an output.
    struct Listed {
        std::string input, output;
    };
    virtual Listed plugIn(const std::string& device) = 0;
    // A device that reads at an ordinary pace, as a program with a main loop
    // does (where the service paces its receivers itself, any device).
    virtual Listed plugInOrdinaryReader(const std::string& device) { return plugIn(device); }
    // The device goes away, as when its cable is pulled or its program quits.
    virtual void unplug(const std::string& device) = 0;

    // The device plays these, at once (in one cycle where the service has
    // cycles); a SysEx may come in several chunks.
    virtual void play(const std::string& device, const std::vector<Bytes>& events) = 0;
    // Everything the device has heard (since it was last plugged in), once
    // it has heard at least `count` events or a few seconds passed.
    virtual std::vector<Bytes> heard(const std::string& device, std::size_t count) = 0;

    // The largest chunk of a SysEx the service carries in one event.
    virtual std::size_t sysexChunk() const { return 256; }
};

using MakeService = std::unique_ptr<ServiceUnderTest> (*)();

// The contract's cases named by the service alone (not by the address of
// its maker), so that their names stay the same from run to run.
inline std::string serviceName(const ::testing::TestParamInfo<MakeService>& /*info*/) {
    return "cases";
}
// The contract every backend keeps, run against each of them:
//   INSTANTIATE_TEST_SUITE_P(Jack, BackendContract, ::testing::Values(&makeJackService),
//                            serviceName);
class BackendContract : public ::testing::TestWithParam<MakeService> {
  protected:
    void SetUp() override {
        service = GetParam()();
        ASSERT_NE(service, nullptr);
    }
    midi::MidiBackend& backend() { return service->backend(); }
    RelayShared& shared() { return service->shared(); }

    // Plugs a device in and remembers its names.
    void plugIn(const std::string& device) { names_[device] = service->plugIn(device); }
    // Opens a device as Moxel's input (started) or output; the handle or 0.
    midi::MidiHandle openInput(const std::string& device);
    midi::MidiHandle openOutput(const std::string& device);
    // Once the connections of a device just opened are in effect: a marker
    // from the source reaches the device (played again until it does).
    bool flowing(const std::string& source, const std::string& device);
    // Plugs both in, opens them as Moxel's input and output and waits until
    // MIDI flows: the two handles, or zeros.
    std::pair<midi::MidiHandle, midi::MidiHandle> connect(const std::string& source,
                                                          const std::string& device);
    // What the device heard up to a marker the source plays after
    // everything before: nothing that came before the marker is missing.
    std::vector<Bytes> heardSoFar(const std::string& source, const std::string& device);

    std::unique_ptr<ServiceUnderTest> service;
    std::map<std::string, ServiceUnderTest::Listed> names_;
    int markers_ = 0;
};

} // namespace moxel::test
