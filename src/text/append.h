// Appending numbers and quoted texts to whatever a writer builds its output in: a std::string,
// or any output that appends as it does (append(bytes, n), += a char or a text).
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelko {

// Writes `number` in decimal at `at`, which has room for 20 bytes; returns the end. Numbers under
// 100, most of those a table has, go without the general conversion.
inline char* putNumber(char* at, std::uint64_t number)
{
    if (number < 10) {
        *at = static_cast<char>('0' + number);
        return at + 1;
    }
    if (number < 100) {
        at[0] = static_cast<char>('0' + number / 10);
        at[1] = static_cast<char>('0' + number % 10);
        return at + 2;
    }
    return std::to_chars(at, at + 20, number).ptr;
}

// Appends `number` in decimal: at most 20 bytes.
template <typename Out>
inline void appendNumber(Out& out, std::uint64_t number)
{
    char digits[20];
    out.append(digits, static_cast<std::size_t>(putNumber(digits, number) - digits));
}

// Appends "1 row", "2 rows": `count` and the noun, in the plural unless the count is one.
template <typename Out>
inline void appendCounted(Out& out, std::uint64_t count, const char* noun)
{
    appendNumber(out, count);
    out += ' ';
    out += noun;
    if (count != 1)
        out += 's';
}

// Appends `text` in double quotes, with '"', '\' and control characters written as escapes, so
// that the text always stays on its one line.
void appendQuoted(std::string& out, std::string_view text);

}  // namespace zelko
