#include "html/lines.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zelko::html {

namespace {

// The place of the highest bit set in `bits` (not 0).
unsigned highestBit(std::uint64_t bits)
{
#if defined(__GNUC__) || defined(__clang__)
    return 63 - static_cast<unsigned>(__builtin_clzll(bits));
#else
    unsigned at = 0;
    while (bits >>= 1)
        ++at;
    return at;
#endif
}

unsigned bitsSet(std::uint64_t bits)
{
    unsigned n = 0;
    for (; bits != 0; bits &= bits - 1)  // a line end is rare among 64 bytes: few turns
        ++n;
    return n;
}

}  // namespace

void LineCounter::beginPiece(const unsigned char* p, std::size_t n)
{
    piece_ = p;
    size_ = n;
    windowStart_ = 0;
    window_ = lineEnds(0);
    // A CR at the end of the last piece and an LF here are one line end: the line starts after
    // the LF, and no further line begins.
    absorbedLF_ = n > 0 && afterCR_ && p[0] == '\n';
    if (absorbedLF_) {
        lineStart_ = pieceStart_ + 1;
        window_ &= ~std::uint64_t{1};
    }
}

// A line ends at an LF, and at a CR that no LF follows. A CR that ends the piece ends its line;
// should the next piece start with an LF, that LF moves the line's start past itself.
std::uint64_t LineCounter::lineEnds(std::size_t from) const
{
    const unsigned char* const p = piece_;
    std::uint64_t ends = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time, with the byte after them for a CR's LF.
    if (from + 65 <= size_) {
        const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
        for (unsigned i = 0; i < 64; i += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from + i));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from + i + 1));
            unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lf)));
            bits |= static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, cr))) &
                    ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(next, lf)));
            ends |= std::uint64_t{bits} << i;
        }
        return ends;
    }
#endif
    const std::size_t to = std::min(from + 64, size_);
    for (std::size_t k = from; k < to; ++k) {
        const unsigned char c = p[k];
        if (c == '\n' || (c == '\r' && (k + 1 == size_ || p[k + 1] != '\n')))
            ends |= std::uint64_t{1} << (k - from);
    }
    return ends;
}

void LineCounter::passWindow()
{
    if (window_ != 0) {
        lineStart_ = pieceStart_ + windowStart_ + highestBit(window_) + 1;
        line_ += bitsSet(window_);
    }
    windowStart_ += 64;
    window_ = windowStart_ < size_ ? lineEnds(windowStart_) : 0;
}

std::int64_t LineCounter::surplus(std::size_t at, std::uint64_t lineStart)
{
    if (counted_ < lineStart) {
        counted_ = lineStart;
        surplus_ = 0;
    }
    // A continuation byte adds no code unit; a four-byte sequence's lead byte adds two.
    for (std::uint64_t k = counted_ - pieceStart_; k < at; ++k) {
        unsigned char c = piece_[k];
        surplus_ += (c & 0xC0) == 0x80 ? 1 : c >= 0xF0 ? -1 : 0;
    }
    counted_ = std::max<std::uint64_t>(counted_, pieceStart_ + at);
    return surplus_;
}

Location LineCounter::locate(std::size_t at)
{
    while (at >= windowStart_ + 64)
        passWindow();
    std::uint64_t line = line_, lineStart = lineStart_;
    // The line ends in the window before `at`.
    const std::uint64_t before = window_ & ((std::uint64_t{1} << (at - windowStart_)) - 1);
    if (before != 0) {
        lineStart = pieceStart_ + windowStart_ + highestBit(before) + 1;
        line += bitsSet(before);
    }
    std::uint64_t column = pieceStart_ + at - lineStart + 1;
    if (codeUnits_)
        column -= static_cast<std::uint64_t>(surplus(at, lineStart));
    return {line, column};
}

void LineCounter::endPiece()
{
    if (size_ > 0) {
        if (absorbedLF_ && size_ == 1) {
            ++pastLast_.column;  // the piece is the LF of a CR LF, which belongs to the CR's line
        } else {
            Location last = locate(size_ - 1);
            pastLast_ = {last.line, last.column + 1};
        }
        while (windowStart_ < size_)
            passWindow();
        afterCR_ = piece_[size_ - 1] == '\r';
        if (codeUnits_)
            surplus(size_, lineStart_);  // the last line runs on into the next piece
    }
    pieceStart_ += size_;
    size_ = 0;
}

}  // namespace zelko::html
