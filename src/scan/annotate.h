// The annotation writer: what one completed tag contributes to the result file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scan/sink.h"

namespace zelko {

extern const char kTableBorderStyle[];
extern const char kCellBorderStyle[];

// Writes what tag text `tagText` (`length` bytes, '<' to '>') calls for: frame and table tags,
// restyled with borders when `showBorders` is set, a caption after an opening table in border
// mode, and a span-and-class label after every opening cell. Other tags write nothing.
void annotateTag(const char* tagText, std::size_t length, bool showBorders, OutSink& out);

// What an opening cell writes after itself (its spans and class), or an opening table in
// border mode (a caption with its class), as made from the tag's record.
struct Label {
    std::uint8_t size;
    char text[159];
};

// The labels of recent cell and table tags, by their text. Pages repeat the same cell tags
// over and over, and a label follows from the text alone, so a text seen lately is not parsed
// again.
class LabelCache {
public:
    static constexpr std::size_t kLongestText = 64;  // longer texts are parsed every time
    static constexpr std::size_t kSlots = 1024;

    // The label of tag text `tagText` (`length` bytes) of a cell, or of a table when `table`
    // is set. The text can be read for kLongestText bytes whatever its length.
    const Label& labelOf(const char* tagText, std::size_t length, bool table);

private:
    struct Entry {
        std::size_t length;  // 0 while the slot is empty: a tag text is never that short
        char text[kLongestText];
        Label label;
    };
    Entry entries[kSlots] = {};
    Label longLabel = {};
};

// The scanner's handler for the annotation writer; `context` is an Annotation. It reads short
// tag texts in whole words, past their end, which the scanner's texts allow: for texts from
// elsewhere, use annotateTag.
struct Annotation {
    bool showBorders;
    OutSink* out;
    LabelCache labels = {};
};
void annotateScannedTag(void* context, const char* tagText, std::size_t length);

}  // namespace zelko
