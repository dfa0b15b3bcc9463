// Text from the page, written into the view as text or as an attribute value.
#pragma once

#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/bytes.h"

namespace zelko::view {

// Appends `text` from the page as UTF-8 text or attribute value: the characters that could end
// either as references, and a byte that is no part of UTF-8 as the windows-1252 character a
// browser shows for it in a page that declares no encoding.
template <typename Out>
void appendEscaped(Out& out, std::string_view text)
{
    static const std::uint16_t kWindows1252[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
    };
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        // Most of a text needs no reference: it is copied a run at a time.
        std::size_t run = i;
#if defined(__SSE2__)
        for (; run + 16 <= text.size(); run += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + run));
            const __m128i special =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('&')),
                                          _mm_cmpeq_epi8(block, _mm_set1_epi8('<'))),
                             _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('>')),
                                                       _mm_cmpeq_epi8(block, _mm_set1_epi8('"'))),
                                          _mm_cmpeq_epi8(block, _mm_setzero_si128())));
            // The high bit of each byte marks the ones from 0x80 up.
            const unsigned mask =
                static_cast<unsigned>(_mm_movemask_epi8(special) | _mm_movemask_epi8(block));
            if (mask != 0) {
                run += static_cast<unsigned>(__builtin_ctz(mask));
                break;
            }
        }
#endif
        while (run < text.size() && p[run] < 0x80 && p[run] != '&' && p[run] != '<' && p[run] != '>' &&
               p[run] != '"' && p[run] != 0)
            ++run;
        out.append(text.data() + i, run - i);
        if ((i = run) == text.size())
            break;
        unsigned char c = p[i];
        if (c >= 0x80) {
            std::size_t length = utf8Length(p + i, text.size() - i);
            if (length > 0) {
                out.append(text.data() + i, length);
                i += length;
            } else {
                appendUtf8(out, c < 0xA0 ? kWindows1252[c - 0x80] : c);
                ++i;
            }
            continue;
        }
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\0':
            out += "\xef\xbf\xbd";
            break;  // a NUL is no character of a page
        default:
            out += static_cast<char>(c);
        }
        ++i;
    }
}

// Appends `text` inside a CSS string in double quotes: a quote, a backslash and '<' (which could
// end the style element) as escapes, a line end as a line break, and a byte that is no part of
// UTF-8 as U+FFFD, so that page text can stand in generated content.
template <typename Out>
void appendCssString(Out& out, std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0, n = text.size(); i < n;) {
        const unsigned char c = p[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '<') {
            out += "\\3C ";
        } else if (c == '\n') {
            out += "\\A ";
        } else if (c < 0x20 || c == 0x7F) {
            out += ' ';
        } else if (c >= 0x80) {
            const std::size_t length = utf8Length(p + i, n - i);
            if (length == 0) {
                out += "\\FFFD ";
                ++i;
                continue;
            }
            out += text.substr(i, length);
            i += length;
            continue;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
}

}  // namespace zelko::view
