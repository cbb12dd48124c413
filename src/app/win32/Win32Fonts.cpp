#include "app/win32/Win32Fonts.h"

namespace moxel {

namespace {

// Points in hundredths, by FontRole (Small, LargeBold, Lamp, Default).
constexpr int kCentiPoints[] = {825, 1575, 600, 900};

int CALLBACK faceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0; // one is enough
}

bool faceInstalled(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, faceFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// The layout's face under its Japanese and its English name.
bool isLayoutFace(const std::wstring& face) {
    return face == L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF" || face == L"MS PGothic";
}

HFONT createFont(const std::wstring& face, int height, int weight, int width) {
    LOGFONTW font{};
    font.lfHeight = -height;
    font.lfWidth = width;
    font.lfWeight = weight;
    font.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpynW(font.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

// A stand-in face is narrowed to the layout face's widths: its average
// character width, scaled.
int narrowedWidth(const std::wstring& face, int height, int weight) {
    const HFONT natural = createFont(face, height, weight, 0);
    const HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, natural);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(natural);
    return MulDiv(metrics.tmAveCharWidth, standInFaceStretch, 100);
}

} // namespace

std::wstring Win32Fonts::chooseFace() {
    for (const wchar_t* face :
         {L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF", L"MS PGothic", L"IPAPGothic"}) {
        if (faceInstalled(face)) {
            return face;
        }
    }
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return metrics.lfMessageFont.lfFaceName;
}

int Win32Fonts::pixelHeight(FontRole role, UINT dpi) {
    return MulDiv(kCentiPoints[static_cast<int>(role)], static_cast<int>(dpi), 7200);
}

Win32Fonts::Win32Fonts(UINT dpi) : face_(chooseFace()) {
    for (const FontRole role :
         {FontRole::Small, FontRole::LargeBold, FontRole::Lamp, FontRole::Default}) {
        const int height = pixelHeight(role, dpi);
        const int weight = role == FontRole::LargeBold ? FW_BOLD : FW_NORMAL;
        const bool narrow = !isLayoutFace(face_) && role != FontRole::Lamp;
        fonts_[static_cast<int>(role)] =
            createFont(face_, height, weight, narrow ? narrowedWidth(face_, height, weight) : 0);
    }
}

Win32Fonts::~Win32Fonts() {
    for (HFONT font : fonts_) {
        DeleteObject(font);
    }
}

} // namespace moxel
