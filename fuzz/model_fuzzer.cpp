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
    for (bool borders : {true, false})
        if (runPipeline(input, split, borders) != zelko::model::run(input, borders))
            std::abort();
    return 0;
}
