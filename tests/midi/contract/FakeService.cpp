// The contract against the fake backend: scripted devices, a relay that
// runs on the test's thread.
#include <algorithm>

#include "ServiceUnderTest.h"
#include "support/FakeBackend.h"

namespace moxel::test {
namespace {

class FakeService final : public ServiceUnderTest {
  public:
    midi::MidiBackend& backend() override { return backend_; }
    RelayShared& shared() override { return shared_; }

    Listed plugIn(const std::string& device) override {
        const Listed names{device + ":out", device + ":in"};
        backend_.inputs.push_back(
            {midi::CapsResult::Ok, names.input, midi::OpenResult::Ok, device});
        backend_.outputs.push_back(
            {midi::CapsResult::Ok, names.output, midi::OpenResult::Ok, device});
        backend_.sentTo.erase(names.output);
        backend_.announceChange();
        return names;
    }
    void unplug(const std::string& device) override {
        std::erase_if(backend_.inputs, [&](const auto& d) { return d.owner == device; });
        std::erase_if(backend_.outputs, [&](const auto& d) { return d.owner == device; });
        backend_.announceChange();
    }
    // Only the open input reaches the relay.
    void play(const std::string& device, const std::vector<Bytes>& events) override {
        const int id = backend_.openInputId();
        if (id < 0 || id >= static_cast<int>(backend_.inputs.size()) ||
            backend_.inputs[static_cast<std::size_t>(id)].owner != device) {
            return;
        }
        for (const Bytes& e : events) {
            backend_.receive(e);
        }
    }
    std::vector<Bytes> heard(const std::string& device, std::size_t /*count*/) override {
        return backend_.sentTo[device + ":in"];
    }

  private:
    RelayShared shared_;
    FakeBackend backend_{shared_};
};

std::unique_ptr<ServiceUnderTest> makeFakeService() {
    return std::make_unique<FakeService>();
}

INSTANTIATE_TEST_SUITE_P(Fake, BackendContract, ::testing::Values(&makeFakeService), serviceName);

} // namespace
} // namespace moxel::test
