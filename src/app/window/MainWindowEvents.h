#pragma once

#include <cstdint>

namespace moxel {

enum class MouseButton { Left = 1, Right = 2, Middle = 4 };

// Keys the window passes on to Form_KeyDown: virtual-key codes.
inline constexpr int vkAdd = 0x6B;      // numeric keypad plus
inline constexpr int vkSubtract = 0x6D; // numeric keypad minus

// Why the notification-area icon was pressed.
enum class TrayPress { Left, Right };

enum class WindowState { Normal, Minimized, Maximized };

// The window's events, each with its handler. The Qt window (QtMainView) and
// the Win32 window (Win32MainView) call these, on the UI thread; the
// presenter FrmMIDIMain implements them.
class MainWindowEvents {
  public:
    virtual ~MainWindowEvents() = default;

    // Lists: the position of the entry the user chose (also when it was
    // already selected).
    virtual void CmbMidiIn_Click(int position) = 0;
    virtual void CmbMidiOut_Click(int position) = 0;
    virtual void channelChosen(int position) = 0;
    virtual void beatPerChosen(int position) = 0;

    virtual void CmdTempoBeat_MouseDown(MouseButton button) = 0;
    virtual void CmdTempoReset_Click() = 0;
    virtual void LblPatch_DblClick() = 0;
    // Every key press in the window, whichever control has the focus.
    virtual void Form_KeyDown(int keyCode) = 0;
    virtual void Form_MouseDown(MouseButton button) = 0;
    // Shift+F10 or the Menu key, whichever control has the focus.
    virtual void contextMenuFromKeyboard() = 0;
    // The window's size or state changed (or it showed for the first time).
    virtual void Form_Resize(WindowState state) = 0;
    // cancel: set true to refuse the close request.
    virtual void Form_QueryUnload(bool& cancel) = 0;
    virtual void trayIconPressed(TrayPress press) = 0;

    // Menu commands; arrays get their item index.
    virtual void MnuMidiDeviceReFind_Click(std::int16_t index) = 0;
    virtual void MnuMidiDeviceDefault_Click(std::int16_t index) = 0;
    virtual void MnuMidiChDefault_Click() = 0;
    virtual void MnuAllSoundOff_Click() = 0;
    // Index 0: JACK, 1: the ALSA sequencer (Linux).
    virtual void MnuMidiSystem_Click(std::int16_t index) = 0;
    virtual void MnuTopMost_Click() = 0;
    virtual void MnuUpdateInCh_Click() = 0;
    virtual void MnuShowOption_Click(std::int16_t index) = 0;
    virtual void MnuVersionInfo_Click() = 0;
    virtual void MnuShowHelp_Click() = 0;
    virtual void MnuShowWeb_Click() = 0;
    virtual void MnuHSNet_Click(std::int16_t index) = 0;
    virtual void MnuAppExit_Click() = 0;

    // One 10 ms turn of the lamp fade.
    virtual void lampTick() = 0;
    // The relay left news for the UI thread (lamps, followed channel).
    virtual void relayNews() = 0;
    // Devices came or went, or the MIDI service went away.
    virtual void devicesChanged() = 0;
    // One look for a MIDI service that could not be reached (once a second).
    virtual void serviceSearchTick() = 0;
    // One more try of the settings changes that wait for the file.
    virtual void settingsRetryTick() = 0;
};

} // namespace moxel
