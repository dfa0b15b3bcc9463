// The annotation writer: what one completed tag contributes to the result file.
#pragma once

#include <cstddef>

#include "scan/sink.h"

namespace zelko {

extern const char kTableBorderStyle[];
extern const char kCellBorderStyle[];

// Writes what tag text `tagText` (`length` bytes, '<' to '>') calls for: frame and table tags,
// restyled with borders when `showBorders` is set, a caption after an opening table in border
// mode, and a span-and-class label after every opening cell. Other tags write nothing.
void annotateTag(const char* tagText, std::size_t length, bool showBorders, OutSink& out);

// The scanner's handler for the annotation writer; `context` is an Annotation.
struct Annotation {
    bool showBorders;
    OutSink* out;
};
void annotateHandler(void* context, const char* tagText, std::size_t length);

}  // namespace zelko
