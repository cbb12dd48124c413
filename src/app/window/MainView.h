#pragma once

#include <optional>
#include <string>

namespace moxel {

// The drop-down lists of the main window.
enum class ListId { MidiIn, MidiOut, MidiCh, BeatPer };

// Labels whose caption changes at run time.
enum class LabelId { TempoVal, Patch };

enum class LampId { Input = 0, Output = 1 };

// Menu items that carry a check mark; from MidiSystem on, one per MIDI system
// the menu offers (midiSystemItem).
enum class CheckItem { TopMost, UpdateInCh, MidiSystem };

// The item of the MIDI system at that position of the menu array MnuMidiSystem.
constexpr CheckItem midiSystemItem(int index) {
    return static_cast<CheckItem>(static_cast<int>(CheckItem::MidiSystem) + index);
}

// The menu item that carries a check mark: its name and index (-1 for an
// item that is no menu array).
struct CheckedMenuItem {
    const char* name;
    int index;
};
constexpr CheckedMenuItem menuItemOf(CheckItem item) {
    if (item >= CheckItem::MidiSystem) {
        return {"MnuMidiSystem", static_cast<int>(item) - static_cast<int>(CheckItem::MidiSystem)};
    }
    return item == CheckItem::TopMost ? CheckedMenuItem{"MnuTopMost", -1}
                                      : CheckedMenuItem{"MnuUpdateInCh", -1};
}

enum class MessageIcon { None, Information };

// Where the pop-up menu opens: at the mouse pointer, or (opened from the
// keyboard) at the control that has the focus.
enum class MenuPlace { Pointer, FocusedControl };

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The main window's screen as the presenter sees it: its lists, captions,
// lamps, check marks, boxes and the window itself. It only shows what it is
// told and reports the user's acts (MainWindowEvents): the presenter reads
// nothing back, so a view that keeps no state serves as well. All texts are
// UTF-8. The Qt window (QtMainView) and the Win32 window (Win32MainView)
// implement it, with the notification area (NotificationArea) and the event
// loop (UiLoop); tests use a recording fake.
class MainView {
  public:
    virtual ~MainView() = default;

    // Lists. Selecting from code never calls back into the presenter; the
    // presenter runs the click handler itself where one belongs. The
    // presenter keeps what each list holds and which entry is selected: it
    // never asks the view.
    virtual void clearList(ListId list) = 0;
    virtual void addListItem(ListId list, const std::string& text) = 0;
    virtual void setListItem(ListId list, int position, const std::string& text) = 0;
    virtual void selectIndex(ListId list, int position) = 0; // -1: none

    virtual void setCaption(LabelId label, const std::string& text) = 0;
    virtual void setLampColor(LampId lamp, Rgb color) = 0;
    virtual void setChecked(CheckItem item, bool checked) = 0;

    // Modal boxes: message text lines are separated by "\r\n".
    virtual void messageBox(const std::string& text, const std::string& title,
                            MessageIcon icon) = 0;
    // The typed text, or nothing when cancelled.
    virtual std::optional<std::string> inputBox(const std::string& prompt,
                                                const std::string& title) = 0;
    // Opens the pop-up menu and returns when it closes.
    virtual void popupMenu(bool eitherButtonChooses, MenuPlace place) = 0;

    // The window.
    virtual void setTopMost(bool topMost) = 0;
    virtual void restoreWindow() = 0; // normal state, shown, focused
    virtual void hideWindow() = 0;
    virtual void requestClose() = 0; // an unload request, as the close box makes
};

} // namespace moxel
