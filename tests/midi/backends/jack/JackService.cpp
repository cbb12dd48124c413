// The contract against the JACK backend on a private server: each device is
// a scripted client with a MIDI output and a MIDI input port.
#include <map>

#include "midi/backends/jack/JackBackend.h"
#include "midi/contract/ServiceUnderTest.h"
#include "peer/JackPeer.h"
#include "peer/JackServer.h"

namespace moxel::test {
namespace {

class JackService final : public ServiceUnderTest {
  public:
    JackService() {
        EXPECT_TRUE(server_.running()) << server_.error();
        // With several private servers starting at once a client open now
        // and then fails; like the window's re-find, a listing tries again.
        EXPECT_TRUE(waitUntil([&] {
            backend_.inputs();
            return backend_.serviceAvailable();
        }));
    }
    ~JackService() override { peers_.clear(); }

    midi::MidiBackend& backend() override { return backend_; }
    RelayShared& shared() override { return shared_; }

    Listed plugIn(const std::string& device) override {
        auto& peer = peers_[device] = std::make_unique<JackPeer>(device);
        EXPECT_TRUE(peer->ok());
        return {peer->sourcePort(), peer->sinkPort()};
    }
    void unplug(const std::string& device) override { peers_.erase(device); }
    void play(const std::string& device, const std::vector<Bytes>& events) override {
        JackPeer& peer = *peers_.at(device);
        std::vector<ScheduledEvent> batch;
        for (const Bytes& e : events) {
            batch.push_back({e, 0});
        }
        const std::size_t before = peer.sent().size();
        ASSERT_TRUE(peer.sendBatch(batch));
        ASSERT_TRUE(peer.waitForSent(before + batch.size()));
    }
    std::vector<Bytes> heard(const std::string& device, std::size_t count) override {
        JackPeer& peer = *peers_.at(device);
        peer.waitForReceived(count);
        return peer.receivedBytes();
    }

  private:
    JackServer server_;
    RelayShared shared_;
    midi::JackBackend backend_{shared_};
    std::map<std::string, std::unique_ptr<JackPeer>> peers_;
};

std::unique_ptr<ServiceUnderTest> makeJackService() {
    return std::make_unique<JackService>();
}

INSTANTIATE_TEST_SUITE_P(Jack, BackendContract, ::testing::Values(&makeJackService), serviceName);

} // namespace
} // namespace moxel::test
