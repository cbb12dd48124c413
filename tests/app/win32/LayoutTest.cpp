// The Win32 window against the window layout: every control where the table
// puts it, at the monitor's DPI, with its caption, font and colour.
#include "ViewFixture.h"
#include "app/win32/CaptionControls.h"
#include "app/window/WindowLayout.h"
#include "encoding/Utf16.h"

namespace moxel::test {
namespace {

std::wstring className(HWND control) {
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    return name;
}

LOGFONTW fontOf(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return font;
}

TEST_F(Win32ViewTest, EveryControlSitsWhereTheLayoutPutsIt) {
    ASSERT_EQ(view.dpi(), 96U) << "the test display's DPI";
    EXPECT_EQ(clientSize().cx, 196);
    EXPECT_EQ(clientSize().cy, 114);
    expectLaidOut();
    const std::pair<ControlKind, const wchar_t*> classes[] = {
        {ControlKind::Label, kCaptionClass},
        {ControlKind::DropDownList, L"ComboBox"},
        {ControlKind::PushButton, L"Button"},
        {ControlKind::Frame, kFrameClass}};
    for (const ControlEntry& entry : windowControls()) {
        const HWND control = view.control(entry.name);
        for (const auto& [kind, name] : classes) {
            if (entry.kind == kind) {
                EXPECT_EQ(className(control), name) << entry.name;
            }
        }
        if (entry.kind != ControlKind::DropDownList) {
            wchar_t caption[64] = {};
            GetWindowTextW(control, caption, 64);
            EXPECT_EQ(caption, wideFromUtf8(entry.caption)) << entry.name;
        }
    }
}

TEST_F(Win32ViewTest, FontsAndColoursFollowTheirRoles) {
    struct Role {
        FontRole role;
        int pixels; // at 96 DPI: 8.25, 15.75, 6 and 9 points
        int weight;
    };
    const Role roles[] = {{FontRole::Small, 11, FW_NORMAL},
                          {FontRole::LargeBold, 21, FW_BOLD},
                          {FontRole::Lamp, 8, FW_NORMAL},
                          {FontRole::Default, 12, FW_NORMAL}};
    for (const ControlEntry& entry : windowControls()) {
        SCOPED_TRACE(std::string(entry.name));
        const LOGFONTW font = fontOf(view.control(entry.name));
        for (const Role& role : roles) {
            if (role.role == entry.font) {
                EXPECT_EQ(font.lfHeight, -role.pixels);
                EXPECT_EQ(font.lfWeight, role.weight);
            }
        }
        EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
        if (entry.color != TextColor::System) {
            const COLORREF expected =
                entry.color == TextColor::White ? RGB(255, 255, 255) : RGB(224, 224, 224);
            EXPECT_EQ(SendMessageW(view.control(entry.name), kGetTextColor, 0, 0),
                      static_cast<LRESULT>(expected));
        }
    }
    view.setLampColor(LampId::Output, Rgb{255, 5, 5});
    EXPECT_EQ(SendMessageW(view.control("LblMidiOut"), kGetTextColor, 0, 0),
              static_cast<LRESULT>(RGB(255, 5, 5)));
}

TEST_F(Win32ViewTest, AnotherMonitorsDpiLaysEverythingOutAgain) {
    RECT suggested;
    GetWindowRect(view.window(), &suggested);
    SendMessageW(view.window(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    ASSERT_EQ(view.dpi(), 144U);
    EXPECT_EQ(clientSize().cx, 294);
    EXPECT_EQ(clientSize().cy, 171);
    expectLaidOut();
    EXPECT_EQ(fontOf(view.control("CmbMidiIn")).lfHeight, -17); // 8.25 pt at 144 DPI
}

TEST_F(Win32ViewTest, AGrownCaptionWidensItsFrameAndTheWindowUntilItShrinks) {
    view.setCaption(LabelId::TempoVal, "240000.000");
    const RECT label = placeOf(view.control("LblTempoVal"));
    const RECT frame = placeOf(view.control("FrameTempo"));
    EXPECT_GT(frame.right, label.right);
    EXPECT_GE(clientSize().cx, frame.right);
    EXPECT_GT(clientSize().cx, 196);
    view.setCaption(LabelId::TempoVal, "0.000");
    EXPECT_EQ(clientSize().cx, 196);
    EXPECT_EQ(placeOf(view.control("FrameTempo")).right, 196);
}

TEST_F(Win32ViewTest, AnOpenListIsAsWideAsItsLongestEntryAndTheTipsShowTheEntryAndTheKey) {
    const HWND in = view.control("CmbMidiIn");
    const RECT closed = placeOf(in);
    view.addListItem(ListId::MidiIn, "1|A");
    EXPECT_LE(SendMessageW(in, CB_GETDROPPEDWIDTH, 0, 0), closed.right - closed.left);
    view.addListItem(ListId::MidiIn, "2|" + std::string(60, 'W'));
    EXPECT_GT(SendMessageW(in, CB_GETDROPPEDWIDTH, 0, 0), 2 * (closed.right - closed.left));
    // The closed list's tip shows the chosen entry whole.
    view.selectIndex(ListId::MidiIn, 1);
    HWND tips = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            *reinterpret_cast<HWND*>(found) = window;
            return lstrcmpiW(name, TOOLTIPS_CLASSW) != 0;
        },
        reinterpret_cast<LPARAM>(&tips));
    NMTTDISPINFOW ask{};
    ask.hdr = {tips, reinterpret_cast<UINT_PTR>(in), TTN_GETDISPINFOW};
    SendMessageW(view.window(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&ask));
    ASSERT_NE(ask.lpszText, nullptr);
    EXPECT_EQ(utf8FromWide(ask.lpszText), "2|" + std::string(60, 'W'));
    // The patch number's tip tells the key that opens the patch box.
    ask.hdr.idFrom = reinterpret_cast<UINT_PTR>(view.control("LblPatch"));
    SendMessageW(view.window(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&ask));
    EXPECT_NE(utf8FromWide(ask.lpszText).find("F2"), std::string::npos);
}

} // namespace
} // namespace moxel::test
