#include "app/presenter/DeviceList.h"

#include "app/window/Texts.h"
#include "midi/DeviceEntry.h"

namespace moxel {

namespace {

// An input another application holds says so when listed; an output has no
// such text at listing time.
DeviceListEntry listedEntry(int id, const midi::DeviceCaps& caps, bool input) {
    DeviceListEntry entry{id, "", caps.owner, EntryState::Unreadable, ""};
    if (caps.result == midi::CapsResult::Ok) {
        entry.name = midi::TrimDeviceName(caps.name);
        entry.state = EntryState::Ok;
        entry.text = midi::deviceEntryText(id, entry.name);
    } else if (caps.result == midi::CapsResult::Allocated && input) {
        entry.state = EntryState::InUse;
        entry.text = midi::deviceEntryText(id, midi::kAllocOther);
    } else {
        entry.text = midi::deviceEntryText(id, midi::kCapsFailed);
    }
    return entry;
}

} // namespace

void DeviceList::show(const std::vector<midi::DeviceCaps>& devices) {
    const bool input = list_ == ListId::MidiIn;
    entries_.clear();
    deviceCount_ = static_cast<int>(devices.size());
    for (int id = 0; id < deviceCount_; ++id) {
        entries_.push_back(listedEntry(id, devices[static_cast<std::size_t>(id)], input));
    }
    if (entries_.empty()) {
        entries_.push_back({-1, "", "", EntryState::NotFound,
                            std::string(input ? midi::kMidiInNotFound : midi::kMidiOutNotFound)});
    }
    std::vector<std::string> texts;
    for (const DeviceListEntry& entry : entries_) {
        texts.push_back(entry.text);
    }
    shown_.show(texts);
}

const DeviceListEntry& DeviceList::at(int position) const {
    static const DeviceListEntry none{};
    return position >= 0 && position < static_cast<int>(entries_.size())
               ? entries_[static_cast<std::size_t>(position)]
               : none;
}

int DeviceList::positionOf(std::string_view name) const {
    for (int position = 0; position < deviceCount_ && !name.empty(); ++position) {
        const DeviceListEntry& entry = at(position);
        if (entry.namesDevice() && entry.name == name) {
            return position;
        }
    }
    return -1;
}

int DeviceList::positionOfStored(std::string_view storedName) const {
    for (const bool cut : {false, true}) {
        for (int position = 0; position < deviceCount_; ++position) {
            const DeviceListEntry& entry = at(position);
            if (entry.namesDevice() &&
                (cut ? midi::cutStoredNameBeginsEntry(entry.name, storedName)
                     : midi::storedNameMatchesEntry(entry.id, entry.name, storedName))) {
                return position;
            }
        }
    }
    return -1;
}

// The text shows the entry's number: its position, whatever the entry stood
// for before (choosing the placeholder opens device 0).
void DeviceList::showOpened(int position, const std::string& name) {
    if (position >= 0 && position < static_cast<int>(entries_.size())) {
        DeviceListEntry& entry = entries_[static_cast<std::size_t>(position)];
        entry.id = position;
        entry.name = name;
        entry.state = EntryState::Ok;
        entry.text = midi::deviceEntryText(position, name);
        redraw(position);
    }
}

void DeviceList::showInUse(int position) {
    if (position >= 0 && position < static_cast<int>(entries_.size())) {
        DeviceListEntry& entry = entries_[static_cast<std::size_t>(position)];
        entry.id = position;
        entry.state = EntryState::InUse;
        entry.text = midi::deviceEntryText(position, midi::kAllocOther);
        redraw(position);
    }
}

void DeviceList::showAbsent(const std::string& name) {
    entries_.push_back({-1, name, "", EntryState::Absent, text(Text::NotConnectedEntry, name)});
    shown_.add(entries_.back().text);
    select(static_cast<int>(entries_.size()) - 1);
}

void DeviceList::redraw(int position) {
    shown_.change(position, at(position).text);
}

} // namespace moxel
