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

// A name's first six characters, letters in lower case, packed into a word (the first in the
// lowest byte); an empty place is 0. Kept names have two to five letters, so comparing the
// packed words decides the kind, and a longer name, having a sixth character, matches none.
constexpr std::uint64_t packed(const char* lowerName)
{
    std::uint64_t word = 0;
    for (unsigned k = 0; k < 6 && lowerName[k] != '\0'; ++k)
        word |= static_cast<std::uint64_t>(static_cast<unsigned char>(lowerName[k])) << (8 * k);
    return word;
}

// Setting bit 5 makes a letter lower case and turns no other byte into a letter.
std::uint64_t lowered(char c) { return static_cast<unsigned char>(c) | 0x20u; }

Kind kindOf(std::uint64_t name)
{
    switch (name) {
    case packed("td"):
    case packed("th"):
        return Kind::cell;
    case packed("tr"):
        return Kind::row;
    case packed("table"):
        return Kind::table;
    case packed("link"):
    case packed("html"):
    case packed("head"):
    case packed("body"):
        return Kind::frame;
    default:
        return Kind::other;
    }
}

// The packed name of a record (terminated, letter case as written).
std::uint64_t packedName(const char* name)
{
    std::uint64_t word = 0;
    for (unsigned k = 0; k < 6 && name[k] != '\0'; ++k)
        word |= lowered(name[k]) << (8 * k);
    return word;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool endsWord(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Reads the name straight from the tag text in the common shape: a letter right after "<" or
// "</", and the '>' last. Then nothing in front of the name or at the end is trimmed, and the
// name is what comes before the first space, tab or newline, or before the '>'. Packs its first
// six characters, a fixed number of steps without branches. False for any other shape.
bool readName(const char* tagText, std::size_t length, std::uint64_t& name, bool& closing)
{
    closing = tagText[1] == '/';
    std::size_t start = closing ? 2 : 1;
    if (length < start + 2 || !isLetter(tagText[start]) || tagText[length - 1] != '>')
        return false;
    std::size_t last = length - 1;  // the '>'
    std::uint64_t word = 0;
    bool ended = false;
    for (unsigned k = 0; k < 6; ++k) {
        std::size_t at = start + k < last ? start + k : last;  // never past the '>'
        char c = tagText[at];
        ended = ended | (at == last) | endsWord(c);
        word |= (ended ? 0 : lowered(c)) << (8 * k);
    }
    name = word;
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
    std::uint64_t name = 0;
    bool closing = false;
    if (!readName(tagText, length, name, closing)) {
        TagInfo head(tagText, length, TagInfo::Parse::nameOnly);
        name = packedName(head.name);
        closing = head.closing;
    }
    Kind kind = kindOf(name);
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
