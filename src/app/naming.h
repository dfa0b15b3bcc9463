// Result file naming: the tool's own invocation path with its extension replaced by ".html".
#pragma once

#include <cstddef>

namespace zelko {

// Writes the result file name for invocation path `path` into `dest` of `destSize` bytes and
// returns 0. Leaves `dest` untouched and returns 1 when the path ends in a separator after a
// directory name with a dot, or 2 when the name would not fit.
int deriveResultName(char* dest, std::size_t destSize, const char* path);

}  // namespace zelko
