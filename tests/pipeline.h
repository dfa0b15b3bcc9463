// The whole pipeline over bytes held in memory, for the tests and the fuzz targets.
#pragma once

#include <cstring>
#include <memory>
#include <string>

#include "scan/annotate.h"
#include "scan/scanner.h"

// A writer that appends what it is handed to `text`.
inline zelko::OutSink::Writer appendTo(std::string& text)
{
    return [&text](const char* bytes, std::size_t n) { text.append(bytes, n); };
}

// Scans `n` bytes from a place of exactly their size, where AddressSanitizer reports any read
// past them.
inline void scanExactly(zelko::ScanState& state, const char* bytes, std::size_t n, zelko::OutSink& out,
                        zelko::TagHandler handler, void* context, zelko::Simd simd = zelko::Simd::fastest)
{
    std::unique_ptr<char[]> exact(new char[n]);
    std::memcpy(exact.get(), bytes, n);
    zelko::scanBytes(state, exact.get(), n, out, handler, context, simd);
}

// What the tool writes for `input` in the given mode, handed to the scanner in two pieces split
// at `split`, scanned with the given vector code, each piece from a place of exactly its size.
inline std::string runPipeline(const std::string& input, std::size_t split, bool showBorders,
                               zelko::Simd simd = zelko::Simd::fastest)
{
    std::string result;
    zelko::OutSink out(appendTo(result));
    zelko::ScanState state;
    zelko::Annotation annotation{showBorders, &out};
    scanExactly(state, input.data(), split, out, zelko::annotateScannedTag, &annotation, simd);
    scanExactly(state, input.data() + split, input.size() - split, out, zelko::annotateScannedTag,
                &annotation, simd);
    out.flush();
    return result;
}
