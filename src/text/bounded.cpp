#include "text/bounded.h"

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

}  // namespace zelko
