// The contract against the ALSA sequencer backend, on the real kernel's
// sequencer (in the test guest): each device is a scripted sequencer client
// with a readable and a writable port.
#include <map>

#include "midi/backends/alsa/AlsaBackend.h"
#include "midi/contract/ServiceUnderTest.h"
#include "peer/AlsaPeer.h"

namespace moxel::test {
namespace {

using namespace std::chrono_literals;

class AlsaService final : public ServiceUnderTest {
  public:
    AlsaService() { EXPECT_TRUE(backend_.serviceAvailable()) << backend_.error(); }
    ~AlsaService() override { peers_.clear(); }

    midi::MidiBackend& backend() override { return backend_; }
    RelayShared& shared() override { return shared_; }

    Listed plugIn(const std::string& device) override { return add(device, {}); }
    // Reads every 10 ms, with the queue the kernel gives every client (200).
    Listed plugInOrdinaryReader(const std::string& device) override { return add(device, 10ms); }
    void unplug(const std::string& device) override { peers_.erase(device); }
    // As a fast device plays: a batch a millisecond at most (about 1 MB of
    // SysEx a second, some 300 times a MIDI cable's pace). The sequencer has
    // no flow control: a receiver whose queue overflows loses what it holds.
    void play(const std::string& device, const std::vector<Bytes>& events) override {
        for (const Bytes& e : events) {
            EXPECT_TRUE(peers_.at(device)->send(e));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::vector<Bytes> heard(const std::string& device, std::size_t count) override {
        AlsaPeer& peer = *peers_.at(device);
        peer.waitForReceived(count);
        return peer.receivedBytes();
    }

  private:
    Listed add(const std::string& device, std::chrono::milliseconds readEvery) {
        auto& peer = peers_[device] = std::make_unique<AlsaPeer>(device, readEvery);
        EXPECT_TRUE(peer->ok());
        return {peer->sourcePort(), peer->sinkPort()};
    }

    RelayShared shared_;
    midi::AlsaBackend backend_{shared_};
    std::map<std::string, std::unique_ptr<AlsaPeer>> peers_;
};

std::unique_ptr<ServiceUnderTest> makeAlsaService() {
    return std::make_unique<AlsaService>();
}

INSTANTIATE_TEST_SUITE_P(Alsa, BackendContract, ::testing::Values(&makeAlsaService), serviceName);

} // namespace
} // namespace moxel::test
