#pragma once

#include <string>
#include <string_view>

namespace moxel {

// The languages of the window, its menus and boxes, and the help page.
enum class Language { Japanese, English };

// Every text the user sees that differs by language; the window's captions
// ("Midi In", "Beat", ...) are the same in both and live in the layout.
enum class Text {
    // The pop-up menu.
    MenuMain,
    MenuMidiDevice,
    MenuReFindIn,
    MenuReFindOut,
    MenuDefaultIn,
    MenuDefaultOut,
    MenuChannelDefault,
    MenuAllSoundOff,
    MenuOption,
    MenuTopMost,
    MenuFollowChannel,
    MenuVolume,
    MenuMultimedia,
    MenuVersion,
    MenuHelp,
    MenuHomePage,
    MenuNews,
    MenuAuthor,
    MenuIntro,
    MenuExit,
    // Boxes; "{}" stands for what the program puts in.
    InUseTitleIn,
    InUseTitleOut,
    InUseIn,
    InUseOut,
    InUseOther,
    PatchTitle,
    PatchPrompt,
    ButtonOk, // the buttons of the patch box
    ButtonCancel,
    HelpMissingTitle,
    HelpMissing, // {} the manual folder, with its trailing separator
    SettingNotStorable,
    SettingNotSaved,
    SettingNotSavedYet, // another program keeps the file
    SettingsUnreadable,
    InstanceUnchecked, // whether Moxel already runs cannot be told
    RightsNotice,
    // A wanted device that is not connected: its list entry and its line in
    // the tray tip ({} its name).
    NotConnectedEntry,
    NotConnectedTip,
    // The ALSA sequencer cannot be opened: missing, not permitted, or
    // another reason.
    SequencerMissing,
    SequencerNotPermitted,
    SequencerFailed,
    // What a program without a window says of the devices ({} a device's
    // name, after "MIDI IN: " or "MIDI OUT: ") and of the MIDI service.
    EventOpened,
    EventLost,
    EventBack,
    EventAwaited,
    EventServiceLost,
    EventServiceBack,
    // The help page's file name in manual/.
    HelpPage,
    // What a screen reader says for the window's controls: their names ("{}"
    // the value shown), what a key does ("{}" the key), the lamps' states.
    SpokenMidiIn,
    SpokenMidiOut,
    SpokenChannel,
    SpokenBeatPer,
    SpokenTempo,
    SpokenPatch,
    SpokenPatchKey,
    SpokenBeat,
    SpokenBeatKeys,
    SpokenReset,
    SpokenInputLamp,
    SpokenOutputLamp,
    SpokenLampLit,
    SpokenLampOff,
    Count
};

// The language of every text from now on (Japanese until set).
void setLanguage(Language language);
Language language();

std::string_view text(Text id);
std::string_view text(Text id, Language in);
// The text with "{}" replaced by value.
std::string text(Text id, std::string_view value);

// The language the environment asks for, as gettext reads it (null or empty:
// not set). The locale is the first set of LC_ALL, LC_MESSAGES and LANG ("C"
// when none is). Unless the locale is "C" or "POSIX", the first entry of
// LANGUAGE (a list such as "de:en_GB:ja") that is Japanese or English decides;
// otherwise the locale does: Japanese for "ja" or "ja_...", English otherwise.
Language languageOfLocale(const char* languageList, const char* lcAll, const char* lcMessages,
                          const char* lang);
// The language a Windows language identifier (GetUserDefaultUILanguage) asks
// for: Japanese for any Japanese, English otherwise.
Language languageOfWindowsLanguageId(unsigned short languageId);

} // namespace moxel
