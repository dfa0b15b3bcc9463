// The whole pipeline over bytes held in memory, for the tests and the fuzz targets.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "scan/annotate.h"
#include "scan/scanner.h"

// What the tool writes for `input` in the given mode, handed to the scanner in two pieces split
// at `split`, scanned with the given vector code. Each piece lies in a place of exactly its
// size, where AddressSanitizer reports any read past it.
inline std::string runPipeline(const std::string& input, std::size_t split, bool showBorders,
                               zelko::Simd simd = zelko::Simd::fastest)
{
    char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* memory = open_memstream(&bytes, &size);
    {
        zelko::OutSink out(memory);
        zelko::ScanState state;
        zelko::Annotation annotation{showBorders, &out};
        for (auto [from, n] : {std::pair{std::size_t{0}, split},
                               std::pair{split, input.size() - split}}) {
            std::unique_ptr<char[]> piece(new char[n]);
            std::memcpy(piece.get(), input.data() + from, n);
            zelko::scanBytes(state, piece.get(), n, out, zelko::annotateHandler, &annotation,
                             simd);
        }
        out.flush();
    }
    std::fclose(memory);
    std::string result(bytes, size);
    std::free(bytes);
    return result;
}
