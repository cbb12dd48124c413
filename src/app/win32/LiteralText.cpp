#include "app/win32/LiteralText.h"

#include "encoding/Utf16.h"

namespace moxel {

std::wstring literalText(std::string_view text) {
    std::wstring literal;
    for (const wchar_t c : wideFromUtf8(text)) {
        literal += c;
        if (c == L'&') {
            literal += L'&';
        }
    }
    return literal;
}

} // namespace moxel
