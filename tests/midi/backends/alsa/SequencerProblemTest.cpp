// Why the sequencer cannot be opened, told by the backend; alsa-lib's own
// error printing kept quiet.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "midi/backends/alsa/AlsaBackend.h"
#include "relay/RelayShared.h"

namespace moxel {
namespace {

TEST(SequencerProblem, AFailedOpenIsToldForWhatTheUserCanDo) {
    const struct {
        int error;
        ServiceProblem problem;
    } opens[] = {
        {0, ServiceProblem::None},
        {-ENOENT, ServiceProblem::SequencerMissing}, // no /dev/snd/seq
        {-ENODEV, ServiceProblem::SequencerMissing}, // a device node without its module
        {-ENXIO, ServiceProblem::SequencerMissing},
        {-EACCES, ServiceProblem::SequencerNotPermitted},
        {-EPERM, ServiceProblem::SequencerNotPermitted},
        {-EMFILE, ServiceProblem::SequencerFailed},
        {-EBUSY, ServiceProblem::SequencerFailed},
    };
    for (const auto& open : opens) {
        EXPECT_EQ(sequencerProblem(open.error), open.problem) << open.error;
    }
}

TEST(SequencerProblem, WithoutTheDeviceTheBackendSaysWhyAndAlsaLibPrintsNothing) {
    if (std::filesystem::exists("/dev/snd/seq")) {
        GTEST_SKIP() << "this machine has a sequencer";
    }
    ::testing::internal::CaptureStderr();
    RelayShared shared;
    AlsaBackend backend(shared);
    const bool available = backend.serviceAvailable();
    const bool again = backend.connectService(); // as the window's search does
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(available || again);
    EXPECT_EQ(backend.serviceProblem(), ServiceProblem::SequencerMissing);
}

} // namespace
} // namespace moxel
