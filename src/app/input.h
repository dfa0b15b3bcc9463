// Reading a source: the one loop that takes a page's bytes from its stream, a block at a time,
// and hands them to whichever mode reads them. The modes take bytes and know nothing of files.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

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

// A page as the command line names it: "-" is standard input, which reports call "<stdin>".
// `openPage` opens it (in text mode, or as the bytes it holds), null with errno set on failure;
// `closePage` closes it, but never standard input.
std::FILE* openPage(const std::string& name, bool binary);
std::string pageName(const std::string& name);
void closePage(std::FILE* page);

}  // namespace zelko
