#include "check/check.h"

#include <utility>

#include "check/a11y.h"
#include "html/reading.h"

namespace zelko::check {

// With --a11y the findings pass through the check of who heads each cell, which hears the
// table events and what the cells hold.
struct PageChecker::Reading {
    template <typename... ReportArguments>
    Reading(bool withA11y, heads::TableWork work, heads::ScratchMaker scratches, html::Transcode transcode,
            ReportArguments&&... arguments)
        : report(std::forward<ReportArguments>(arguments)...), a11y(report),
          heads(a11y, slots, heads::kTableMemory, std::move(scratches), heads::CellNames::ofHeaders, work),
          reading(withA11y ? static_cast<html::FindingSink&>(a11y) : report, withA11y ? &heads : nullptr,
                  withA11y ? heads::kHeadsAttributes : nullptr,
                  withA11y ? std::size_t{heads::HeadsAttribute::count} : std::size_t{0},
                  withA11y ? slots : nullptr, std::move(transcode)),
          withA11y(withA11y)
    {
        if (withA11y)
            reading.collectCellContent();
    }
    Report report;
    A11yCheck a11y;
    html::Slot slots[heads::HeadsAttribute::count] = {};
    heads::HeadsReader heads;
    html::PageReading reading;
    bool withA11y;
};

PageChecker::PageChecker(RunReport& run, const std::string& page, html::Transcode transcode,
                         heads::ScratchMaker scratches)
    : reading_(new Reading(run.style().a11y, heads::TableWork::apart, std::move(scratches),
                           std::move(transcode), run, page))
{
    // A SARIF log counts columns in UTF-16 code units.
    if (run.style().format == Format::sarif)
        reading_->reading.countCodeUnits();
}

PageChecker::PageChecker(const std::string& page, std::function<void(const std::string&)> write, bool a11y,
                         heads::TableWork work)
    : reading_(new Reading(a11y, work, heads::memoryScratches(), html::Transcode{}, page, std::move(write)))
{}

PageChecker::~PageChecker() = default;

int PageChecker::scratchError() const { return reading_->heads.error(); }

void PageChecker::feed(const char* bytes, std::size_t n) { reading_->reading.feed(bytes, n); }

void PageChecker::finish()
{
    reading_->reading.finish();
    reading_->heads.finish();
    reading_->a11y.finish();
    reading_->report.pageEnded();
    reading_->report.flush();
}

std::string checkText(const std::string& text, const std::string& page, std::size_t piece, bool a11y,
                      heads::TableWork work)
{
    std::string lines;
    PageChecker checker(
        page, [&lines](const std::string& batch) { lines += batch; }, a11y, work);
    html::feedInPieces(text, piece, [&checker](const char* bytes, std::size_t n) { checker.feed(bytes, n); });
    checker.finish();
    return lines;
}

}  // namespace zelko::check
