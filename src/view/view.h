// The --html5 view: a page that holds the skeleton of every table of a page as a browser builds
// it (column groups and columns, row groups and rows, implied ones written out, cells with
// their spans as browsers read them), each cell labelled as the default mode labels it, and
// every finding of the check marked on the element it concerns and listed after its table.
// Nothing of the page runs or loads in it. It is written in one pass, as the page is read.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "heads/store.h"
#include "html/encoding.h"
#include "text/buffer.h"
#include "view/spool.h"

namespace zelko::view {

class PageViewer {
public:
    // `page` names the page in the title; `borders`: border mode. The result goes to `write`
    // in blocks of some 64 KiB, from a thread of the viewer's own (one call at a time, all of
    // them made by the time finish returns or the viewer is gone). What waits beyond memory (a
    // long list of findings) goes to the spools `spools` makes.
    // `transcode` turns the texts of a page in a declared encoding into UTF-8. `a11y` (--a11y)
    // adds who heads each cell; a large table's cells wait beyond memory in `scratches`.
    PageViewer(const std::string& page, bool borders, ByteWriter write, SpoolMaker spools = memorySpools(),
               html::Transcode transcode = {}, bool a11y = false,
               heads::ScratchMaker scratches = heads::memoryScratches());
    ~PageViewer();
    PageViewer(const PageViewer&) = delete;
    PageViewer& operator=(const PageViewer&) = delete;

    // Reads the page's next `n` bytes, as they stand in the page.
    void feed(const char* bytes, std::size_t n);
    // Ends the page and hands on the rest of the result. Call it once, after the last piece.
    void finish();
    // After finish: the error number of the first spool that could not be had, written or read
    // (the findings it would have held are marked but not listed), or of a scratch, or 0.
    int spoolError() const;

private:
    struct Reading;
    std::unique_ptr<Reading> reading_;
};

// The result for a page held in memory, fed in pieces of `piece` bytes (0: all at once).
std::string viewText(const std::string& text, bool borders, const std::string& page = "page.html",
                     std::size_t piece = 0, bool a11y = false);

}  // namespace zelko::view
