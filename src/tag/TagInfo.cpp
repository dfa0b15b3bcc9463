// Tag parsing is plain text surgery on the filtered tag text. Its rules are deliberate and show
// in the result file: names are compared without regard to case, but a value is looked up by
// searching the whole tag text for the exact lower-case attribute name and taking what follows
// the first '=' after it. Work texts are spans into the (at most 1254-character) tag text, so
// "remove from the front" and "cut" move span ends instead of shifting bytes.
#include "tag/TagInfo.h"

#include <climits>
#include <cstring>

#include "text/bounded.h"

namespace zelko {
namespace {

constexpr Span kClass{"class", 5};
constexpr Span kColspan{"colspan", 7};
constexpr Span kRowspan{"rowspan", 7};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Leading blanks are removed one at a time while fewer have been removed than characters
// remain, so a text that is mostly blanks keeps some: four blanks before "x>" lose three.
std::size_t leadingBlanksToRemove(const char* text, std::size_t size)
{
    std::size_t blanks = 0;
    while (blanks < size && isBlank(text[blanks]))
        ++blanks;
    std::size_t limit = (size + 1) / 2;
    return blanks < limit ? blanks : limit;
}

void trim(Span& s)
{
    std::size_t lead = leadingBlanksToRemove(s.data, s.size);
    s.data += lead;
    s.size -= lead;
    while (s.size > 0 && isBlank(s.data[s.size - 1]))
        --s.size;
}

void dropFront(Span& s, std::size_t n)
{
    if (n > s.size)
        n = s.size;
    s.data += n;
    s.size -= n;
}

void cutAt(Span& s, std::size_t position)
{
    if (position < s.size)
        s.size = position;
}

// A set of bytes, as a table indexed by the unsigned byte.
struct ByteSet {
    bool has[256];
};

constexpr ByteSet makeSet(const char* members)
{
    ByteSet set{};
    for (; *members != '\0'; ++members)
        set.has[static_cast<unsigned char>(*members)] = true;
    return set;
}

constexpr ByteSet kWordEnd = makeSet(" \t\n");
constexpr ByteSet kNameEnd = makeSet("= \t\n");
constexpr ByteSet kValueEnd = makeSet("= \t\n\">");
constexpr ByteSet kEquals = makeSet("=");
constexpr ByteSet kQuote = makeSet("\"");

// Position of the first byte of `s` that is in `set`, or s.size.
std::size_t findAny(Span s, const ByteSet& set)
{
    std::size_t i = 0;
    while (i < s.size && !set.has[static_cast<unsigned char>(s.data[i])])
        ++i;
    return i;
}

// Length of the leading run of `s` that holds no space, tab or newline.
std::size_t wordLength(Span s) { return findAny(s, kWordEnd); }

// Position of the first occurrence of `needle` (not empty) in `hay`, or hay.size when there
// is none. Candidates are found by their first character, with the library's word-wide search.
std::size_t findText(Span hay, Span needle)
{
    const char* at = hay.data;
    const char* end = hay.data + hay.size;
    while (static_cast<std::size_t>(end - at) >= needle.size) {
        std::size_t starts = static_cast<std::size_t>(end - at) - needle.size + 1;
        at = static_cast<const char*>(std::memchr(at, needle.data[0], starts));
        if (at == nullptr)
            break;
        if (std::memcmp(at + 1, needle.data + 1, needle.size - 1) == 0)
            return static_cast<std::size_t>(at - hay.data);
        ++at;
    }
    return hay.size;
}

// The value of `attribute`, taken after the first '=' that follows its first exact occurrence
// anywhere in the tag text. Returns false when the tag text does not hold the name at all.
bool extractAttributeValue(Span tag, Span attribute, Span& value)
{
    std::size_t at = findText(tag, attribute);
    if (at == tag.size)
        return false;
    value = tag;
    dropFront(value, at);
    std::size_t equals = findAny(value, kEquals);
    if (equals == value.size)
        value.size = 0;
    dropFront(value, equals);
    trim(value);
    if (value.size > 0 && value.data[0] == '=') {
        dropFront(value, 1);
        trim(value);
    }
    if (value.size > 0 && value.data[0] == '"') {
        dropFront(value, 1);
        trim(value);
        cutAt(value, findAny(value, kQuote));
        trim(value);
    } else {
        cutAt(value, findAny(value, kValueEnd));
    }
    return true;
}

// Reads a decimal integer as strtol does (leading white space, a sign, digits up to the first
// non-digit, 0 without digits), clamped to the 32-bit range instead of overflowing.
std::int32_t readDecimal(Span s)
{
    std::size_t i = 0;
    while (i < s.size && (s.data[i] == ' ' || (s.data[i] >= '\t' && s.data[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < s.size && (s.data[i] == '+' || s.data[i] == '-'))
        negative = s.data[i++] == '-';
    long long magnitude = 0;
    for (; i < s.size && s.data[i] >= '0' && s.data[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (s.data[i] - '0');
        if (magnitude > static_cast<long long>(INT32_MAX) + 1)
            magnitude = static_cast<long long>(INT32_MAX) + 1;
    }
    long long value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX)
        value = INT32_MAX;
    return static_cast<std::int32_t>(value);
}

// Copies a span into a 20-byte field, cut at 19 characters.
template <std::size_t N>
void copyField(char (&field)[N], Span s)
{
    std::size_t n = s.size < N - 1 ? s.size : N - 1;
    for (std::size_t i = 0; i < n; ++i)
        field[i] = s.data[i];
    field[n] = '\0';
}

}  // namespace

void trimBlanks(char* text)
{
    Span s{text, std::strlen(text)};
    trim(s);
    std::memmove(text, s.data, s.size);
    text[s.size] = '\0';
}

TagInfo::TagInfo(const char* tagText, Parse parse)
{
    this->parse(tagText, strnlen(tagText, kTextCapacity), parse);
}

TagInfo::TagInfo(const char* tagText, std::size_t length, Parse parse)
{
    this->parse(tagText, length, parse);
}

TagInfo::~TagInfo() = default;

void TagInfo::parse(const char* tagText, std::size_t length, Parse parse)
{
    Span tag{tagText, length < kTextCapacity ? length : kTextCapacity};

    Span rest = tag;
    dropFront(rest, 1);
    trim(rest);
    if (rest.size > 0 && rest.data[0] == '/') {
        closing = true;
        dropFront(rest, 1);
        trim(rest);
    }
    // A name that runs to the end of the tag carries the tag's '>' on it: drop that one.
    std::size_t n = wordLength(rest);
    std::size_t kept = n == rest.size && n > 0 ? n - 1 : n;
    copyField(name, Span{rest.data, kept});

    if (closing || parse == Parse::nameOnly)
        return;

    // The first pass removes the name, later ones the previous attribute's first word. The
    // three tests run one after another on the same piece, so a class value that reads
    // "colspan" is then tested as a name too; that is deliberate.
    while (rest.size > 0) {
        std::size_t before = rest.size;
        dropFront(rest, wordLength(rest));
        trim(rest);
        // A newline in front is removed by neither step; scanned tags never hold one, but any
        // other text must not stop the loop from moving on.
        if (rest.size == before)
            dropFront(rest, 1);
        if (rest.size == 0)
            break;
        Span piece = rest;
        trim(piece);
        cutAt(piece, findAny(rest, kNameEnd));

        if (equalsIgnoreCase(piece, kClass)) {
            if (extractAttributeValue(tag, kClass, piece))
                copyField(className, piece);
            else
                piece.size = 0;
        }
        if (equalsIgnoreCase(piece, kColspan)) {
            if (extractAttributeValue(tag, kColspan, piece))
                colspan = readDecimal(piece);
            else
                piece.size = 0;
        }
        if (equalsIgnoreCase(piece, kRowspan)) {
            if (extractAttributeValue(tag, kRowspan, piece))
                rowspan = readDecimal(piece);
        }
    }
}

}  // namespace zelko
