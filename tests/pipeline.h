// The whole pipeline over bytes held in memory, for the tests and the fuzz targets.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "scan/annotate.h"
#include "scan/scanner.h"

// What the tool writes for `input` in the given mode, handed to the scanner in two pieces split
// at `split`, scanned with the given vector code.
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
        zelko::scanBytes(state, input.data(), split, out, zelko::annotateHandler, &annotation,
                         simd);
        zelko::scanBytes(state, input.data() + split, input.size() - split, out,
                         zelko::annotateHandler, &annotation, simd);
        out.flush();
    }
    std::fclose(memory);
    std::string result(bytes, size);
    std::free(bytes);
    return result;
}
