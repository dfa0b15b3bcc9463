#include "check/check.h"

#include <utility>

#include "html/reading.h"

namespace zelko::check {

struct PageChecker::Reading {
    template <typename... ReportArguments>
    explicit Reading(html::Transcode transcode, ReportArguments&&... arguments)
        : report(std::forward<ReportArguments>(arguments)...),
          reading(report, nullptr, nullptr, 0, nullptr, std::move(transcode))
    {}
    Report report;
    html::PageReading reading;
};

PageChecker::PageChecker(RunReport& run, const std::string& page, html::Transcode transcode)
    : reading_(new Reading(std::move(transcode), run, page))
{
    // A SARIF log counts columns in UTF-16 code units.
    if (run.style().format == Format::sarif)
        reading_->reading.countCodeUnits();
}

PageChecker::PageChecker(const std::string& page, std::function<void(const std::string&)> write)
    : reading_(new Reading(html::Transcode{}, page, std::move(write)))
{}

PageChecker::~PageChecker() = default;

void PageChecker::feed(const char* bytes, std::size_t n) { reading_->reading.feed(bytes, n); }

void PageChecker::finish()
{
    reading_->reading.finish();
    reading_->report.pageEnded();
    reading_->report.flush();
}

std::string checkText(const std::string& text, const std::string& page, std::size_t piece)
{
    std::string lines;
    PageChecker checker(page, [&lines](const std::string& batch) { lines += batch; });
    html::feedInPieces(text, piece, [&checker](const char* bytes, std::size_t n) { checker.feed(bytes, n); });
    checker.finish();
    return lines;
}

}  // namespace zelko::check
