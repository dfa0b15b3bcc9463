// Reading a source: the one loop that takes a page's bytes from its stream, a block at a time,
// and hands them to whichever mode reads them. The modes take bytes and know nothing of files.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

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

// Reads `source` to its end as readBlocks does, through a PageDecoder (see below) that hands
// the page's UTF-8 to `take` and calls `onUtf16` first for a UTF-16 page. Returns 0 or the
// error number of a failed read.
int readPage(std::FILE* source, const BlockTaker& take, const std::function<void()>& onUtf16);

// Turns a page's bytes into the UTF-8 that the readings take, as browsers decode a page: one that
// starts with a UTF-16 byte order mark (FF FE little-endian, FE FF big-endian) is decoded from
// UTF-16, unpaired surrogates and a lone last byte becoming U+FFFD; a UTF-8 byte order mark is
// dropped; any other page is handed on as it stands.
class PageDecoder {
public:
    // `onUtf16`, when given, is called once, before the first bytes are handed on, when the page
    // turns out to be UTF-16 (so that its reader can count columns in code units).
    explicit PageDecoder(BlockTaker take, std::function<void()> onUtf16 = {})
        : take_(std::move(take)), onUtf16_(std::move(onUtf16))
    {}
    // Takes the page's next `n` bytes; false when the taker stopped the reading.
    bool feed(const char* bytes, std::size_t n);
    // Ends the page. Call it once, after the last piece.
    bool finish();
    // True once the page is known to be UTF-16: from the first bytes handed on.
    bool fromUtf16() const { return form_ == Form::utf16le || form_ == Form::utf16be; }

private:
    enum class Form { unknown, bytes, utf16le, utf16be };
    bool decide();
    bool pass(const unsigned char* bytes, std::size_t n);
    BlockTaker take_;
    std::function<void()> onUtf16_;
    Form form_ = Form::unknown;
    unsigned char head_[3] = {};
    std::size_t headSize_ = 0;
    bool hasOdd_ = false;  // the first byte of a code unit whose second is still to come
    unsigned char odd_ = 0;
    std::uint32_t high_ = 0;  // a high surrogate waiting for its low one
    std::string out_;
};

}  // namespace zelko
