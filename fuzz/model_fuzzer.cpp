// The tool against a literal model of its rules (tests/model.cpp), on any input, both modes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../tests/model.h"
#include "scan/annotate.h"
#include "scan/scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    for (bool borders : {true, false}) {
        char* bytes = nullptr;
        std::size_t written = 0;
        std::FILE* memory = open_memstream(&bytes, &written);
        {
            zelko::OutSink out(memory);
            zelko::ScanState state;
            zelko::Annotation annotation{borders, &out};
            zelko::scanBytes(state, input.data(), size, out, zelko::annotateHandler, &annotation);
            out.flush();
        }
        std::fclose(memory);
        bool same = std::string(bytes, written) == zelko::model::run(input, borders);
        std::free(bytes);
        if (!same)
            std::abort();
    }
    return 0;
}
