// The check mode's reading (decoder, tokenizer, tree builder and grid) on any bytes as a page,
// UTF-16 pages among them: the report is the same whatever pieces the page arrives in, in
// every report form, and every line of it has its form's shape.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "check/check.h"
#include "html/reading.h"

namespace {

using namespace zelko;

void require(bool ok)
{
    if (!ok)
        std::abort();
}

// The report of `page`, fed in pieces of `piece` bytes, in `format`.
std::string reportOf(const std::string& page, std::size_t piece, check::Format format)
{
    std::string out;
    check::RunReport run({format, false, true}, "1", [&out](const std::string& lines) { out += lines; });
    {
        check::PageChecker checker(run, "a b.html");
        html::feedInPieces(page, piece,
                           [&checker](const char* bytes, std::size_t n) { checker.feed(bytes, n); });
        checker.finish();
    }
    run.finish();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string page(reinterpret_cast<const char*>(data), size);
    std::string whole = check::checkText(page, "p");
    std::size_t piece = size == 0 ? 1 : 1 + data[0] % 17;
    require(check::checkText(page, "p", piece) == whole);
    for (std::size_t at = 0, end; at < whole.size(); at = end + 1) {
        end = whole.find('\n', at);
        require(end != std::string::npos && whole.compare(at, 2, "p:") == 0);
        require(whole[end - 1] == ']' && whole.find(" [", at) < end);
    }

    for (check::Format format :
         {check::Format::gnu, check::Format::json, check::Format::sarif, check::Format::github}) {
        std::string report = reportOf(page, 0, format);
        require(reportOf(page, piece, format) == report);
        if (format == check::Format::json) {
            for (std::size_t at = 0, end; at < report.size(); at = end + 1) {
                end = report.find('\n', at);
                require(end != std::string::npos && report.compare(at, 9, "{\"page\":\"") == 0 &&
                        report[end - 1] == '}');
            }
        } else if (format == check::Format::sarif) {
            require(report.size() >= 6 && report.compare(report.size() - 6, 6, "\n]}]}\n") == 0);
        }
    }
    return 0;
}
