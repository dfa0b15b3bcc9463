// The default mode, whole: a page's bytes in, the result that keeps its frame and table
// skeleton out, in large blocks. The scanner (scanner.h) finds the tags, the annotation writer
// (annotate.h) writes what each calls for.
#pragma once

#include <cstddef>
#include <memory>

#include "scan/sink.h"

namespace zelko {

// The bytes every result begins with, with no line end after them, so that the result's lines
// still match the page's: a browser puts the element in the head it makes, and no script of the
// page, in a kept tag's handler or anywhere else, runs when the result is opened. Style sheets
// and images still load, as the frame is kept on purpose.
extern const char kNoScripts[];

class PageAnnotator {
public:
    // `showBorders`: border mode. The result, kNoScripts first, goes to `write` in blocks of up
    // to 256 KiB.
    PageAnnotator(bool showBorders, OutSink::Writer write);
    ~PageAnnotator();
    PageAnnotator(const PageAnnotator&) = delete;
    PageAnnotator& operator=(const PageAnnotator&) = delete;

    // Reads the page's next `n` bytes.
    void feed(const char* bytes, std::size_t n);
    // Hands on the rest of the result. Call it once, after the last piece.
    void finish();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace zelko
