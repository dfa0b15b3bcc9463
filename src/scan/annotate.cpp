#include "scan/annotate.h"

#include <cstdint>
#include <cstring>

#include "tag/TagInfo.h"
#include "tag/text.h"

namespace zelko {

const char kTableBorderStyle[] = "style=\"border: 1px solid #FF0000; border-width: 1px 1px 1px 1px;\">";
const char kCellBorderStyle[] = "style=\"border: 1px dotted #A0A0A0; border-width: 1px 1px 1px 1px;\">";

namespace {

const char kCaptionStart[] = "<thead style=\"color: #FF0000; font: normal 9px Courier New;\">";
const char kCaptionEnd[] = "</thead>";

enum class Kind { other, frame, table, row, cell };

Kind kindOf(const char* name)
{
    Span s{name, std::strlen(name)};
    if (equalsIgnoreCase(s, "td") || equalsIgnoreCase(s, "th"))
        return Kind::cell;
    if (equalsIgnoreCase(s, "tr"))
        return Kind::row;
    if (equalsIgnoreCase(s, "table"))
        return Kind::table;
    if (equalsIgnoreCase(s, "link") || equalsIgnoreCase(s, "html") || equalsIgnoreCase(s, "head") ||
        equalsIgnoreCase(s, "body"))
        return Kind::frame;
    return Kind::other;
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
    if (length == 0)
        return;
    // Most tags write nothing, so the name is read first and the attributes only when needed.
    TagInfo head(tagText, length, TagInfo::Parse::nameOnly);
    Kind kind = kindOf(head.name);
    if (kind == Kind::other)
        return;
    bool restyle = showBorders && !head.closing && (kind == Kind::table || kind == Kind::cell);
    if (restyle) {
        // The tag's last character (its '>') becomes a space before the style.
        out.write(tagText, length - 1);
        out.put(' ');
        out.write(kind == Kind::table ? kTableBorderStyle : kCellBorderStyle);
    } else {
        out.write(tagText, length);
    }

    if (head.closing || !(kind == Kind::cell || (kind == Kind::table && showBorders)))
        return;
    TagInfo tag(tagText, length);
    if (kind == Kind::table) {
        out.write(kCaptionStart);
        out.write(tag.className);
        out.write(kCaptionEnd);
    } else {
        out.write("&nbsp;");
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
