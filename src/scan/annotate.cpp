#include "scan/annotate.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "tag/TagInfo.h"
#include "tag/text.h"

namespace zelko {

const char kTableBorderStyle[] = "style=\"border: 1px solid #FF0000; border-width: 1px 1px 1px 1px;\">";
const char kCellBorderStyle[] = "style=\"border: 1px dotted #A0A0A0; border-width: 1px 1px 1px 1px;\">";

namespace {

const char kCaptionStart[] = "<thead style=\"color: #FF0000; font: normal 9px Courier New;\">";
const char kCaptionEnd[] = "</thead>";

enum class Kind { other, frame, table, row, cell };

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The kind of tag a name stands for, in any letter case.
Kind kindOf(Span name)
{
    if (name.size == 2 && lower(name.data[0]) == 't') {
        char second = lower(name.data[1]);
        return second == 'd' || second == 'h' ? Kind::cell : second == 'r' ? Kind::row : Kind::other;
    }
    if (equalsIgnoreCase(name, Span{"table", 5}))
        return Kind::table;
    for (const char* frame : {"link", "html", "head", "body"})
        if (equalsIgnoreCase(name, Span{frame, 4}))
            return Kind::frame;
    return Kind::other;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool endsWord(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Reads the name straight from the tag text in the common shape: a letter right after "<" or
// "</", and the '>' last. Then nothing in front of the name or at the end is trimmed, and the
// name is what comes before the first space, tab or newline, or before the '>'. Only its first
// six characters are taken: every kept name is shorter. False when the shape is another one.
bool readName(const char* tagText, std::size_t length, Span& name, bool& closing)
{
    closing = tagText[1] == '/';
    std::size_t start = closing ? 2 : 1;
    if (length < start + 2 || !isLetter(tagText[start]) || tagText[length - 1] != '>')
        return false;
    std::size_t stop = length - 1 < start + 6 ? length - 1 : start + 6;
    std::size_t i = start;
    while (i < stop && !endsWord(tagText[i]))
        ++i;
    name = Span{tagText + start, i - start};
    return true;
}

void writeDecimal(OutSink& out, std::int32_t value)
{
    char digits[12];
    std::size_t n = sizeof digits;
    // Work on the magnitude as unsigned, so the most negative value needs no special case.
    std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                        : static_cast<std::uint32_t>(value);
    do {
        digits[--n] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        digits[--n] = '-';
    out.write(digits + n, sizeof digits - n);
}

}  // namespace

void annotateTag(const char* tagText, std::size_t length, bool showBorders, OutSink& out)
{
    if (length < 2)
        return;
    // Most tags write nothing, so the name is read first and the attributes only when needed;
    // the record reads the name whenever the tag text has an unusual shape.
    Span name;
    bool closing = false;
    Kind kind;
    if (readName(tagText, length, name, closing)) {
        kind = kindOf(name);
    } else {
        TagInfo head(tagText, length, TagInfo::Parse::nameOnly);
        kind = kindOf(Span{head.name, std::strlen(head.name)});
        closing = head.closing;
    }
    if (kind == Kind::other)
        return;
    bool restyle = showBorders && !closing && (kind == Kind::table || kind == Kind::cell);
    if (restyle) {
        // The tag's last character (its '>') becomes a space before the style.
        out.write(tagText, length - 1);
        out.put(' ');
        if (kind == Kind::table)
            out.write(kTableBorderStyle, sizeof kTableBorderStyle - 1);
        else
            out.write(kCellBorderStyle, sizeof kCellBorderStyle - 1);
    } else {
        out.write(tagText, length);
    }

    if (closing || !(kind == Kind::cell || (kind == Kind::table && showBorders)))
        return;
    TagInfo tag(tagText, length);
    if (kind == Kind::table) {
        out.write(kCaptionStart, sizeof kCaptionStart - 1);
        out.write(tag.className);
        out.write(kCaptionEnd, sizeof kCaptionEnd - 1);
    } else {
        out.write("&nbsp;", 6);
        writeDecimal(out, tag.colspan);
        out.put('x');
        writeDecimal(out, tag.rowspan);
        out.put(' ');
        out.write(tag.className);
    }
}

void annotateHandler(void* context, const char* tagText, std::size_t length)
{
    Annotation& a = *static_cast<Annotation*>(context);
    annotateTag(tagText, length, a.showBorders, *a.out);
}

}  // namespace zelko
