// Appending numbers and quoted texts to whatever a writer builds its output in: a std::string,
// or any output that appends as it does (append(bytes, n), += a char or a text).
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelko {

// Appends `number` in decimal: at most 20 bytes.
template <typename Out>
inline void appendNumber(Out& out, std::uint64_t number)
{
    char digits[20];
    char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, static_cast<std::size_t>(end - digits));
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
