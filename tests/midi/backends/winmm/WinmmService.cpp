// The contract against the winmm backend, with a scripted multimedia service
// behind its function table: devices come and go as the system's
// device-change message would tell, the driver delivers what is played.
#include <algorithm>

#include "FakeWinmm.h"
#include "encoding/Utf16.h"
#include "midi/backends/winmm/WinmmBackend.h"
#include "midi/contract/ServiceUnderTest.h"

namespace moxel::test {
namespace {

bool isSysex(const Bytes& e) {
    return e[0] == 0xF0 || e[0] == 0xF7 || e[0] < 0x80;
}

class WinmmService final : public ServiceUnderTest {
  public:
    midi::MidiBackend& backend() override { return backend_; }
    RelayShared& shared() override { return shared_; }

    Listed plugIn(const std::string& device) override {
        winmm_.inputs.push_back({utf16FromUtf8(device)});
        winmm_.outputs.push_back({utf16FromUtf8(device)});
        heardBefore_[device] = winmm_.heardBy(utf16FromUtf8(device)).size();
        backend_.checkDevices();
        return {device, device};
    }
    void unplug(const std::string& device) override {
        const auto named = [&](const FakeWinmm::Device& d) {
            return d.name == utf16FromUtf8(device);
        };
        std::erase_if(winmm_.inputs, named);
        std::erase_if(winmm_.outputs, named);
        backend_.checkDevices();
    }
    // The driver delivers what the open input plays: short messages as they
    // are, SysEx in the buffers the backend handed over (waiting for one to
    // come back when all are in use).
    void play(const std::string& device, const std::vector<Bytes>& events) override {
        if (winmm_.openInput() != utf16FromUtf8(device)) {
            return;
        }
        for (const Bytes& e : events) {
            if (!isSysex(e) && e.size() <= 3) {
                midi::ShortMessage bytes{};
                std::copy(e.begin(), e.end(), bytes.begin());
                winmm_.receive(midi::pack(bytes));
            } else {
                EXPECT_TRUE(waitUntil([&] { return winmm_.receiveSysex(e); }));
            }
        }
    }
    std::vector<Bytes> heard(const std::string& device, std::size_t count) override {
        std::vector<Bytes> got;
        waitUntil([&] {
            got = winmm_.heardBy(utf16FromUtf8(device));
            got.erase(got.begin(), got.begin() + static_cast<long>(heardBefore_[device]));
            return got.size() >= count;
        });
        return got;
    }

  private:
    FakeWinmm winmm_;
    RelayShared shared_;
    midi::WinmmBackend backend_{shared_, winmm_.api()};
    std::map<std::string, std::size_t> heardBefore_;
};

std::unique_ptr<ServiceUnderTest> makeWinmmService() {
    return std::make_unique<WinmmService>();
}

INSTANTIATE_TEST_SUITE_P(Winmm, BackendContract, ::testing::Values(&makeWinmmService), serviceName);

} // namespace
} // namespace moxel::test
