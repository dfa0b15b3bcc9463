// Classifies a window of 64 source bytes into bit masks: bit i of a mask stands for byte i.
// The scanner works on these masks instead of branching on every byte. With SSE2 (every
// x86-64) the masks come from vector compares 16 bytes at a time, with AVX2 (asked for at run
// time) 32 at a time; elsewhere from the tables, byte by byte. Every version that the
// processor runs is checked against the byte rules by the tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ZELKO_HAVE_SSE2 1
#endif

namespace zelko {

// The bytes that may enter a tag text: 'A' to 'z', '0' to '9', and < > = " / . : & ; , space.
extern const std::array<bool, 256> kAllowedInTag;

constexpr std::size_t kChunk = 16;
constexpr std::size_t kWindow = 64;

// The five classes, for 16 bytes (Chunk) or 64 bytes (Window).
template <typename Bits>
struct Masks {
    Bits open;        // '<'
    Bits space;       // ' '
    Bits otherBlank;  // tab, newline: with the spaces, the bytes copied outside a tag
    Bits close;       // '>'
    Bits dropped;     // not in kAllowedInTag
};
using ChunkMasks = Masks<std::uint32_t>;
using WindowMasks = Masks<std::uint64_t>;

// Index of the lowest set bit of a non-zero mask.
inline unsigned lowestBit(std::uint64_t mask)
{
#if defined(__GNUC__) || defined(__clang__)
    return static_cast<unsigned>(__builtin_ctzll(mask));
#else
    unsigned i = 0;
    for (; (mask & 1u) == 0; mask >>= 1)
        ++i;
    return i;
#endif
}

// Number of set bits, without a branch.
inline unsigned bitCount(std::uint64_t mask)
{
    mask -= (mask >> 1) & 0x5555555555555555u;
    mask = (mask & 0x3333333333333333u) + ((mask >> 2) & 0x3333333333333333u);
    mask = (mask + (mask >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<unsigned>((mask * 0x0101010101010101u) >> 56);
}

namespace bytewise {

inline ChunkMasks classify(const unsigned char* p)
{
    ChunkMasks m{0, 0, 0, 0, 0};
    for (unsigned i = 0; i < kChunk; ++i) {
        unsigned char c = p[i];
        m.open |= static_cast<std::uint32_t>(c == '<') << i;
        m.space |= static_cast<std::uint32_t>(c == ' ') << i;
        m.otherBlank |= static_cast<std::uint32_t>(c == '\t' || c == '\n') << i;
        m.close |= static_cast<std::uint32_t>(c == '>') << i;
        m.dropped |= static_cast<std::uint32_t>(!kAllowedInTag[c]) << i;
    }
    return m;
}

}  // namespace bytewise

#ifdef ZELKO_HAVE_SSE2
namespace sse2 {

inline std::uint32_t maskOf(__m128i bytes) { return static_cast<std::uint32_t>(_mm_movemask_epi8(bytes)); }

inline __m128i equal(__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); }

// Bytes from `low` to `low + span`, compared unsigned.
inline __m128i inRange(__m128i v, unsigned char low, unsigned char span)
{
    __m128i x = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(low)));
    return _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(static_cast<char>(span))), x);
}

inline ChunkMasks classify(const unsigned char* p)
{
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i space = equal(v, ' ');
    __m128i otherBlank = _mm_or_si128(equal(v, '\t'), equal(v, '\n'));
    // 'A' to 'z'; '0' to '>' (digits : ; < = >); '.' and '/'; then the four loose ones.
    __m128i allowed = _mm_or_si128(inRange(v, 'A', 'z' - 'A'), inRange(v, '0', '>' - '0'));
    allowed = _mm_or_si128(allowed, inRange(v, '.', 1));
    allowed = _mm_or_si128(allowed, _mm_or_si128(space, equal(v, '"')));
    allowed = _mm_or_si128(allowed, _mm_or_si128(equal(v, '&'), equal(v, ',')));
    return {maskOf(equal(v, '<')), maskOf(space), maskOf(otherBlank), maskOf(equal(v, '>')),
            maskOf(allowed) ^ 0xFFFFu};
}

}  // namespace sse2
using sse2::classify;
#else
using bytewise::classify;
#endif

// Classifies the 64 bytes at `p`.
inline WindowMasks classifyWindow(const unsigned char* p)
{
    WindowMasks w{0, 0, 0, 0, 0};
    for (unsigned k = 0; k < kWindow / kChunk; ++k) {
        ChunkMasks c = classify(p + k * kChunk);
        unsigned shift = k * kChunk;
        w.open |= static_cast<std::uint64_t>(c.open) << shift;
        w.space |= static_cast<std::uint64_t>(c.space) << shift;
        w.otherBlank |= static_cast<std::uint64_t>(c.otherBlank) << shift;
        w.close |= static_cast<std::uint64_t>(c.close) << shift;
        w.dropped |= static_cast<std::uint64_t>(c.dropped) << shift;
    }
    return w;
}

#if defined(ZELKO_HAVE_SSE2) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ZELKO_HAVE_AVX2 1

// The same window in two 32-byte halves, for processors with AVX2, which the scanner asks for
// at run time (the build targets every x86-64). Whether a byte may enter a tag text is looked
// up by its two halves: a byte is allowed when lowNibble[low 4 bits] and highNibble[high 4
// bits] share a bit. The 79 allowed bytes fall into five groups by their high half:
//   bit 0: 0x20 + {0 2 6 C E F}   space " & , . /
//   bit 1: 0x30 + {0..E}          0-9 : ; < = >
//   bit 2: 0x40 + {1..F}          A-O
//   bit 3: 0x50, 0x60 + {0..F}    P-Z [ \ ] ^ _ ` a-o
//   bit 4: 0x70 + {0..A}          p-z
namespace avx2 {

constexpr unsigned char kLowNibble[16] = {0x1B, 0x1E, 0x1F, 0x1E, 0x1E, 0x1E, 0x1F, 0x1E,
                                          0x1E, 0x1E, 0x1E, 0x0E, 0x0F, 0x0E, 0x0F, 0x0D};
constexpr unsigned char kHighNibble[16] = {0, 0, 0x01, 0x02, 0x04, 0x08, 0x08, 0x10, 0, 0, 0, 0, 0, 0, 0, 0};

__attribute__((target("avx2"))) inline std::uint64_t maskOf(__m256i bytes)
{
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(bytes));
}

__attribute__((target("avx2"))) inline __m256i equal(__m256i v, char c)
{
    return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(c));
}

__attribute__((target("avx2"))) inline WindowMasks classifyWindow(const unsigned char* p)
{
    // Each table in both 16-byte lanes: the byte shuffle looks up within a lane.
    const __m256i lowNibble =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(kLowNibble)));
    const __m256i highNibble =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(kHighNibble)));
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    WindowMasks w{0, 0, 0, 0, 0};
    for (unsigned half = 0; half < 2; ++half) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * half));
        __m256i space = equal(v, ' ');
        __m256i otherBlank = _mm256_or_si256(equal(v, '\t'), equal(v, '\n'));
        __m256i low = _mm256_and_si256(v, nibble);
        __m256i high = _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble);
        __m256i groups =
            _mm256_and_si256(_mm256_shuffle_epi8(lowNibble, low), _mm256_shuffle_epi8(highNibble, high));
        __m256i dropped = _mm256_cmpeq_epi8(groups, _mm256_setzero_si256());
        unsigned shift = 32 * half;
        w.open |= maskOf(equal(v, '<')) << shift;
        w.space |= maskOf(space) << shift;
        w.otherBlank |= maskOf(otherBlank) << shift;
        w.close |= maskOf(equal(v, '>')) << shift;
        w.dropped |= maskOf(dropped) << shift;
    }
    return w;
}

// True when the processor runs the scanner's AVX2 code, which also uses the bit-count and
// bit-manipulation instructions: some processors (and emulators) have AVX2 without them.
inline bool available()
{
    static const bool yes = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") &&
                            __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
    return yes;
}

}  // namespace avx2
#endif

}  // namespace zelko
