#include "tag/text.h"

#include <cstring>

namespace zelko {

std::size_t copyBounded(char* dst, std::size_t dstSize, const char* src, std::size_t n)
{
    if (dstSize == 0)
        return n;
    std::size_t kept = n < dstSize - 1 ? n : dstSize - 1;
    std::memmove(dst, src, kept);
    dst[kept] = '\0';
    return n;
}

bool equalsIgnoreCase(Span text, const char* lower)
{
    std::size_t i = 0;
    for (; i < text.size; ++i) {
        unsigned char c = static_cast<unsigned char>(text.data[i]);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c - 'A' + 'a');
        if (lower[i] == '\0' || c != static_cast<unsigned char>(lower[i]))
            return false;
    }
    return lower[i] == '\0';
}

}  // namespace zelko
