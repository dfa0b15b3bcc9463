#include "check/check.h"

#include <algorithm>

#include "check/report.h"
#include "check/tables.h"
#include "check/tokenizer.h"

namespace zelko::check {

struct PageChecker::Reading {
    Reading(const std::string& page, Report::Writer write)
        : report(page, std::move(write)), builder(report), tokenizer(builder)
    {
    }
    Report report;
    TableBuilder builder;
    Tokenizer tokenizer;
};

PageChecker::PageChecker(const std::string& page, std::function<void(const std::string&)> write)
    : reading_(new Reading(page, std::move(write)))
{
}

PageChecker::~PageChecker() = default;

void PageChecker::feed(const char* bytes, std::size_t n) { reading_->tokenizer.feed(bytes, n); }

PageCheck PageChecker::finish()
{
    reading_->tokenizer.finish();
    reading_->report.flush();
    PageCheck result;
    result.errors = reading_->report.errors();
    result.warnings = reading_->report.warnings();
    return result;
}

std::string checkText(const std::string& text, const std::string& page, std::size_t piece)
{
    std::string lines;
    PageChecker checker(page, [&lines](const std::string& batch) { lines += batch; });
    if (piece == 0)
        piece = text.size() + 1;
    for (std::size_t at = 0; at < text.size(); at += piece) {
        std::size_t n = std::min(piece, text.size() - at);
        // Each piece in a block of its own size, so that a read past it is caught.
        std::unique_ptr<char[]> copy(new char[n]);
        std::copy(text.data() + at, text.data() + at + n, copy.get());
        checker.feed(copy.get(), n);
    }
    checker.finish();
    return lines;
}

}  // namespace zelko::check
