// Reading a source: the one loop that takes a page's bytes from its stream, a block at a time,
// and hands them to whichever mode reads them. The modes take bytes and know nothing of files.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>

namespace zelko {

// Large blocks keep the number of read calls, and their cost, low.
constexpr std::size_t kSourceBlock = 256 * 1024;

// Receives the next `n` bytes of the source (1 to kSourceBlock of them); returns false to stop
// reading, as after a failed write.
using BlockTaker = std::function<bool(const char* bytes, std::size_t n)>;

// Reads `source`, which no one has read yet, to its end in blocks and hands each to `take`.
// Returns 0 at the end of the source or when `take` stopped the reading, or the error number
// of a failed read.
int readBlocks(std::FILE* source, const BlockTaker& take);

}  // namespace zelko
