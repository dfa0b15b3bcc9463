#include "html/lines.h"

#include <algorithm>
#include <cstring>

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
    if (codeUnits_ && carried_ > 0 && n > 0)
        settleCarry();
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

namespace {

// The length of the UTF-8 sequence whose lead byte is at `p`, when the `n` bytes there (n > 0)
// are that sequence or, cut by the end of the piece, its valid start; else 1, a byte on its own.
std::size_t sequenceLength(const unsigned char* p, std::size_t n)
{
    const unsigned char c = p[0];
    const std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                               : c >= 0xE0 && c <= 0xEF ? 3
                               : c >= 0xF0 && c <= 0xF4 ? 4
                                                        : 1;
    for (std::size_t i = 1; i < length && i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 1;
    }
    if (length > 1 && n > 1 &&
        ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F) || (c == 0xF0 && p[1] < 0x90) ||
         (c == 0xF4 && p[1] > 0x8F)))
        return 1;
    return length;
}

}  // namespace

// A valid UTF-8 sequence is one code unit, or two from four bytes; any other byte is one, as
// the windows-1252 character a page that is no UTF-8 shows for it. A sequence is read whole, so
// the bytes counted may run past `at`; one that the piece's end cuts waits for the next piece.
std::int64_t LineCounter::surplus(std::size_t at, std::uint64_t lineStart)
{
    if (counted_ < lineStart) {
        counted_ = lineStart;
        surplus_ = 0;
        carried_ = 0;
    }
    std::uint64_t k = counted_ - pieceStart_;
    while (k < at) {
        const std::size_t length = piece_[k] < 0xC2 ? 1 : sequenceLength(piece_ + k, size_ - k);
        if (length > size_ - k) {
            carried_ = size_ - k;
            std::memcpy(carry_, piece_ + k, carried_);
            k = size_;
            break;
        }
        surplus_ += length == 4 ? 2 : static_cast<std::int64_t>(length) - 1;
        k += length;
    }
    counted_ = std::max<std::uint64_t>(counted_, pieceStart_ + k);
    return surplus_;
}

// Settles a sequence that the end of the last piece cut, from the first bytes of this one.
void LineCounter::settleCarry()
{
    const unsigned char lead = carry_[0];
    const std::size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    const std::size_t taken = std::min(expected - carried_, size_);
    std::memcpy(carry_ + carried_, piece_, taken);
    const std::size_t have = carried_ + taken;
    const std::size_t length = sequenceLength(carry_, have);
    if (length == 1) {
        carried_ = 0;  // no sequence after all: its bytes are a code unit each
    } else if (have < length) {
        carried_ = have;  // still cut, by this short piece's end
        counted_ = pieceStart_ + size_;
    } else {
        surplus_ += length == 4 ? 2 : static_cast<std::int64_t>(length) - 1;
        counted_ = pieceStart_ + taken;
        carried_ = 0;
    }
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
