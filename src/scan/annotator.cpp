#include "scan/annotator.h"

#include "scan/annotate.h"
#include "scan/scanner.h"

namespace zelko {

const char kNoScripts[] = "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'none'\">";

struct PageAnnotator::Parts {
    Parts(bool showBorders, OutSink::Writer write) : out(std::move(write)), annotation{showBorders, &out}
    {
        out.write(kNoScripts, sizeof kNoScripts - 1);
    }
    OutSink out;
    ScanState state;
    Annotation annotation;
};

PageAnnotator::PageAnnotator(bool showBorders, OutSink::Writer write)
    : parts_(new Parts(showBorders, std::move(write)))
{}

PageAnnotator::~PageAnnotator() = default;

void PageAnnotator::feed(const char* bytes, std::size_t n)
{
    scanBytes(parts_->state, bytes, n, parts_->out, annotateScannedTag, &parts_->annotation);
}

void PageAnnotator::finish() { parts_->out.flush(); }

}  // namespace zelko
