// Byte classes and the inlining marks that the readings and writers of a page share. Bytes are tested as
// unsigned values, never through the locale, so that a page reads the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// ZELKO_INLINE pastes a step of a hot loop where it is called; ZELKO_NOINLINE keeps a rare
// path out of the common one, so that the common one needs no large stack frame.
#if defined(__GNUC__) || defined(__clang__)
#define ZELKO_INLINE __attribute__((always_inline)) inline
#define ZELKO_NOINLINE __attribute__((noinline))
#else
#define ZELKO_INLINE inline
#define ZELKO_NOINLINE
#endif

namespace zelko {

// '0' to '9'.
constexpr bool isDigit(unsigned char c) { return static_cast<unsigned char>(c - '0') < 10; }
// 'A' to 'Z' and 'a' to 'z': setting bit 5 lower-cases a letter and makes no other byte one.
constexpr bool isAsciiLetter(unsigned char c) { return static_cast<unsigned char>((c | 0x20) - 'a') < 26; }
// A digit, or 'A' to 'F' in either case.
constexpr bool isHexDigit(unsigned char c)
{
    return isDigit(c) || static_cast<unsigned char>((c | 0x20) - 'a') < 6;
}
// The HTML standard's white space: tab, LF, FF, CR and space.
constexpr bool isHtmlWhite(unsigned char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}
// The byte, with 'A' to 'Z' made lower case.
constexpr unsigned char lowerAscii(unsigned char c)
{
    return static_cast<unsigned char>(c - 'A') < 26 ? c | 0x20 : c;
}

// The length of the UTF-8 sequence that starts at `p`, of `n` bytes (n > 0), or 0 when no valid
// one does: no overlong forms, no surrogates, nothing past U+10FFFF.
inline std::size_t utf8Length(const unsigned char* p, std::size_t n)
{
    unsigned char c = p[0];
    std::size_t length = c < 0x80                 ? 1
                         : c >= 0xC2 && c <= 0xDF ? 2
                         : c >= 0xE0 && c <= 0xEF ? 3
                         : c >= 0xF0 && c <= 0xF4 ? 4
                                                  : 0;
    if (length == 0 || length > n)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    }
    if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F) || (c == 0xF0 && p[1] < 0x90) ||
        (c == 0xF4 && p[1] > 0x8F))
        return 0;
    return length;
}

// Appends the code point `c` (at most U+10FFFF, no surrogate) in UTF-8, to a std::string or to
// any output that appends a char as it does.
template <typename Out>
inline void appendUtf8(Out& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
}

}  // namespace zelko
