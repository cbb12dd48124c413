#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "app/presenter/ProblemSink.h"
#include "midi/MidiBackend.h"
#include "settings/WriteOutcome.h"

namespace moxel {

// What each problem the user must hear of says. Those of the settings file
// name the file and the reason after their first line.

// The file is there but cannot be read: its keys read their defaults.
Problem settingsUnreadable(const std::filesystem::path& file, const std::string& reason);
// A change could not be saved (or cannot be stored at all).
Problem settingNotSaved(const std::filesystem::path& file, const WriteOutcome& outcome);
// Another program keeps the file: changes wait for it.
Problem settingsKeptBusy(const std::filesystem::path& file, const std::string& reason);
// Moxel may be running twice.
Problem instanceUnchecked(const std::string& reason);
// The device the user chose is held by another application.
Problem deviceInUse(const std::string& name, bool input);
// Why the MIDI service cannot be reached, where that is the user's to put
// right (said at once too); nothing where it is not (a server that is not
// running yet).
std::optional<Problem> serviceUnreachable(midi::ServiceProblem problem);

} // namespace moxel
