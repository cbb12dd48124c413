#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/presenter/ChoiceList.h"
#include "app/window/MainView.h"
#include "midi/MidiBackend.h"

namespace moxel {

// What one entry of a device list stands for.
enum class EntryState {
    Ok,         // a device, listed (or opened) under its name
    InUse,      // a device that another application holds
    Unreadable, // a device whose name could not be read
    Absent,     // the wanted device, not connected now
    NotFound,   // the placeholder of a list without devices
};

struct DeviceListEntry {
    int id = -1;       // the device's id (its position in the listing); -1 for no device
    std::string name;  // the device's name (Ok, InUse), the wanted device's (Absent), else ""
    std::string owner; // what the device belongs to, "" when unknown
    EntryState state = EntryState::NotFound;
    std::string text; // what the list shows

    // Only an entry shown with its device's name names a device: it may be
    // found by name, stored as a default, looked up in the channel table.
    bool namesDevice() const { return state == EntryState::Ok; }
};

// One device list of the window (MidiIn or MidiOut), what each entry stands
// for and which one is selected. Every change of the entries goes through
// here and is drawn at once, so what the list shows and what the presenter
// knows stay one: the presenter never reads a name back out of the text
// shown, nor the selection out of the view.
class DeviceList {
  public:
    DeviceList(MainView& view, ListId list) : shown_(view, list), list_(list) {}

    // Shows a listing of the service: one entry per device, in its order
    // (entry i is device i), else the placeholder alone. Nothing is selected.
    void show(const std::vector<midi::DeviceCaps>& devices);
    // The devices of the last listing.
    int deviceCount() const { return deviceCount_; }

    // The entry at that position; an entry that stands for nothing when
    // there is none.
    const DeviceListEntry& at(int position) const;
    int selectedPosition() const { return shown_.selected(); } // -1: none
    const DeviceListEntry& selected() const { return at(selectedPosition()); }
    void select(int position) { shown_.select(position); }
    // The first entry that names the device of that name; -1 when none does
    // or the name is empty.
    int positionOf(std::string_view name) const;
    // The first entry that a stored device name (a default) names, else the
    // first whose name the stored one, cut short, begins; -1 when none.
    int positionOfStored(std::string_view storedName) const;

    // The device at that position opened under that name.
    void showOpened(int position, const std::string& name);
    // The device at that position is held by another application.
    void showInUse(int position);
    // Adds the entry of the wanted device that is not connected, and selects it.
    void showAbsent(const std::string& name);

  private:
    void redraw(int position);

    ChoiceList shown_;
    ListId list_;
    std::vector<DeviceListEntry> entries_;
    int deviceCount_ = 0;
};

} // namespace moxel
