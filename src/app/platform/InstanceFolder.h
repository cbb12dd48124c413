#pragma once

#include <string>
#include <sys/types.h>

namespace moxel {

// The folder of this user's running Moxel, for its instance lock
// ("moxel.lock", SingleInstance.h) and the socket a second start asks on
// ("moxel.socket", InstanceRequests.h). Nobody but the user may write there, so
// nobody else can take the lock or the socket first. POSIX systems.
struct InstanceFolder {
    std::string path;    // empty when there is no such folder
    std::string problem; // then why not
};

// The first that is a private folder of the user's:
// - the runtime folder (runtimeFolder, from XDG_RUNTIME_DIR) when it is a
//   folder of the user's that nobody else may write to;
// - the folder "moxel-<user>" in the temporary folder (tempFolder; /tmp
//   unless absolute);
// - the folder "moxel" in the user's state folder (stateFolder, absolute),
//   which only the user can make, so that a folder someone else made first in
//   the temporary folder cannot leave Moxel unguarded.
// The last two are made with mode 0700 when missing (the state folder with
// the folders above it), and taken only when they are a folder itself (not a
// link) of the user's, with no access for anyone else. The problem names
// each folder tried and why it was not taken.
InstanceFolder chooseInstanceFolder(const std::string& runtimeFolder, const std::string& tempFolder,
                                    const std::string& stateFolder, uid_t user);

// chooseInstanceFolder from XDG_RUNTIME_DIR, TMPDIR, XDG_STATE_HOME (else
// $HOME/.local/state) and this process's user.
InstanceFolder instanceFolder();

} // namespace moxel
