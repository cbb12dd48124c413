#include "app/window/Texts.h"

#include <array>
#include <atomic>
#include <optional>

namespace moxel {

namespace {

struct Entry {
    Text id;
    std::string_view japanese;
    std::string_view english;
};

using enum Text;

constexpr std::array<Entry, static_cast<std::size_t>(Count)> kTexts{{
    {MenuMain, "メインメニュー", "Main menu"},
    {MenuMidiDevice, "MIDIデバイス", "MIDI devices"},
    {MenuReFindIn, "MIDI IN デバイスを再検索する", "Find MIDI IN devices again"},
    {MenuReFindOut, "MIDI OUT デバイスを再検索する", "Find MIDI OUT devices again"},
    {MenuDefaultIn, "現在のMIDI INデバイスを標準にする",
     "Make the current MIDI IN device the default"},
    {MenuDefaultOut, "現在のMIDI OUTデバイスを標準にする",
     "Make the current MIDI OUT device the default"},
    {MenuChannelDefault, "現在の出力CHをデバイス標準にする",
     "Make the current output channel this device's default"},
    {MenuAllSoundOff, "オール・サウンド・オフ", "All Sound Off"},
    {MenuOption, "オプション", "Options"},
    {MenuTopMost, "常に手前に表示する", "Always on top"},
    {MenuFollowChannel, "MIDI IN側のch設定を反映する", "Follow the MIDI IN channel"},
    {MenuVolume, "ボリュームコントロール", "Volume control"},
    {MenuMultimedia, "マルチメディアのプロパティ", "Multimedia settings"},
    {MenuVersion, "バージョン情報", "Version information"},
    {MenuHelp, "ヘルプ", "Help"},
    {MenuHomePage, "ホームページ", "Home page"},
    {MenuNews, "Moxelの最新情報", "Moxel news"},
    {MenuAuthor, "Ostrafy network [作者個人サイト]", "Ostrafy network [author's site]"},
    {MenuIntro, "Moxelの紹介ページ", "About Moxel"},
    {MenuExit, "終了", "Exit"},
    {InUseTitleIn, "Midi In Device Open Error", "Midi In Device Open Error"},
    {InUseTitleOut, "Midi Out Device Open Error", "Midi Out Device Open Error"},
    {InUseIn, "このMIDI Inデバイスは、現在使用できません。",
     "This MIDI In device cannot be used right now."},
    {InUseOut, "このMIDI Outデバイスは、現在使用できません。",
     "This MIDI Out device cannot be used right now."},
    {InUseOther, "他のアプリケーションが使用している可能性があります。",
     "Another application may be using it."},
    {PatchTitle, "Patch No Change", "Patch No Change"},
    {PatchPrompt,
     "送信したいパッチ エントリーナンバーを入力して下さい。\r\n"
     "数字で0～127までの値を使用できます。\r\n\r\n"
     "お使いの音源によっては、入力値+1になる事があります。",
     "Enter the patch (program) number to send.\r\n"
     "Numbers from 0 to 127 can be used.\r\n\r\n"
     "Depending on your sound module, the number may appear as one higher."},
    {ButtonOk, "OK", "OK"},
    {ButtonCancel, "キャンセル", "Cancel"},
    {HelpMissingTitle, "Moxel - ヘルプ読み込み失敗", "Moxel - Help not found"},
    {HelpMissing, "moxel.htmlが見つかりませんでした。\r\nmoxel.htmは、{}内に置いて下さい。",
     "moxel.html was not found.\r\nPlease put moxel.html into {}."},
    {SettingNotStorable, "この設定は保存できません。", "This setting cannot be stored."},
    {SettingNotSaved, "設定を保存できませんでした。", "The setting could not be saved."},
    {SettingNotSavedYet,
     "他のプログラムが設定ファイルを使用中のため、設定をまだ保存できません。"
     "保存できるまで再試行します。",
     "Another program is using the settings file, so the setting has not been saved yet. "
     "Moxel keeps trying."},
    {SettingsUnreadable, "設定ファイルを読み込めませんでした。標準の設定で起動します。",
     "The settings file could not be read. Moxel starts with the default settings."},
    {InstanceUnchecked,
     "Moxelが既に起動しているかどうかを確認できませんでした。二重に起動しないようご注意下さい。",
     "Moxel could not tell whether it is already running. Take care not to start it twice."},
    {RightsNotice, "Copyright (C) 2026 The Moxel developers. MIT ライセンスで公開しています。",
     "Copyright (C) 2026 The Moxel developers. Released under the MIT License."},
    {NotConnectedEntry, "--- {} (未接続) ---", "--- {} (Not Connected) ---"},
    {NotConnectedTip, "{} (未接続)", "{} (Not Connected)"},
    {SequencerMissing,
     "ALSA シーケンサー (/dev/snd/seq) がありません。"
     "カーネルの snd-seq モジュールが読み込まれると、Moxel はそのまま使い始めます。",
     "There is no ALSA sequencer (/dev/snd/seq). Moxel starts using it as soon as the kernel's "
     "snd-seq module is loaded."},
    {SequencerNotPermitted,
     "ALSA シーケンサー (/dev/snd/seq) を開く権限がありません。"
     "多くのシステムでは audio グループのメンバーが開けます。"
     "ユーザーを audio グループに加えて、ログインし直してください。",
     "Moxel may not open the ALSA sequencer (/dev/snd/seq). On most systems the members of the "
     "group audio may: add your user to it and log in again."},
    {SequencerFailed,
     "ALSA シーケンサー (/dev/snd/seq) を開けません。Moxel は開けるようになるまで試し続けます。",
     "The ALSA sequencer (/dev/snd/seq) cannot be opened. Moxel keeps trying until it can."},
    {EventOpened, "{} を開きました", "{} opened"},
    {EventLost, "{} が切断されました。戻るのを待ちます", "{} went away; Moxel waits for it"},
    {EventBack, "{} が戻ったので開き直しました", "{} came back and is open again"},
    {EventAwaited, "{} は接続されていません。接続されたら開きます",
     "{} is not connected; Moxel opens it once it is"},
    {EventServiceLost, "MIDIサービスに接続できません。接続できるまで待ちます",
     "Cannot reach the MIDI service; Moxel waits for it"},
    {EventServiceBack, "MIDIサービスに接続しました", "Connected to the MIDI service"},
    {HelpPage, "moxel.html", "moxel.en.html"},
    {SpokenMidiIn, "Midi In (入力デバイス)", "Midi In (input device)"},
    {SpokenMidiOut, "Midi Out (出力デバイス)", "Midi Out (output device)"},
    {SpokenChannel, "Msg Out Ch (出力チャンネル)", "Msg Out Ch (output channel)"},
    {SpokenBeatPer, "Beat per (タップ1回の音符)", "Beat per (note value of one tap)"},
    {SpokenTempo, "テンポ {}", "Tempo {}"},
    {SpokenPatch, "Prst. パッチ番号 {}", "Prst. patch number {}"},
    {SpokenPatchKey, "{} またはダブルクリックで、送るパッチ番号を入力します",
     "{} or double-click: enter a patch number to send"},
    {SpokenBeat, "Beat (テンポのタップ)", "Beat (tap the tempo)"},
    {SpokenBeatKeys, "押すたびに1拍: クリック、スペースまたは Enter",
     "Each press is a beat: click, Space or Enter"},
    {SpokenReset, "Reset (テンポの計測をやり直す)", "Reset (measure the tempo anew)"},
    {SpokenInputLamp, "MIDI 入力ランプ", "Input activity lamp"},
    {SpokenOutputLamp, "MIDI 出力ランプ", "Output activity lamp"},
    {SpokenLampLit, "点灯", "lit"},
    {SpokenLampOff, "消灯", "off"},
}};

// The table is in the order of the enum: each text is found by its number.
constexpr bool inOrder() {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<std::size_t>(kTexts[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(inOrder(), "the texts are listed in the order of Text");

std::atomic<Language> current{Language::Japanese};

bool set(const char* value) {
    return value != nullptr && *value != '\0';
}

// The language part of a locale name or of an entry of LANGUAGE: "ja" of
// "ja_JP.UTF-8", "en" of "en_GB" or "en@quot".
std::string_view languageCode(std::string_view name) {
    return name.substr(0, name.find_first_of("_.@"));
}

// The first entry of a LANGUAGE list ("de:en_GB:ja") that Moxel speaks.
std::optional<Language> firstSpokenLanguage(std::string_view list) {
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view code = languageCode(list.substr(0, colon));
        if (code == "ja" || code == "en") {
            return code == "ja" ? Language::Japanese : Language::English;
        }
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
    return std::nullopt;
}

} // namespace

void setLanguage(Language chosen) {
    current.store(chosen, std::memory_order_relaxed);
}

Language language() {
    return current.load(std::memory_order_relaxed);
}

std::string_view text(Text id) {
    return text(id, language());
}

std::string_view text(Text id, Language in) {
    const Entry& entry = kTexts.at(static_cast<std::size_t>(id));
    return in == Language::Japanese ? entry.japanese : entry.english;
}

std::string text(Text id, std::string_view value) {
    std::string filled(text(id));
    if (const auto at = filled.find("{}"); at != std::string::npos) {
        filled.replace(at, 2, value);
    }
    return filled;
}

Language languageOfLocale(const char* languageList, const char* lcAll, const char* lcMessages,
                          const char* lang) {
    const std::string_view locale = set(lcAll)        ? lcAll
                                    : set(lcMessages) ? lcMessages
                                    : set(lang)       ? lang
                                                      : "C";
    // As in gettext, the C locale ignores LANGUAGE: its texts stay untranslated.
    if (locale != "C" && locale != "POSIX" && set(languageList)) {
        if (const std::optional<Language> spoken = firstSpokenLanguage(languageList)) {
            return *spoken;
        }
    }
    return languageCode(locale) == "ja" ? Language::Japanese : Language::English;
}

Language languageOfWindowsLanguageId(unsigned short languageId) {
    constexpr unsigned kPrimaryMask = 0x3FF; // the primary language; the rest is the region
    constexpr unsigned kJapanese = 0x11;
    return (languageId & kPrimaryMask) == kJapanese ? Language::Japanese : Language::English;
}

} // namespace moxel
