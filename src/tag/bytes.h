// Byte classes and the inlining marks that both readings of a page share. Bytes are tested as
// unsigned values, never through the locale, so that a page reads the same everywhere.
#pragma once

// ZELKO_INLINE pastes a step of a hot loop where it is called; ZELKO_NOINLINE keeps a rare
// path out of the common one, so that the common one needs no large stack frame.
#if defined(__GNUC__) || defined(__clang__)
#define ZELKO_INLINE __attribute__((always_inline)) inline
#define ZELKO_NOINLINE __attribute__((noinline))
#else
#define ZELKO_INLINE inline
#define ZELKO_NOINLINE
#endif

namespace zelko {

// '0' to '9'.
constexpr bool isDigit(unsigned char c) { return static_cast<unsigned char>(c - '0') < 10; }
// 'A' to 'Z' and 'a' to 'z': setting bit 5 lower-cases a letter and makes no other byte one.
constexpr bool isAsciiLetter(unsigned char c) { return static_cast<unsigned char>((c | 0x20) - 'a') < 26; }
// A digit, or 'A' to 'F' in either case.
constexpr bool isHexDigit(unsigned char c) { return isDigit(c) || static_cast<unsigned char>((c | 0x20) - 'a') < 6; }
// The byte, with 'A' to 'Z' made lower case.
constexpr unsigned char lowerAscii(unsigned char c) { return static_cast<unsigned char>(c - 'A') < 26 ? c | 0x20 : c; }

}  // namespace zelko
