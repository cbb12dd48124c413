#include "app/win32/Win32InputBox.h"

#include <vector>

#include "app/window/Texts.h"
#include "encoding/Utf16.h"

namespace moxel {

namespace {

constexpr WORD kPromptId = 100;
constexpr WORD kEditId = 101;
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kFontPoints = 9;

struct Exchange {
    std::wstring prompt;
    std::wstring answer;
};

// A dialog template in memory: a DLGTEMPLATE with its menu, class, title and
// font, then one DLGITEMTEMPLATE per control, each on a DWORD boundary.
class Template {
  public:
    void header(DWORD style, short width, short height, const std::wstring& title,
                const std::wstring& face, WORD items) {
        DLGTEMPLATE dialog{};
        dialog.style = style;
        dialog.cdit = items;
        dialog.cx = width;
        dialog.cy = height;
        append(dialog);
        words_.push_back(0); // no menu
        words_.push_back(0); // the standard dialog class
        text(title);
        words_.push_back(kFontPoints);
        text(face);
    }
    void item(DWORD style, short x, short y, short width, short height, WORD id, WORD classAtom,
              const std::wstring& title) {
        if (words_.size() % 2 != 0) {
            words_.push_back(0);
        }
        DLGITEMTEMPLATE control{};
        control.style = style | WS_CHILD | WS_VISIBLE;
        control.x = x;
        control.y = y;
        control.cx = width;
        control.cy = height;
        control.id = id;
        append(control);
        words_.push_back(0xFFFF);
        words_.push_back(classAtom);
        text(title);
        words_.push_back(0); // no creation data
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    template <typename T> void append(const T& part) {
        static_assert(sizeof(T) % sizeof(WORD) == 0);
        const auto* begin = reinterpret_cast<const WORD*>(&part);
        words_.insert(words_.end(), begin, begin + sizeof(T) / sizeof(WORD));
    }
    void text(const std::wstring& value) {
        words_.insert(words_.end(), value.begin(), value.end());
        words_.push_back(0);
    }
    std::vector<WORD> words_; // WORD-aligned; the vector's storage is DWORD-aligned
};

INT_PTR CALLBACK inputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* exchange = reinterpret_cast<Exchange*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        exchange = reinterpret_cast<Exchange*>(lParam);
        SetDlgItemTextW(dialog, kPromptId, exchange->prompt.c_str());
        SetFocus(GetDlgItem(dialog, kEditId));
        return FALSE; // the focus is set
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        if (LOWORD(wParam) == IDOK) {
            const HWND edit = GetDlgItem(dialog, kEditId);
            exchange->answer.resize(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1);
            exchange->answer.resize(static_cast<std::size_t>(GetWindowTextW(
                edit, exchange->answer.data(), static_cast<int>(exchange->answer.size()))));
        }
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

std::optional<std::string> win32InputBox(HWND owner, const std::string& prompt,
                                         const std::string& title, const std::wstring& face) {
    Template box;
    box.header(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 246, 92,
               wideFromUtf8(title), face, 4);
    box.item(SS_LEFT | SS_NOPREFIX, 7, 7, 176, 56, kPromptId, kStaticClass, L"");
    box.item(BS_DEFPUSHBUTTON | WS_TABSTOP, 189, 7, 50, 14, IDOK, kButtonClass,
             wideFromUtf8(text(Text::ButtonOk)));
    box.item(BS_PUSHBUTTON | WS_TABSTOP, 189, 25, 50, 14, IDCANCEL, kButtonClass,
             wideFromUtf8(text(Text::ButtonCancel)));
    box.item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 70, 232, 14, kEditId, kEditClass, L"");
    Exchange exchange{wideFromUtf8(prompt), {}};
    const INT_PTR result =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), box.get(), owner, inputBoxProc,
                                reinterpret_cast<LPARAM>(&exchange));
    if (result != IDOK) {
        return std::nullopt;
    }
    return utf8FromWide(exchange.answer);
}

} // namespace moxel
