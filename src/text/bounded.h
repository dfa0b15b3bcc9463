// Bounded text helpers. Every copy into a fixed buffer of the tool goes through these.
#pragma once

#include <cstddef>

namespace zelko {

// Characters a work text holds; every text array is one byte longer for the terminator.
constexpr std::size_t kTextCapacity = 1254;

// A read-only piece of a text: `size` bytes from `data`, not terminated.
struct Span {
    const char* data = nullptr;
    std::size_t size = 0;
};

// Copies `n` bytes of `src` into `dst` of `dstSize` bytes, at most dstSize - 1 of them, and
// terminates it. Returns n: a result of dstSize or more means the copy was cut short.
std::size_t copyBounded(char* dst, std::size_t dstSize, const char* src, std::size_t n);

// Compares `text` with the lower-case ASCII word `lower`, ignoring ASCII letter case.
inline bool equalsIgnoreCase(Span text, Span lower)
{
    if (text.size != lower.size)
        return false;
    for (std::size_t i = 0; i < text.size; ++i) {
        char c = text.data[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lower.data[i])
            return false;
    }
    return true;
}

}  // namespace zelko
