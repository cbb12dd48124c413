#include "app/headless/RunningInstanceCommand.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "app/headless/ProgramStart.h"
#include "app/platform/InstanceFolder.h"
#include "app/platform/InstanceRequests.h"
#include "app/platform/SingleInstance.h"

namespace moxel {

namespace {

// How long the asking end waits for the running Moxel to carry the request
// out: longer than a wait for the relay may take (RelayBackend::waitLimit).
constexpr std::chrono::milliseconds kCarryOutLimit(3000);

int fail(const std::string& why) {
    std::fprintf(stderr, "moxel: %s\n", why.c_str());
    return kExitNoAnswer;
}

} // namespace

int askRunningInstanceFor(const InstanceRequest& request) {
    const InstanceFolder folder = instanceFolder();
    if (folder.path.empty()) {
        return fail("cannot reach a running Moxel: " + folder.problem);
    }
    const std::string lock = folder.path + "/moxel.lock";
    // Asked only while nobody listens on the socket: a Moxel that holds the
    // lock is still starting, and will.
    const auto someoneRuns = [&lock] { return !SingleInstance(lock).acquired(); };
    switch (
        askRunningInstance(folder.path + "/moxel.socket", request, kCarryOutLimit, someoneRuns)) {
    case RequestAnswer::Taken:
        return kExitDone;
    case RequestAnswer::NobodyListens:
        return fail("Moxel is not running; start it first");
    case RequestAnswer::NotUnderstood:
        return fail("the running Moxel is an earlier one that takes no commands; end it, then "
                    "start Moxel again");
    case RequestAnswer::Refused:
        return fail("the running Moxel refused the command");
    case RequestAnswer::None:
        break;
    }
    return fail("Moxel is running but does not answer (it may be stopped or hung)");
}

} // namespace moxel
