#include "scan/annotate.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "tag/TagInfo.h"

namespace zelko {

const char kTableBorderStyle[] = "style=\"border: 1px solid #FF0000; border-width: 1px 1px 1px 1px;\">";
const char kCellBorderStyle[] = "style=\"border: 1px dotted #A0A0A0; border-width: 1px 1px 1px 1px;\">";

namespace {

const char kCaptionStart[] = "<thead style=\"color: #FF0000; font: normal 9px Courier New;\">";
const char kCaptionEnd[] = "</thead>";

enum class Kind { other, frame, table, row, cell };

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The kind of tag a name stands for, in any letter case.
Kind kindOf(const char* name)
{
    char n[6] = {};  // the longest kept name has five letters; a sixth means none matches
    for (std::size_t i = 0; i < sizeof n && name[i] != '\0'; ++i)
        n[i] = lower(name[i]);
    if (n[5] != '\0')
        return Kind::other;
    if (n[0] == 't') {
        if (n[2] == '\0')
            return n[1] == 'd' || n[1] == 'h' ? Kind::cell : n[1] == 'r' ? Kind::row : Kind::other;
        return std::memcmp(n, "table", 6) == 0 ? Kind::table : Kind::other;
    }
    for (const char* frame : {"link", "html", "head", "body"})
        if (std::memcmp(n, frame, 5) == 0)
            return Kind::frame;
    return Kind::other;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// True when the tag's name certainly is none of the kept ones. Decided only in the common
// shape where the name starts right after "<" or "</" with a letter: then its first two
// characters are the tag text's, and every kept name starts with one of these pairs.
bool cannotBeKept(const char* tagText, std::size_t length)
{
    std::size_t start = tagText[1] == '/' ? 2 : 1;
    if (length < start + 2 || !isLetter(tagText[start]))
        return false;
    char a = lower(tagText[start]), b = lower(tagText[start + 1]);
    switch (a) {
    case 't': return b != 'a' && b != 'r' && b != 'd' && b != 'h';
    case 'h': return b != 't' && b != 'e';
    case 'l': return b != 'i';
    case 'b': return b != 'o';
    default: return true;
    }
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
    if (length < 2 || cannotBeKept(tagText, length))
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
        if (kind == Kind::table)
            out.write(kTableBorderStyle, sizeof kTableBorderStyle - 1);
        else
            out.write(kCellBorderStyle, sizeof kCellBorderStyle - 1);
    } else {
        out.write(tagText, length);
    }

    if (head.closing || !(kind == Kind::cell || (kind == Kind::table && showBorders)))
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
