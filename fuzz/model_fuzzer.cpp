// The tool against a literal model of its rules (tests/model.cpp), on any input, both modes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../tests/model.h"
#include "../tests/pipeline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t split = size == 0 ? 0 : data[size - 1] % (size + 1);
    for (bool borders : {true, false}) {
        std::string expected = zelko::model::run(input, borders);
        for (zelko::Simd simd : {zelko::Simd::fastest, zelko::Simd::portable})
            if (runPipeline(input, split, borders, simd) != expected)
                std::abort();
    }
    return 0;
}
