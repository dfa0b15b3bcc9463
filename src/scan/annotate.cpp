#include "scan/annotate.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "scan/classify.h"
#include "scan/scanner.h"
#include "tag/TagInfo.h"
#include "text/bytes.h"

namespace zelko {

const char kTableBorderStyle[] = "style=\"border: 1px solid #FF0000; border-width: 1px 1px 1px 1px;\">";
const char kCellBorderStyle[] = "style=\"border: 1px dotted #A0A0A0; border-width: 1px 1px 1px 1px;\">";

namespace {

const char kCaptionStart[] = "<thead style=\"color: #FF0000; font: normal 9px Courier New;\">";
const char kCaptionEnd[] = "</thead>";

enum class Kind { other, frame, table, row, cell };

// Setting bit 5 makes a letter lower case and turns no other byte into a letter.
constexpr std::uint64_t lowered(char c) { return static_cast<unsigned char>(c) | 0x20u; }

// A terminated name's first six characters, lower-cased by `lowered`, packed into a word (the
// first in the lowest byte); an empty place is 0. Kept names have two to five letters, so
// comparing the packed words decides the kind, and a longer name, having a sixth character,
// matches none.
constexpr std::uint64_t packed(const char* name)
{
    std::uint64_t word = 0;
    for (unsigned k = 0; k < 6 && name[k] != '\0'; ++k)
        word |= lowered(name[k]) << (8 * k);
    return word;
}

// The kept names are told apart by a perfect hash of their packed words into 16 slots: a name
// is kept when its slot holds that very name.
constexpr std::uint64_t kNameHash = 0x63CA828DD5F4B3B3u;
constexpr unsigned slotOf(std::uint64_t name) { return static_cast<unsigned>((name * kNameHash) >> 60); }

struct Slot {
    std::uint64_t name;
    Kind kind;
};

constexpr std::array<Slot, 16> makeSlots()
{
    std::array<Slot, 16> slots{};
    const Slot kept[] = {{packed("td"), Kind::cell},    {packed("th"), Kind::cell},
                         {packed("tr"), Kind::row},     {packed("table"), Kind::table},
                         {packed("link"), Kind::frame}, {packed("html"), Kind::frame},
                         {packed("head"), Kind::frame}, {packed("body"), Kind::frame}};
    for (const Slot& slot : kept) {
        if (slots[slotOf(slot.name)].kind != Kind::other)
            throw "two kept names share a slot";  // stops the compilation
        slots[slotOf(slot.name)] = slot;
    }
    return slots;
}

constexpr std::array<Slot, 16> kSlots = makeSlots();

Kind kindOf(std::uint64_t name)
{
    const Slot& slot = kSlots[slotOf(name)];
    return slot.name == name ? slot.kind : Kind::other;
}

// The tag texts worked on here can be read this far from their start whatever their length,
// so short ones are read and copied in whole words and blocks: the scanner hands its texts on
// so, and texts from elsewhere are first copied into a place this large.
constexpr std::size_t kReadable = kReadableText;
static_assert(kReadable >= LabelCache::kLongestText, "label lookups may read this far");

// The eight bytes at `p` as a word, the first in the lowest byte.
std::uint64_t loadWord(const char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

// The top bit of every byte of `word` below '!': a space or a control character. Above such a
// byte one may be flagged falsely, never below, so the lowest flag is always a true one.
std::uint64_t bytesBelowBang(std::uint64_t word)
{
    return (word - 0x2121212121212121u) & ~word & 0x8080808080808080u;
}

// Reads the name straight from the tag text in the common shape: a letter right after "<" or
// "</", and the '>' last. Then nothing in front of the name or at the end is trimmed, and the
// name is what comes before the first space, tab or newline, or before the '>'. Its first eight
// characters are looked at in one word, lower-cased and packed. `bare` tells whether the name
// is all there is before the '>'. False for any other shape, and for a name that holds a
// control character.
bool readName(const char* tagText, std::size_t length, std::uint64_t& name, bool& closing, bool& bare)
{
    closing = tagText[1] == '/';
    std::size_t start = closing ? 2 : 1;
    if (length < start + 2 || !isAsciiLetter(static_cast<unsigned char>(tagText[start])) ||
        tagText[length - 1] != '>')
        return false;
    std::uint64_t word = loadWord(tagText + start);
    std::size_t before = length - 1 - start;  // characters before the '>'
    std::uint64_t ends = bytesBelowBang(word);
    if (before < 8)
        ends |= std::uint64_t{0x80} << (8 * before);
    std::size_t size = ends != 0 ? lowestBit(ends) / 8 : 8;
    if (size < before) {
        char end = tagText[start + size];
        if (end != ' ' && end != '\t' && end != '\n')
            return false;
    }
    std::uint64_t kept = size < 8 ? (std::uint64_t{1} << (8 * size)) - 1 : ~std::uint64_t{0};
    name = (word | 0x2020202020202020u) & kept;
    bare = size == before;
    return true;
}

// Writes `value` in decimal at `to`; returns the end.
char* putDecimal(char* to, std::int32_t value)
{
    char digits[12];
    std::size_t n = sizeof digits;
    // Work on the magnitude as unsigned, so the most negative value needs no special case.
    std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
        digits[--n] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        digits[--n] = '-';
    std::memcpy(to, digits + n, sizeof digits - n);
    return to + (sizeof digits - n);
}

// Writes terminated `text` (at most `limit` characters) at `to`; returns the end.
char* putText(char* to, const char* text, std::size_t limit)
{
    std::size_t n = strnlen(text, limit);
    std::memcpy(to, text, n);
    return to + n;
}

// Appends the first `n` bytes of `text`, which can be read for kReadable bytes.
void writeReadable(OutSink& out, const char* text, std::size_t n)
{
    if (n <= kReadable && OutSink::kBlock - out.used >= kReadable) {
        std::memcpy(out.buffer + out.used, text, kReadable);
        out.used += n;
    } else {
        out.write(text, n);
    }
}

// The name and closing flag of a tag text of an unusual shape, from its record.
ZELKO_NOINLINE void readNameByRecord(const char* tagText, std::size_t length, std::uint64_t& name,
                                     bool& closing)
{
    TagInfo head(tagText, length, TagInfo::Parse::nameOnly);
    name = packed(head.name);
    closing = head.closing;
}

// A class value is text in the result, never markup: each '<' is written as "&lt;". The rest
// of the value stays as it is, which is how the result has always shown it.
char* putClass(char* to, const char* className, std::size_t limit)
{
    for (std::size_t k = 0; k < limit && className[k] != '\0'; ++k) {
        if (className[k] == '<') {
            std::memcpy(to, "&lt;", 4);
            to += 4;
        } else {
            *to++ = className[k];
        }
    }
    return to;
}

// The longest label: a caption with a class of 19 characters, each of them a '<'.
constexpr std::size_t kLongestClass = 19 * 4;
static_assert(sizeof kCaptionStart - 1 + kLongestClass + sizeof kCaptionEnd - 1 <= sizeof Label::text,
              "a caption fits in a label");
static_assert(6 + 11 + 1 + 11 + 1 + kLongestClass <= sizeof Label::text, "a cell's label fits");

// The label of a cell, or of a table when `table` is set, from the tag's record, which
// reading the attributes makes costly.
ZELKO_NOINLINE Label labelFromRecord(const char* tagText, std::size_t length, bool table)
{
    TagInfo tag(tagText, length);
    Label label;
    char* to = label.text;
    if (table) {
        to = putText(to, kCaptionStart, sizeof kCaptionStart);
        to = putClass(to, tag.className, sizeof tag.className);
        to = putText(to, kCaptionEnd, sizeof kCaptionEnd);
    } else {
        to = putText(to, "&nbsp;", 6);
        to = putDecimal(to, tag.colspan);
        *to++ = 'x';
        to = putDecimal(to, tag.rowspan);
        *to++ = ' ';
        to = putClass(to, tag.className, sizeof tag.className);
    }
    label.size = static_cast<std::uint8_t>(to - label.text);
    return label;
}

// Appends a label, copied whole when there is room.
void writeLabel(const Label& label, OutSink& out)
{
    if (OutSink::kBlock - out.used >= sizeof label.text) {
        std::memcpy(out.buffer + out.used, label.text, sizeof label.text);
        out.used += label.size;
    } else {
        out.write(label.text, label.size);
    }
}

// The word at byte `k` of a text of `length` bytes that can be read for kLongestText bytes,
// with what follows the text cleared: that varies from one look to the next.
std::uint64_t textWord(const char* text, std::size_t k, std::size_t length)
{
    std::uint64_t word = loadWord(text + k);
    return length - k < 8 ? word & ((std::uint64_t{1} << (8 * (length - k))) - 1) : word;
}

// The slot of a tag text (of at most kLongestText bytes), from all its bytes, a word at a time.
std::size_t slotOf(const char* tagText, std::size_t length)
{
    std::uint64_t hash = length;
    for (std::size_t k = 0; k < length; k += 8)
        hash = (hash ^ textWord(tagText, k, length)) * 0x9E3779B97F4A7C15u;
    return static_cast<std::size_t>(hash >> 40) % LabelCache::kSlots;
}

// Whether two texts of `length` (at most kLongestText) bytes are the same, a word at a time.
bool sameText(const char* a, const char* b, std::size_t length)
{
    std::uint64_t differ = 0;
    for (std::size_t k = 0; k < length; k += 8)
        differ |= textWord(a, k, length) ^ textWord(b, k, length);
    return differ == 0;
}

// What annotateTag does, for a tag text that can be read for kReadable bytes; labels are
// looked up in `labels` when there is one. Pasted into both callers: the scanner's handler
// then takes a tag without a second call.
ZELKO_INLINE void annotateReadable(const char* tagText, std::size_t length, bool showBorders, OutSink& out,
                                   LabelCache* labels)
{
    if (length < 2)
        return;
    // Most tags write nothing, so the name is read first and the attributes only when needed;
    // the record reads the name whenever the tag text has an unusual shape.
    std::uint64_t name = 0;
    bool closing = false;
    bool bare = false;
    if (!readName(tagText, length, name, closing, bare))
        readNameByRecord(tagText, length, name, closing);
    Kind kind = kindOf(name);
    if (kind == Kind::other)
        return;
    bool restyle = showBorders && !closing && (kind == Kind::table || kind == Kind::cell);
    if (restyle) {
        // The tag's last character (its '>') becomes a space before the style.
        writeReadable(out, tagText, length - 1);
        out.put(' ');
        if (kind == Kind::table)
            out.write(kTableBorderStyle, sizeof kTableBorderStyle - 1);
        else
            out.write(kCellBorderStyle, sizeof kCellBorderStyle - 1);
    } else {
        writeReadable(out, tagText, length);
    }
    if (closing || !(kind == Kind::cell || (kind == Kind::table && showBorders)))
        return;
    bool table = kind == Kind::table;
    if (bare) {
        // Nothing but the name: the label of any such tag, made once.
        static const Label bareCell = labelFromRecord("<td>", 4, false);
        static const Label bareTable = labelFromRecord("<table>", 7, true);
        writeLabel(table ? bareTable : bareCell, out);
    } else if (labels != nullptr) {
        writeLabel(labels->labelOf(tagText, length, table), out);
    } else {
        writeLabel(labelFromRecord(tagText, length, table), out);
    }
}

}  // namespace

void annotateTag(const char* tagText, std::size_t length, bool showBorders, OutSink& out)
{
    if (length >= kReadable) {
        annotateReadable(tagText, length, showBorders, out, nullptr);
        return;
    }
    char copy[kReadable] = {};
    std::memcpy(copy, tagText, length);
    annotateReadable(copy, length, showBorders, out, nullptr);
}

const Label& LabelCache::labelOf(const char* tagText, std::size_t length, bool table)
{
    if (length > kLongestText) {
        longLabel = labelFromRecord(tagText, length, table);
        return longLabel;
    }
    // Two places for each text, so that two frequent texts of the same slot do not take turns
    // at pushing each other out: the newer one is kept in front. The text decides whether the
    // tag is a cell or a table, so the text alone is the key.
    std::size_t slot = slotOf(tagText, length) & ~std::size_t{1};
    Entry& front = entries[slot];
    auto holds = [&](const Entry& entry) {
        return entry.length == length && sameText(entry.text, tagText, length);
    };
    if (holds(front))
        return front.label;
    Entry& back = entries[slot + 1];
    if (holds(back))
        return back.label;
    back = front;
    front.label = labelFromRecord(tagText, length, table);
    std::memcpy(front.text, tagText, length);
    front.length = length;
    return front.label;
}

void annotateScannedTag(void* context, const char* tagText, std::size_t length)
{
    // The scanner's tag texts are readable far enough.
    Annotation& a = *static_cast<Annotation*>(context);
    annotateReadable(tagText, length, a.showBorders, *a.out, &a.labels);
}

}  // namespace zelko
