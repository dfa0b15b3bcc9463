// The markup scanner: finds tags in the source bytes, filters their characters, passes spaces,
// tabs and newlines through, and hands every completed tag text to a handler.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "scan/classify.h"
#include "scan/sink.h"
#include "text/bounded.h"

namespace zelko {

// A tag text handed to a handler can be read this far from its start, whatever its length.
constexpr std::size_t kReadableText = 64;

// Receives a completed tag text: `length` bytes from '<' to '>', not necessarily terminated. The
// text lies in the scanner's state (ScanState::tagText) or, when no byte of the tag is dropped,
// in the source itself; either way it can be read for kReadableText bytes, and only until the
// handler returns.
using TagHandler = void (*)(void* context, const char* tagText, std::size_t length);

struct ScanState {
    bool inTag = false;
    std::int32_t tagCount = 0;  // bytes since the latest '<' while the head is open (stops at 20)
    std::size_t textLength = 0;
    std::size_t headLength = 0;
    char tagText[kTextCapacity + 1] = {};  // filtered tag text, '<' to '>'
    // The first unfiltered bytes of the tag. Only the second one is ever looked at (a digit
    // there cancels the tag), so no more than two are kept.
    char tagHead[2] = {};
};

// The vector code the scanner runs: the fastest that the processor has, or the portable code
// that every processor runs. The result is the same; the tests compare them.
enum class Simd { fastest, portable };

// Scans `n` source bytes, continuing from `state`; writes to `out` and calls `handler`.
void scanBytes(ScanState& state, const char* bytes, std::size_t n, OutSink& out, TagHandler handler,
               void* context, Simd simd = Simd::fastest);

// A handler that writes nothing.
void ignoreTag(void* context, const char* tagText, std::size_t length);

}  // namespace zelko
