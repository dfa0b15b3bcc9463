// What a byte means to the tokenizer's loops over names and values, looked up rather than
// tested for one byte after another, and the searches every family of its states uses.
#pragma once

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/bytes.h"

namespace zelko::html {

enum : unsigned char {
    kWhite = 1,              // tab, LF, FF, CR, space
    kEndsName = 2,           // white space, '/' or '>'
    kEndsAttributeName = 4,  // those or '='
    kEndsUnquotedValue = 8,  // white space or '>'
};

struct ByteClasses {
    unsigned char of[256] = {};
    unsigned char nameByte[256] = {};  // a name's byte as kept: lower case, a NUL as 0xFF

    constexpr ByteClasses()
    {
        for (unsigned c = 0; c < 256; ++c) {
            const bool white = c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
            const bool endsName = white || c == '/' || c == '>';
            of[c] = static_cast<unsigned char>((white ? kWhite : 0) | (endsName ? kEndsName : 0) |
                                               (endsName || c == '=' ? kEndsAttributeName : 0) |
                                               (white || c == '>' ? kEndsUnquotedValue : 0));
            nameByte[c] = static_cast<unsigned char>(c == 0 ? 0xFF : c >= 'A' && c <= 'Z' ? c | 0x20 : c);
        }
    }
};
inline constexpr ByteClasses kBytes;

inline bool endsName(unsigned char c) { return (kBytes.of[c] & kEndsName) != 0; }

// The first `c` from `p` on, before `end`, or null. Most of what the tokenizer looks for is near
// (the next tag, a value's closing quote): the sixteen bytes ahead are looked at in place
// before the library's search is called.
ZELKO_INLINE const unsigned char* findByte(const unsigned char* p, const unsigned char* end, unsigned char c)
{
#if defined(__SSE2__)
    if (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(c)))));
        if (mask != 0)
            return p + __builtin_ctz(mask);
        p += 16;
    }
#endif
    return static_cast<const unsigned char*>(std::memchr(p, c, static_cast<std::size_t>(end - p)));
}

ZELKO_INLINE const unsigned char* skipWhite(const unsigned char* p, const unsigned char* end)
{
    while (p < end && (kBytes.of[*p] & kWhite) != 0)
        ++p;
    return p;
}

}  // namespace zelko::html
