#pragma once

#include "app/window/InstanceRequest.h"

namespace moxel {

// A command to the running Moxel of this user (--panic, --program N), which
// FrmMIDIMain::carryOut carries out there: sends the request, and says on the
// error output why it was not taken when it was not. It opens no MIDI device
// nor service, reads no settings, needs no display and never starts a Moxel.
// The exit status: 0 when the running Moxel took it, 3 otherwise.
int askRunningInstanceFor(const InstanceRequest& request);

} // namespace moxel
