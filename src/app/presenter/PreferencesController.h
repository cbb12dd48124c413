#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "app/presenter/ProblemSink.h"
#include "app/presenter/SettingsWrites.h"
#include "app/window/MainView.h"
#include "midi/MidiSystems.h"

namespace moxel {

class RelayShared;

// Choices for one run that stand in for what setting.ini holds and are never
// stored (the command line's): the default input and output by name, one
// channel for every output in place of each one's own (in rewrite mode), or
// follow mode. And whether the run only reads setting.ini: then what the
// settings commands choose acts for the run and is not stored.
struct RunChoices {
    std::string input, output;  // "": the stored default
    std::optional<int> channel; // the channel list's position 0..15
    bool follow = false;
    bool settingsReadOnly = false;
};

// The choices Moxel remembers in setting.ini: the default input and output,
// each output's channel, always on top and follow mode. Read at start-up,
// written by the four settings commands, each at once (or, while another
// program holds the file, as soon as it is free: see SettingsWrites).
//
// Of the relay's shared state it writes the follow mode
// (followInputChannel), read from the file and toggled by its command: the
// relay itself decides, message by message, whether a message keeps its
// channel, so the option has to be where the relay reads it.
class PreferencesController {
  public:
    PreferencesController(MainView& view, RelayShared& relay, SettingsWrites& settings,
                          ProblemSink& problems, RunChoices run = {});

    // The start-up read: both default names, then the two options (only the
    // value 1 sets a check mark or the window on top), the run's choices in
    // place of what they stand for. A file that is there but cannot be read
    // (not a regular file, too large, no permission) is told once; its keys
    // read their defaults.
    void load(std::filesystem::path settingsFile);

    // The defaults from here on are those of that MIDI system: each keeps
    // its own (JACK's, and where there is no choice the only service's, under
    // DefaultMidiIn/Out; the ALSA sequencer's under AlsaDefaultMidiIn/Out),
    // so using one never loses the other's. Read again from the file.
    void useDefaultsOf(const midi::MidiSystem& system);
    // Stores the MIDI system chosen in the menu.
    void storeMidiSystem(const midi::MidiSystem& system);

    // The default device of MidiIn or MidiOut ("" when none is stored).
    const std::string& defaultDevice(ListId list) const;
    // Makes the name the default of that list and stores it.
    void setDefaultDevice(ListId list, const std::string& name);

    // The channel text stored for an output device, "0" when none is (the
    // run's channel when it has one).
    std::string storedChannel(const std::string& deviceName) const;
    void storeChannel(const std::string& deviceName, const std::string& channel);

    // The two options, toggled by what they hold (any value other than 0
    // counts as on), stored as "0" or "1".
    void toggleTopMost();
    void toggleFollowInputChannel();

    // As read, 0 or 1 after a toggle; the value 2 of a hand-edited file is
    // kept, since only 1 puts the window on top.
    std::int32_t windowTopMost() const { return windowTopMost_; }
    // As read, 0 or 1 after a toggle; any value other than 0 is follow mode.
    std::int32_t followInputChannel() const { return followInputChannel_; }

  private:
    // Stores one key; a write that fails (or cannot be made) is told, and
    // the choice still acts.
    void write(const std::string& key, const std::string& value);
    void readDefaults();

    MainView& view_;
    RelayShared& relay_;
    SettingsWrites& settings_;
    ProblemSink& problems_;
    RunChoices run_;

    std::string settingsPrefix_; // the MIDI system's (MidiSystem::settingsPrefix)
    std::string defaultInput_;
    std::string defaultOutput_;
    std::int32_t windowTopMost_ = 0;
    std::int32_t followInputChannel_ = 0;
};

} // namespace moxel
