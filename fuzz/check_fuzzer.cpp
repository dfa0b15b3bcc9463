// The check mode's tokenizer, tree builder and grid on any bytes as a page: the report is the
// same whatever pieces the page arrives in, and every line of it has the report's shape.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "check/check.h"

namespace {
void check(bool ok) { if (!ok) std::abort(); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string page(reinterpret_cast<const char*>(data), size);
    std::string whole = zelko::check::checkText(page, "p");
    std::size_t piece = size == 0 ? 1 : 1 + data[0] % 17;
    check(zelko::check::checkText(page, "p", piece) == whole);
    for (std::size_t at = 0, end; at < whole.size(); at = end + 1) {
        end = whole.find('\n', at);
        check(end != std::string::npos && whole.compare(at, 2, "p:") == 0);
        check(whole[end - 1] == ']' && whole.find(" [", at) < end);
    }
    return 0;
}
