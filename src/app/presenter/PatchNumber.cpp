#include "app/presenter/PatchNumber.h"

#include <charconv>
#include <cstddef>

namespace moxel {

namespace {

// What the patch box accepts:
//
//   blanks* sign? digits ( "." digits? )? blanks*
//   blanks* sign? "." digits blanks*
//
// Blanks are the space, the tab and the ideographic space (U+3000). A Japanese
// input method in full-width mode types the full-width forms of the digits,
// the signs and the full stop (U+FF10..U+FF19, U+FF0B, U+FF0D, U+FF0E); they
// count like their ASCII forms, also when mixed with them. "5." and ".5" are
// numbers (5 and 0.5); a lone "." is not. Exponents, thousands separators,
// hexadecimal, "inf", "nan", a blank between sign and digits and anything else
// make the text no number.
//
// The value is read exactly, digit by digit, so any number of leading zeros or
// fraction digits is fine and nothing is allocated.

constexpr int kBlank = ' ';
constexpr int kOther = -1; // any character the grammar has no use for
constexpr int kEnd = -2;

// Reads one character at pos and advances past it. ASCII comes back as is
// (a tab as a blank), the accepted full-width characters as their ASCII forms
// and every other character, or a broken UTF-8 sequence, as kOther.
int nextChar(std::string_view text, std::size_t& pos) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
        ++pos;
        return byte == '\t' ? kBlank : byte;
    }
    if (text.size() - pos >= 3) {
        const auto b1 = static_cast<unsigned char>(text[pos + 1]);
        const auto b2 = static_cast<unsigned char>(text[pos + 2]);
        if (byte == 0xE3 && b1 == 0x80 && b2 == 0x80) { // U+3000
            pos += 3;
            return kBlank;
        }
        if (byte == 0xEF && b1 == 0xBC) { // U+FF00..U+FF3F
            if (b2 >= 0x90 && b2 <= 0x99) {
                pos += 3;
                return '0' + (b2 - 0x90);
            }
            switch (b2) {
            case 0x8B:
                pos += 3;
                return '+';
            case 0x8D:
                pos += 3;
                return '-';
            case 0x8E:
                pos += 3;
                return '.';
            default:
                break;
            }
        }
    }
    ++pos;
    return kOther;
}

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

// How the fraction compares with one half.
enum class Half { Below, Exact, Above };

// Reads the text one accepted character at a time.
class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) { advance(); }
    int current() const { return c_; }
    void advance() { c_ = pos_ < text_.size() ? nextChar(text_, pos_) : kEnd; }
    void skipBlanks() {
        while (c_ == kBlank) {
            advance();
        }
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int c_ = kEnd;
};

// The number as read: sign, integer part (which stops growing once it is
// above 127: anything larger is out of range anyway), and what the fraction
// is: zero or not, and how it compares with one half.
struct Number {
    bool negative = false;
    int whole = 0;
    bool anyDigit = false;
    bool fractionZero = true;
    Half half = Half::Below;
};

void readFraction(Reader& in, Number& n) {
    bool first = true;
    for (; isDigit(in.current()); in.advance()) {
        n.anyDigit = true;
        const int digit = in.current() - '0';
        if (first) {
            n.half = digit < 5 ? Half::Below : digit == 5 ? Half::Exact : Half::Above;
            first = false;
        } else if (digit != 0 && n.half == Half::Exact) {
            n.half = Half::Above;
        }
        n.fractionZero = n.fractionZero && digit == 0;
    }
}

// The whole text as a number, or nothing when it is not one.
std::optional<Number> readNumber(std::string_view text) {
    Reader in(text);
    Number n;
    in.skipBlanks();
    if (in.current() == '+' || in.current() == '-') {
        n.negative = in.current() == '-';
        in.advance();
    }
    for (; isDigit(in.current()); in.advance()) {
        n.anyDigit = true;
        if (n.whole <= 127) {
            n.whole = n.whole * 10 + (in.current() - '0');
        }
    }
    if (in.current() == '.') {
        in.advance();
        readFraction(in, n);
    }
    in.skipBlanks();
    if (!n.anyDigit || in.current() != kEnd) {
        return std::nullopt;
    }
    return n;
}

} // namespace

std::optional<int> parsePatchNumber(std::string_view text) {
    const std::optional<Number> n = readNumber(text);
    if (!n) {
        return std::nullopt;
    }
    // The range is checked on the exact value, before rounding: -0 is 0, while
    // -0.4 is below 0 and 127.4 is above 127.
    const bool zero = n->whole == 0 && n->fractionZero;
    if ((n->negative && !zero) || n->whole > 127 || (n->whole == 127 && !n->fractionZero)) {
        return std::nullopt;
    }
    // Half to even.
    const bool up = n->half == Half::Above || (n->half == Half::Exact && n->whole % 2 == 1);
    return n->whole + (up ? 1 : 0);
}

std::string formatPatchNumber(int patch) {
    char buffer[16];
    const unsigned magnitude =
        patch < 0 ? 0U - static_cast<unsigned>(patch) : static_cast<unsigned>(patch);
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
    std::string digits(buffer, result.ptr);
    if (digits.size() < 3) {
        digits.insert(0, 3 - digits.size(), '0');
    }
    if (patch < 0) {
        digits.insert(0, 1, '-');
    }
    return digits;
}

} // namespace moxel
