#include "check/check.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "check/report.h"
#include "check/tables.h"
#include "check/tokenizer.h"

namespace zelko::check {

namespace {

constexpr std::size_t kBlock = 256 * 1024;

}  // namespace

PageCheck checkPage(std::FILE* source, const std::string& page,
                    const std::function<void(const std::string&)>& write)
{
    Report report(page, write);
    TableBuilder builder(report);
    Tokenizer tokenizer(builder);
    std::unique_ptr<char[]> block(new char[kBlock]);
    PageCheck result;
    for (;;) {
        errno = 0;
        std::size_t n = std::fread(block.get(), 1, kBlock, source);
        if (n > 0)
            tokenizer.feed(block.get(), n);
        if (n < kBlock) {
            if (std::ferror(source)) {
                result.readError = errno != 0 ? errno : EIO;
                break;
            }
            if (std::feof(source))
                break;
        }
    }
    if (result.readError == 0)
        tokenizer.finish();
    report.flush();
    result.errors = report.errors();
    result.warnings = report.warnings();
    return result;
}

std::string checkText(const std::string& text, const std::string& page, std::size_t piece)
{
    std::string lines;
    Report report(page, [&lines](const std::string& batch) { lines += batch; });
    TableBuilder builder(report);
    Tokenizer tokenizer(builder);
    if (piece == 0)
        piece = text.size() + 1;
    for (std::size_t at = 0; at < text.size(); at += piece) {
        std::size_t n = text.size() - at < piece ? text.size() - at : piece;
        // Each piece in a block of its own size, so that a read past it is caught.
        std::unique_ptr<char[]> copy(new char[n]);
        std::copy(text.data() + at, text.data() + at + n, copy.get());
        tokenizer.feed(copy.get(), n);
    }
    tokenizer.finish();
    report.flush();
    return lines;
}

}  // namespace zelko::check
