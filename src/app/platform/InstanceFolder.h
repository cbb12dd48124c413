#pragma once

#include <string>
#include <sys/types.h>

namespace moxel {

// The folder of this user's running Moxel, for its instance lock
// ("moxel.lock", SingleInstance.h) and the socket a second start asks on
// ("moxel.socket", ShowRequests.h). Nobody but the user may write there, so
// nobody else can take the lock or the socket first. POSIX systems.
struct InstanceFolder {
    std::string path;    // empty when there is no such folder
    std::string problem; // then why not
};

// The runtime folder (runtimeFolder, from XDG_RUNTIME_DIR) when it is a
// folder of the user's that nobody else may write to. Otherwise the folder
// "moxel-<user>" in the temporary folder (tempFolder; /tmp unless absolute), made
// with mode 0700 when it is missing, and taken only when it is a folder
// itself (not a link) of the user's, with no access for anyone else.
InstanceFolder chooseInstanceFolder(const std::string& runtimeFolder, const std::string& tempFolder,
                                    uid_t user);

// chooseInstanceFolder from XDG_RUNTIME_DIR, TMPDIR and this process's user.
InstanceFolder instanceFolder();

} // namespace moxel
