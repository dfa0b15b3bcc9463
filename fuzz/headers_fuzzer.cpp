// The headers mode on any bytes as a page: the lines are the same whatever pieces the page
// arrives in and wherever the tables wait (in memory, or in scratches past a tiny budget), in
// both forms, and every line has its form's shape: one table line, then its cells. The check
// and the view with --a11y, which work the headers out too, read the same whatever the pieces;
// the check's report is the same whichever thread works the headers out.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "check/check.h"
#include "headers/headers.h"
#include "view/view.h"

namespace {

using namespace zelko;

void require(bool ok)
{
    if (!ok)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string page(reinterpret_cast<const char*>(data), size);
    const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 13;
    for (headers::Format format : {headers::Format::gnu, headers::Format::json}) {
        const std::string whole = headers::headersText(page, format, "p");
        require(headers::headersText(page, format, "p", piece) == whole);
        require(headers::headersText(page, format, "p", 0, 64) == whole);
        for (std::size_t at = 0, end; at < whole.size(); at = end + 1) {
            end = whole.find('\n', at);
            require(end != std::string::npos);
            if (format == headers::Format::json)
                require(whole.compare(at, 12, "{\"page\":\"p\",") == 0 && whole[end - 1] == '}');
            else
                require(whole.compare(at, 2, "p:") == 0 && whole.find(": table ", at) < end);
        }
    }
    const std::string report = check::checkText(page, "p", 0, true);
    require(check::checkText(page, "p", piece, true) == report);
    require(check::checkText(page, "p", 0, true, heads::TableWork::here) == report);
    const std::string view = view::viewText(page, true, "p", 0, true);
    require(view::viewText(page, true, "p", piece, true) == view);
    return 0;
}
