// The check mode: reads a page as a browser builds its tables, and reports what is wrong with
// every one of them.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "check/report.h"
#include "heads/reader.h"
#include "heads/store.h"
#include "html/encoding.h"

namespace zelko::check {

// Checks one page fed to it in pieces of any size, as the bytes it holds, and adds its
// findings, named after the page, to a run's report as they are found. Memory stays bounded
// whatever the page.
class PageChecker {
public:
    // `transcode` turns the texts of a page in a declared encoding into UTF-8 (see html/encoding.h);
    // with --a11y, `scratches` hold what a large table's cells keep beyond memory.
    PageChecker(RunReport& run, const std::string& page, html::Transcode transcode = {},
                heads::ScratchMaker scratches = heads::memoryScratches());
    // A page of its own, whose report's lines (in the gnu form) go to `write` a batch at a time;
    // with `a11y`, who heads each cell is worked out as `work` says.
    PageChecker(const std::string& page, std::function<void(const std::string&)> write, bool a11y = false,
                heads::TableWork work = heads::TableWork::apart);
    ~PageChecker();
    PageChecker(const PageChecker&) = delete;
    PageChecker& operator=(const PageChecker&) = delete;

    // Reads the page's next `n` bytes.
    void feed(const char* bytes, std::size_t n);
    // Ends the page: reports what its end reveals and hands on the rest of the report (the run's
    // totals count the page). Call it once, after the last piece.
    void finish();
    // The error number of the first temporary file that could not be had, written or read.
    int scratchError() const;

private:
    struct Reading;
    std::unique_ptr<Reading> reading_;
};

// The report for a page held in memory, fed in pieces of `piece` bytes (0: all at once); `a11y`
// as --a11y, who heads each cell worked out as `work` says.
std::string checkText(const std::string& text, const std::string& page = "page.html", std::size_t piece = 0,
                      bool a11y = false, heads::TableWork work = heads::TableWork::apart);

}  // namespace zelko::check
