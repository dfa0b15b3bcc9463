#include "html/tokenizer.h"

#include <algorithm>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "tag/bytes.h"

namespace zelko::html {

void feedInPieces(const std::string& text, std::size_t piece,
                  const std::function<void(const char* bytes, std::size_t n)>& feed)
{
    if (piece == 0)
        piece = text.size() + 1;
    for (std::size_t at = 0; at < text.size(); at += piece) {
        std::size_t n = std::min(piece, text.size() - at);
        std::unique_ptr<char[]> copy(new char[n]);
        std::copy(text.data() + at, text.data() + at + n, copy.get());
        feed(copy.get(), n);
    }
}

// --- Line counting -----------------------------------------------------------------------------

namespace {

// The place of the highest bit set in `bits` (not 0).
unsigned highestBit(std::uint64_t bits)
{
#if defined(__GNUC__) || defined(__clang__)
    return 63 - static_cast<unsigned>(__builtin_clzll(bits));
#else
    unsigned at = 0;
    while (bits >>= 1)
        ++at;
    return at;
#endif
}

unsigned bitsSet(std::uint64_t bits)
{
    unsigned n = 0;
    for (; bits != 0; bits &= bits - 1)  // a line end is rare among 64 bytes: few turns
        ++n;
    return n;
}

}  // namespace

void LineCounter::beginPiece(const unsigned char* p, std::size_t n)
{
    piece_ = p;
    size_ = n;
    windowStart_ = 0;
    window_ = lineEnds(0);
    // A CR at the end of the last piece and an LF here are one line end: the line starts after
    // the LF, and no further line begins.
    absorbedLF_ = n > 0 && afterCR_ && p[0] == '\n';
    if (absorbedLF_) {
        lineStart_ = pieceStart_ + 1;
        window_ &= ~std::uint64_t{1};
    }
}

// A line ends at an LF, and at a CR that no LF follows. A CR that ends the piece ends its line;
// should the next piece start with an LF, that LF moves the line's start past itself.
std::uint64_t LineCounter::lineEnds(std::size_t from) const
{
    const unsigned char* const p = piece_;
    std::uint64_t ends = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time, with the byte after them for a CR's LF.
    if (from + 65 <= size_) {
        const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
        for (unsigned i = 0; i < 64; i += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from + i));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from + i + 1));
            unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lf)));
            bits |= static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, cr))) &
                    ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(next, lf)));
            ends |= std::uint64_t{bits} << i;
        }
        return ends;
    }
#endif
    const std::size_t to = std::min(from + 64, size_);
    for (std::size_t k = from; k < to; ++k) {
        const unsigned char c = p[k];
        if (c == '\n' || (c == '\r' && (k + 1 == size_ || p[k + 1] != '\n')))
            ends |= std::uint64_t{1} << (k - from);
    }
    return ends;
}

void LineCounter::passWindow()
{
    if (window_ != 0) {
        lineStart_ = pieceStart_ + windowStart_ + highestBit(window_) + 1;
        line_ += bitsSet(window_);
    }
    windowStart_ += 64;
    window_ = windowStart_ < size_ ? lineEnds(windowStart_) : 0;
}

std::int64_t LineCounter::surplus(std::size_t at, std::uint64_t lineStart)
{
    if (counted_ < lineStart) {
        counted_ = lineStart;
        surplus_ = 0;
    }
    // A continuation byte adds no code unit; a four-byte sequence's lead byte adds two.
    for (std::uint64_t k = counted_ - pieceStart_; k < at; ++k) {
        unsigned char c = piece_[k];
        surplus_ += (c & 0xC0) == 0x80 ? 1 : c >= 0xF0 ? -1 : 0;
    }
    counted_ = std::max<std::uint64_t>(counted_, pieceStart_ + at);
    return surplus_;
}

Location LineCounter::locate(std::size_t at)
{
    while (at >= windowStart_ + 64)
        passWindow();
    std::uint64_t line = line_, lineStart = lineStart_;
    // The line ends in the window before `at`.
    const std::uint64_t before = window_ & ((std::uint64_t{1} << (at - windowStart_)) - 1);
    if (before != 0) {
        lineStart = pieceStart_ + windowStart_ + highestBit(before) + 1;
        line += bitsSet(before);
    }
    std::uint64_t column = pieceStart_ + at - lineStart + 1;
    if (codeUnits_)
        column -= static_cast<std::uint64_t>(surplus(at, lineStart));
    return {line, column};
}

void LineCounter::endPiece()
{
    if (size_ > 0) {
        if (absorbedLF_ && size_ == 1) {
            ++pastLast_.column;  // the piece is the LF of a CR LF, which belongs to the CR's line
        } else {
            Location last = locate(size_ - 1);
            pastLast_ = {last.line, last.column + 1};
        }
        while (windowStart_ < size_)
            passWindow();
        afterCR_ = piece_[size_ - 1] == '\r';
        if (codeUnits_)
            surplus(size_, lineStart_);  // the last line runs on into the next piece
    }
    pieceStart_ += size_;
    size_ = 0;
}

// --- Numbers ------------------------------------------------------------------------------------

long parseNonNegative(const std::string& text, long cap)
{
    std::size_t i = 0;
    while (i < text.size() && isHtmlWhite(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || !isDigit(static_cast<unsigned char>(text[i])))
        return -1;
    long value = 0;
    for (; i < text.size() && isDigit(static_cast<unsigned char>(text[i])); ++i) {
        if (value <= cap)
            value = value * 10 + (text[i] - '0');
    }
    if (negative && value != 0)
        return -1;  // "-0" is zero, any other negative number is no number at all
    return value > cap ? cap : value;
}

// --- Tag names ----------------------------------------------------------------------------------

namespace {

// Whether the `length` bytes at `name` are the name `known`; with `known` a literal, the compiler
// makes it a compare or two of whole words.
template <std::size_t N>
bool isNamed(const char* name, std::size_t length, const char (&known)[N])
{
    return length == N - 1 && std::memcmp(name, known, N - 1) == 0;
}

// Most names on a page (a, b, p, div, span, img) are ruled out by their length alone.
Tag tagNamed(const char* n, std::size_t length)
{
    switch (length) {
    case 2:
        if (n[0] != 't')
            return Tag::other;
        return n[1] == 'd' ? Tag::td : n[1] == 'r' ? Tag::tr : n[1] == 'h' ? Tag::th : Tag::other;
    case 3:
        return isNamed(n, length, "col") ? Tag::col : isNamed(n, length, "xmp") ? Tag::xmp : Tag::other;
    case 5:
        if (n[0] == 't') {
            return isNamed(n, length, "table")   ? Tag::table
                   : isNamed(n, length, "tbody") ? Tag::tbody
                   : isNamed(n, length, "thead") ? Tag::thead
                   : isNamed(n, length, "tfoot") ? Tag::tfoot
                   : isNamed(n, length, "title") ? Tag::title
                                                 : Tag::other;
        }
        return isNamed(n, length, "input")   ? Tag::input
               : isNamed(n, length, "style") ? Tag::style
                                             : Tag::other;
    case 6:
        return isNamed(n, length, "select")   ? Tag::select
               : isNamed(n, length, "keygen") ? Tag::keygen
               : isNamed(n, length, "script") ? Tag::script
               : isNamed(n, length, "iframe") ? Tag::iframe
                                              : Tag::other;
    case 7:
        return isNamed(n, length, "caption")   ? Tag::caption
               : isNamed(n, length, "noembed") ? Tag::noembed
                                               : Tag::other;
    case 8:
        return isNamed(n, length, "colgroup")   ? Tag::colgroup
               : isNamed(n, length, "textarea") ? Tag::textarea
               : isNamed(n, length, "template") ? Tag::template_
               : isNamed(n, length, "noframes") ? Tag::noframes
                                                : Tag::other;
    case 9:
        return isNamed(n, length, "plaintext") ? Tag::plaintext : Tag::other;
    default:
        return Tag::other;
    }
}

bool keepsAttributes(Tag tag)
{
    return tag == Tag::table || tag == Tag::td || tag == Tag::th || tag == Tag::col || tag == Tag::colgroup;
}

// The C1 range of numeric character references names Windows-1252 characters.
const std::uint16_t kWindows1252[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178,
};

// What a numeric character reference stands for.
std::uint32_t numericReference(std::uint32_t value)
{
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0xFFFD;
    if (value >= 0x80 && value <= 0x9F)
        return kWindows1252[value - 0x80];
    return value;
}

// The named references resolved in kept values: the ones an id, a class or a number plausibly
// holds. The first five may also stand without their ';'.
struct NamedReference {
    const char* name;
    std::uint32_t code;
};
const NamedReference kReferences[] = {
    {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"nbsp", 0xA0}, {"apos", '\''},
};
constexpr std::size_t kLegacyReferences = 5;

}  // namespace

// --- The state machine --------------------------------------------------------------------------

enum class Tokenizer::State : std::uint8_t {
    data,
    tagOpen,
    endTagOpen,
    tagName,
    beforeAttributeName,
    attributeName,
    afterAttributeName,
    beforeAttributeValue,
    quotedValue,
    unquotedValue,
    afterQuotedValue,
    selfClosing,
    bogusComment,
    markupDeclaration,
    commentStart,
    commentStartDash,
    comment,
    commentEndDash,
    commentEnd,
    commentEndBang,
    doctype,
    rawText,
    rawLessThan,
    rawEndTagOpen,
    rawEndTagName,
    scriptData,
    scriptLessThan,
    scriptEndTagOpen,
    scriptEndTagName,
    scriptEscapeStart,
    scriptEscapeStartDash,
    scriptEscaped,
    scriptEscapedDash,
    scriptEscapedDashDash,
    scriptEscapedLessThan,
    scriptEscapedEndTagOpen,
    scriptEscapedEndTagName,
    scriptDoubleEscapeStart,
    scriptDoubleEscaped,
    scriptDoubleEscapedDash,
    scriptDoubleEscapedDashDash,
    scriptDoubleEscapedLessThan,
    scriptDoubleEscapeEnd,
    plaintext,
};

Location Tokenizer::locate(const unsigned char* at)
{
    return lines_.locate(static_cast<std::size_t>(at - piece_));
}

void Tokenizer::startTagToken(const unsigned char* lt)
{
    tagStart_ = lt;
    tagLocated_ = false;
}

void Tokenizer::beginAttribute()
{
    attributeLength_ = 0;
    value_ = nullptr;
}

void Tokenizer::endAttributeName()
{
    value_ = nullptr;
    valueAfterCR_ = false;
    inReference_ = false;
    if (!keepAttributes_ || attributeLength_ > sizeof attribute_)
        return;
    Token& t = token_;
    auto take = [this](bool& has, std::string& value, bool numeric) {
        if (has)
            return;  // the first of two same-named attributes counts
        has = true;
        value.clear();
        value_ = &value;
        numeric_ = numeric;
    };
    const char* const a = attribute_;
    const std::size_t n = attributeLength_;
    if (t.tag == Tag::td || t.tag == Tag::th) {
        if (isNamed(a, n, "colspan"))
            take(t.hasColspan, t.colspan, true);
        else if (isNamed(a, n, "rowspan"))
            take(t.hasRowspan, t.rowspan, true);
        else if (isNamed(a, n, "headers"))
            take(t.hasHeaders, t.headers, false);
        else if (t.tag == Tag::th && isNamed(a, n, "id"))
            take(t.hasId, t.id, false);
        else if (viewAttributes_ && isNamed(a, n, "class"))
            take(t.hasClass, t.className, false);
    } else if (t.tag == Tag::table) {
        if (isNamed(a, n, "class")) {
            take(t.hasClass, t.className, false);
        } else if (viewAttributes_) {
            for (std::size_t i = 0; i < 5; ++i) {
                if (n == std::strlen(kTableLooks[i]) && std::memcmp(a, kTableLooks[i], n) == 0)
                    take(t.hasLook[i], t.looks[i], false);
            }
        }
    } else if (isNamed(a, n, "span")) {  // col and colgroup
        take(t.hasSpan, t.span, true);
    }
}

// A NUL in a name stands for U+FFFD, which no name the checks know holds.
void Tokenizer::appendAttribute(unsigned char c)
{
    if (attributeLength_ < sizeof attribute_)
        attribute_[attributeLength_] = static_cast<char>(c == 0 ? 0xFF : lowerAscii(c));
    ++attributeLength_;
}

void Tokenizer::appendValue(unsigned char c)
{
    std::string& v = *value_;
    if (c == '\n' && valueAfterCR_) {
        valueAfterCR_ = false;
        return;
    }
    valueAfterCR_ = c == '\r';
    if (c == '\r')
        c = '\n';
    if (numeric_ && v.empty() && isHtmlWhite(c))
        return;
    std::size_t bound = numeric_ ? kMaxNumber : kMaxText;
    if (c == 0) {
        if (v.size() + 3 <= bound)
            v += "\xEF\xBF\xBD";
    } else if (v.size() < bound) {
        v += static_cast<char>(c);
    }
}

// Resolves the character reference collected in reference_ (from its '&'), now that a byte
// that cannot continue it has come; returns true when that byte (a ';') was taken into it.
bool Tokenizer::endReference(unsigned char next)
{
    inReference_ = false;
    const std::string& r = reference_;
    std::string decoded;
    bool taken = false;
    if (r.size() >= 2 && r[1] == '#') {
        if (referenceDigits_ > 0) {
            appendUtf8(decoded, numericReference(referenceValue_));
            taken = next == ';';
        }
    } else if (r.size() >= 2) {
        std::string name = r.substr(1);
        bool found = false;
        for (std::size_t k = 0; k < sizeof kReferences / sizeof kReferences[0] && !found; ++k) {
            if (next == ';' && name == kReferences[k].name) {
                appendUtf8(decoded, kReferences[k].code);
                taken = found = true;
            }
        }
        // Without its ';' a legacy name counts only when no letter, digit or '=' follows it.
        for (std::size_t k = 0; k < kLegacyReferences && !found; ++k) {
            if (name == kReferences[k].name && next != '=') {
                appendUtf8(decoded, kReferences[k].code);
                found = true;
            }
        }
    }
    if (decoded.empty()) {
        for (char c : r)
            appendValue(static_cast<unsigned char>(c));
    } else {
        for (char c : decoded)
            appendValue(static_cast<unsigned char>(c));
    }
    return taken;
}

// Takes a byte of a kept value that holds a character reference; returns true when the byte
// was used up, false when it is to be read again as an ordinary byte of the value.
bool Tokenizer::referenceByte(unsigned char c)
{
    std::string& r = reference_;
    bool numeric = r.size() >= 2 && r[1] == '#';
    bool hex = numeric && r.size() >= 3 && (r[2] == 'x' || r[2] == 'X');
    if (r.size() == 1 && (isAsciiLetter(c) || isDigit(c) || c == '#')) {
        r += static_cast<char>(c);
        referenceValue_ = 0;
        referenceDigits_ = 0;
        return true;
    }
    if (numeric && r.size() == 2 && (c == 'x' || c == 'X')) {
        r += static_cast<char>(c);
        return true;
    }
    if (numeric && (hex ? isHexDigit(c) : isDigit(c))) {
        // Digits are counted, not kept: a number of any length ends as one character.
        std::uint32_t d = isDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
        if (referenceValue_ <= 0x10FFFF)
            referenceValue_ = referenceValue_ * (hex ? 16 : 10) + d;
        ++referenceDigits_;
        return true;
    }
    if (!numeric && r.size() > 1 && r.size() < 40 && (isAsciiLetter(c) || isDigit(c))) {
        r += static_cast<char>(c);
        return true;
    }
    return endReference(c);
}

bool Tokenizer::appropriateEndTag() const
{
    return nameLength_ == rawNameLength_ && nameLength_ <= sizeof name_ &&
           std::memcmp(name_, rawName_, nameLength_) == 0;
}

void Tokenizer::beginTag(bool endTag)
{
    token_.endTag = endTag;
    token_.tag = Tag::other;
    nameLength_ = 0;
}

void Tokenizer::endTagName()
{
    Token& t = token_;
    t.tag = nameLength_ <= sizeof name_ ? tagNamed(name_, nameLength_) : Tag::other;
    keepAttributes_ = !t.endTag && keepsAttributes(t.tag);
    // A value is cleared when its attribute comes: one whose attribute has not come is not read.
    if (keepAttributes_) {
        t.hasColspan = t.hasRowspan = t.hasSpan = t.hasHeaders = t.hasId = t.hasClass = false;
        for (bool& has : t.hasLook)
            has = false;
    }
    value_ = nullptr;
}

void Tokenizer::appendName(unsigned char c)
{
    if (nameLength_ < sizeof name_)
        name_[nameLength_] = static_cast<char>(c == 0 ? 0xFF : lowerAscii(c));
    ++nameLength_;
}

void Tokenizer::emitTag()
{
    // Nothing reads the place of a cell's end tag, which only closes the cell.
    bool cellEnd = token_.endTag && (token_.tag == Tag::td || token_.tag == Tag::th);
    if (token_.tag != Tag::other && !tagLocated_ && !cellEnd) {
        token_.where = locate(tagStart_);
        tagLocated_ = true;
    }
    State next = State::data;
    // A tag of no kind the tree builder tells apart changes nothing, but in a column group.
    bool matters = token_.tag != Tag::other || sink_.wantsText;
    if (token_.endTag) {
        if (matters)
            sink_.endTag(token_);
    } else {
        content_ = matters ? sink_.startTag(token_) : Content::data;
        if (content_ != Content::data) {
            std::memcpy(rawName_, name_, sizeof rawName_);
            rawNameLength_ = nameLength_;
        }
        keepAttributes_ = false;
        next = content_ == Content::rcdata || content_ == Content::rawtext ? State::rawText
               : content_ == Content::scriptData                           ? State::scriptData
               : content_ == Content::plaintext                            ? State::plaintext
                                                                           : State::data;
    }
    state_ = next;
}

namespace {

// What a byte means to the loops over names and values, looked up rather than tested for one
// byte after another.
enum : unsigned char {
    kWhite = 1,              // tab, LF, FF, CR, space
    kEndsName = 2,           // white space, '/' or '>'
    kEndsAttributeName = 4,  // those or '='
    kEndsUnquotedValue = 8,  // white space or '>'
};

struct ByteClasses {
    unsigned char of[256] = {};
    unsigned char nameByte[256] = {};  // a name's byte as kept: lower case, a NUL as 0xFF

    constexpr ByteClasses()
    {
        for (unsigned c = 0; c < 256; ++c) {
            const bool white = c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
            const bool endsName = white || c == '/' || c == '>';
            of[c] = static_cast<unsigned char>((white ? kWhite : 0) | (endsName ? kEndsName : 0) |
                                               (endsName || c == '=' ? kEndsAttributeName : 0) |
                                               (white || c == '>' ? kEndsUnquotedValue : 0));
            nameByte[c] = static_cast<unsigned char>(c == 0 ? 0xFF : c >= 'A' && c <= 'Z' ? c | 0x20 : c);
        }
    }
};
constexpr ByteClasses kBytes;

bool endsName(unsigned char c) { return (kBytes.of[c] & kEndsName) != 0; }

// The first `c` from `p` on, before `end`, or null. Most of what it looks for on a page is near
// (the next tag, a value's closing quote): the sixteen bytes ahead are looked at in place
// before the library's search is called.
const unsigned char* findByte(const unsigned char* p, const unsigned char* end, unsigned char c)
{
#if defined(__SSE2__)
    if (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(c)))));
        if (mask != 0)
            return p + __builtin_ctz(mask);
        p += 16;
    }
#endif
    return static_cast<const unsigned char*>(std::memchr(p, c, static_cast<std::size_t>(end - p)));
}

const unsigned char* skipWhite(const unsigned char* p, const unsigned char* end)
{
    while (p < end && (kBytes.of[*p] & kWhite) != 0)
        ++p;
    return p;
}

}  // namespace

// After an attribute's name or value: the end of the piece leaves the tag in state `pause`, a
// '/' starts its self-closing state and a '>' ends it. Returns where reading goes on then, or
// null when the byte at `p` is another one.
const unsigned char* Tokenizer::closeOrPause(const unsigned char* p, const unsigned char* end, State pause)
{
    if (p == end) {
        state_ = pause;
        return p;
    }
    if (*p == '/') {
        state_ = State::selfClosing;
        return p + 1;
    }
    if (*p == '>') {
        emitTag();
        return p + 1;
    }
    return nullptr;
}

// Text, up to the next tag. A tag that starts with a letter after its "<" or "</" is read on
// at once, its name and attributes in one straight pass where the piece holds them, and so is
// the text after it: most of a page is read without a step of the state machine per tag.
const unsigned char* Tokenizer::readData(const unsigned char* p, const unsigned char* end)
{
    while (p < end && state_ == State::data) {
        if (sink_.wantsText) {
            const unsigned char* q = p;
            while (q < end && *q != '<' && isHtmlWhite(*q))
                ++q;
            if (q < end && *q != '<') {
                sink_.text(locate(q));
                return q + 1;  // the sink may want no more text now
            }
            p = q;
            if (p == end)
                break;
        }
        const unsigned char* lt = findByte(p, end, '<');
        if (lt == nullptr)
            return end;
        p = lt;
        startTagToken(p);
        ++p;
        if (p < end && isAsciiLetter(*p)) {
            beginTag(false);
            p = readTagName(p, end);
        } else if (end - p >= 2 && *p == '/' && isAsciiLetter(p[1])) {
            beginTag(true);
            p = readTagName(p + 1, end);
        } else {
            state_ = State::tagOpen;
        }
    }
    return p;
}

// A tag's name, and on into its attributes.
const unsigned char* Tokenizer::readTagName(const unsigned char* p, const unsigned char* end)
{
    state_ = State::tagName;
    std::size_t length = nameLength_;  // counted here, where it need not be stored each time
    for (; p < end && !endsName(*p); ++p, ++length) {
        if (length < sizeof name_)
            name_[length] = static_cast<char>(kBytes.nameByte[*p]);
    }
    nameLength_ = length;
    if (p == end)
        return p;
    endTagName();
    if (*p == '>') {
        emitTag();
        return p + 1;
    }
    if (*p == '/') {
        state_ = State::selfClosing;
        return p + 1;
    }
    state_ = State::beforeAttributeName;
    return readAttributeList(p + 1, end);
}

// A tag's attributes, read in one straight pass instead of a state at a time, as far as the
// piece holds them and they hold nothing unusual: a '/' before a name, a character reference,
// NUL or CR in a kept value, and the end of the piece, are handed back to the states, which go
// on from there. Starts in beforeAttributeName.
const unsigned char* Tokenizer::readAttributeList(const unsigned char* p, const unsigned char* end)
{
    for (;;) {
        p = skipWhite(p, end);
        if (p == end)
            return p;  // still before an attribute name
        if (*p == '>') {
            emitTag();
            return p + 1;
        }
        if (*p == '/') {
            state_ = State::afterAttributeName;
            return p;
        }
        beginAttribute();
        state_ = State::attributeName;
        if (*p == '=')
            appendAttribute(*p++);              // a name may start with '='
        std::size_t length = attributeLength_;  // as in a tag name
        if (keepAttributes_) {
            for (; p < end && (kBytes.of[*p] & kEndsAttributeName) == 0; ++p, ++length) {
                if (length < sizeof attribute_)
                    attribute_[length] = static_cast<char>(kBytes.nameByte[*p]);
            }
        } else {
            while (p < end && (kBytes.of[*p] & kEndsAttributeName) == 0)
                ++p;  // a name no one reads
        }
        attributeLength_ = length;
        if (p == end)
            return p;
        endAttributeName();
        p = skipWhite(p, end);
        if (const unsigned char* next = closeOrPause(p, end, State::afterAttributeName))
            return next;
        if (*p != '=')
            continue;  // the next attribute's name
        p = skipWhite(p + 1, end);
        if (p == end) {
            state_ = State::beforeAttributeValue;
            return p;
        }
        if (*p == '>') {
            emitTag();  // an '=' with no value
            return p + 1;
        }
        if (*p == '"' || *p == '\'') {
            quote_ = static_cast<char>(*p);
            state_ = State::quotedValue;
            ++p;
            const unsigned char* found = findByte(p, end, static_cast<unsigned char>(quote_));
            const unsigned char* close = found == nullptr ? end : found;
            p = takeValue(p, close);
            if (p != close || close == end)
                return p;  // the states read on from an unusual byte, or in the next piece
            if (const unsigned char* next = closeOrPause(p + 1, end, State::afterQuotedValue))
                return next;
            ++p;
            state_ = State::beforeAttributeName;
            continue;  // white space, or the next name straight after the quote
        }
        state_ = State::unquotedValue;
        const unsigned char* stop = p;
        while (stop < end && (kBytes.of[*stop] & kEndsUnquotedValue) == 0)
            ++stop;
        p = takeValue(p, stop);
        if (p != stop || stop == end)
            return p;
        if (*p == '>') {
            emitTag();
            return p + 1;
        }
        state_ = State::beforeAttributeName;
        ++p;
    }
}

// Adds the bytes of an attribute value from `p` up to `stop` to the kept value, if any, as far
// as no byte needs the states' care (a character reference, NUL, CR); returns where it stopped.
const unsigned char* Tokenizer::takeValue(const unsigned char* p, const unsigned char* stop)
{
    if (value_ == nullptr)
        return stop;
    const unsigned char* q = p;
    while (q < stop && *q != '&' && *q != 0 && *q != '\r')
        ++q;
    std::string& v = *value_;
    if (numeric_ && v.empty())
        p = skipWhite(p, q);
    const std::size_t bound = numeric_ ? kMaxNumber : kMaxText;
    v.append(reinterpret_cast<const char*>(p),
             std::min<std::size_t>(static_cast<std::size_t>(q - p), bound - std::min(bound, v.size())));
    return q;
}

// Text, and the start of a tag: its "<", "</" and name.
ZELKO_INLINE const unsigned char* Tokenizer::readTags(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::data:
        p = readData(p, end);
        break;
    case State::tagOpen:
        if (c == '!') {
            lookaheadLength_ = 0;
            state_ = State::markupDeclaration;
            ++p;
        } else if (c == '/') {
            state_ = State::endTagOpen;
            ++p;
        } else if (isAsciiLetter(c)) {
            beginTag(false);
            state_ = State::tagName;
        } else if (c == '?') {
            state_ = State::bogusComment;
        } else {
            state_ = State::data;  // the '<' was text
        }
        break;
    case State::endTagOpen:
        if (isAsciiLetter(c)) {
            beginTag(true);
            state_ = State::tagName;
        } else if (c == '>') {
            state_ = State::data;
            ++p;
        } else {
            state_ = State::bogusComment;
        }
        break;
    case State::tagName:
        p = readTagName(p, end);
        break;
    default:
        break;
    }
    return p;
}

// A start tag's attributes and their values, up to the tag's ">".
ZELKO_INLINE const unsigned char* Tokenizer::readAttributes(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::beforeAttributeName:
        p = readAttributeList(p, end);
        break;
    case State::attributeName: {
        const unsigned char* q = p;
        while (q < end && !endsName(*q) && *q != '=')
            appendAttribute(*q++);
        p = q;
        if (p == end)
            break;
        if (keepAttributes_)
            endAttributeName();
        else
            value_ = nullptr;
        if (*p == '=') {
            state_ = State::beforeAttributeValue;
            ++p;
        } else {
            state_ = State::afterAttributeName;
        }
        break;
    }
    case State::afterAttributeName:
        if (isHtmlWhite(c)) {
            ++p;
        } else if (c == '/') {
            state_ = State::selfClosing;
            ++p;
        } else if (c == '=') {
            state_ = State::beforeAttributeValue;
            ++p;
        } else if (c == '>') {
            ++p;
            emitTag();
        } else {
            beginAttribute();
            state_ = State::attributeName;
        }
        break;
    case State::beforeAttributeValue:
        if (isHtmlWhite(c)) {
            ++p;
        } else if (c == '"' || c == '\'') {
            quote_ = static_cast<char>(c);
            state_ = State::quotedValue;
            ++p;
        } else if (c == '>') {
            ++p;
            emitTag();
        } else {
            state_ = State::unquotedValue;
        }
        break;
    case State::quotedValue: {
        if (value_ == nullptr) {
            const unsigned char* q = findByte(p, end, static_cast<unsigned char>(quote_));
            if (q == nullptr) {
                p = end;
                break;
            }
            p = q + 1;
            state_ = State::afterQuotedValue;
            break;
        }
        if (inReference_ && referenceByte(c)) {
            ++p;
            break;
        }
        if (c == static_cast<unsigned char>(quote_)) {
            state_ = State::afterQuotedValue;
        } else if (c == '&') {
            reference_.assign(1, '&');
            inReference_ = true;
        } else {
            appendValue(c);
        }
        ++p;
        break;
    }
    case State::unquotedValue:
        if (value_ != nullptr && inReference_ && referenceByte(c)) {
            ++p;
            break;
        }
        if (isHtmlWhite(c)) {
            state_ = State::beforeAttributeName;
        } else if (c == '>') {
            ++p;
            emitTag();
            break;
        } else if (value_ != nullptr) {
            if (c == '&') {
                reference_.assign(1, '&');
                inReference_ = true;
            } else {
                appendValue(c);
            }
        }
        ++p;
        break;
    case State::afterQuotedValue:
        if (isHtmlWhite(c)) {
            state_ = State::beforeAttributeName;
            ++p;
        } else if (c == '/') {
            state_ = State::selfClosing;
            ++p;
        } else if (c == '>') {
            ++p;
            emitTag();
        } else {
            state_ = State::beforeAttributeName;
        }
        break;
    case State::selfClosing:
        if (c == '>') {
            ++p;
            emitTag();
        } else {
            state_ = State::beforeAttributeName;
        }
        break;
    default:
        break;
    }
    return p;
}

// Comments, DOCTYPEs and bogus comments, none of which hands anything on.
ZELKO_INLINE const unsigned char* Tokenizer::readComments(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::bogusComment:
    case State::doctype: {
        // A DOCTYPE ends at its first '>' in every one of its states, quoted or not.
        const unsigned char* gt = findByte(p, end, '>');
        p = gt == nullptr ? end : gt + 1;
        if (gt != nullptr)
            state_ = State::data;
        break;
    }
    case State::markupDeclaration: {
        // "--" opens a comment, "DOCTYPE" (any case) a DOCTYPE; anything else, "[CDATA["
        // among it (there is no foreign content here), is a bogus comment.
        lookahead_[lookaheadLength_++] = static_cast<char>(lowerAscii(c));
        bool comment = std::memcmp("--", lookahead_, lookaheadLength_ < 2 ? lookaheadLength_ : 2) == 0 &&
                       lookaheadLength_ <= 2;
        bool doctype = lookaheadLength_ <= 7 && std::memcmp("doctype", lookahead_, lookaheadLength_) == 0;
        if (comment && lookaheadLength_ == 2)
            state_ = State::commentStart;
        else if (doctype && lookaheadLength_ == 7)
            state_ = State::doctype;
        else if (!comment && !doctype) {
            state_ = State::bogusComment;
            break;  // the byte is read again as part of the comment
        }
        ++p;
        break;
    }
    case State::commentStart:
        if (c == '-') {
            state_ = State::commentStartDash;
            ++p;
        } else if (c == '>') {
            state_ = State::data;
            ++p;
        } else {
            state_ = State::comment;
        }
        break;
    case State::commentStartDash:
        if (c == '-') {
            state_ = State::commentEnd;
            ++p;
        } else if (c == '>') {
            state_ = State::data;
            ++p;
        } else {
            state_ = State::comment;
        }
        break;
    case State::comment: {
        const unsigned char* dash = findByte(p, end, '-');
        p = dash == nullptr ? end : dash + 1;
        if (dash != nullptr)
            state_ = State::commentEndDash;
        break;
    }
    case State::commentEndDash:
        if (c == '-') {
            state_ = State::commentEnd;
            ++p;
        } else {
            state_ = State::comment;
        }
        break;
    case State::commentEnd:
        if (c == '>') {
            state_ = State::data;
            ++p;
        } else if (c == '!') {
            state_ = State::commentEndBang;
            ++p;
        } else if (c == '-') {
            ++p;
        } else {
            state_ = State::comment;
        }
        break;
    case State::commentEndBang:
        if (c == '-') {
            state_ = State::commentEndDash;
            ++p;
        } else if (c == '>') {
            state_ = State::data;
            ++p;
        } else {
            state_ = State::comment;
        }
        break;
    default:
        break;
    }
    return p;
}

// Raw text, RCDATA, script data and plaintext: only the end tag of the element that opened
// them (plaintext: nothing) ends them.
ZELKO_INLINE const unsigned char* Tokenizer::readRawText(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::rawText:
    case State::scriptData: {
        const unsigned char* lt = findByte(p, end, '<');
        if (lt == nullptr) {
            p = end;
            break;
        }
        p = lt;
        startTagToken(p);
        ++p;
        state_ = state_ == State::rawText ? State::rawLessThan : State::scriptLessThan;
        break;
    }
    case State::rawLessThan:
        if (c == '/') {
            state_ = State::rawEndTagOpen;
            ++p;
        } else {
            state_ = State::rawText;
        }
        break;
    case State::rawEndTagOpen:
    case State::scriptEndTagOpen:
    case State::scriptEscapedEndTagOpen: {
        bool raw = state_ == State::rawEndTagOpen, script = state_ == State::scriptEndTagOpen;
        if (isAsciiLetter(c)) {
            beginTag(true);
            state_ = raw      ? State::rawEndTagName
                     : script ? State::scriptEndTagName
                              : State::scriptEscapedEndTagName;
        } else {
            state_ = raw ? State::rawText : script ? State::scriptData : State::scriptEscaped;
        }
        break;
    }
    case State::rawEndTagName:
    case State::scriptEndTagName:
    case State::scriptEscapedEndTagName:
        if (isAsciiLetter(c)) {
            appendName(c);
            ++p;
        } else if (endsName(c) && appropriateEndTag()) {
            endTagName();
            ++p;
            if (c == '>')
                emitTag();
            else
                state_ = c == '/' ? State::selfClosing : State::beforeAttributeName;
        } else {
            state_ = state_ == State::rawEndTagName      ? State::rawText
                     : state_ == State::scriptEndTagName ? State::scriptData
                                                         : State::scriptEscaped;
        }
        break;

    case State::plaintext:
        p = end;
        break;
    default:
        break;
    }
    return p;
}

// The escapes that "<!--" and "<script" open inside a script.
ZELKO_INLINE const unsigned char* Tokenizer::readScript(const unsigned char* p)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::scriptLessThan:
        if (c == '/') {
            state_ = State::scriptEndTagOpen;
            ++p;
        } else if (c == '!') {
            state_ = State::scriptEscapeStart;
            ++p;
        } else {
            state_ = State::scriptData;
        }
        break;
    case State::scriptEscapeStart:
        if (c == '-') {
            state_ = State::scriptEscapeStartDash;
            ++p;
        } else {
            state_ = State::scriptData;
        }
        break;
    case State::scriptEscapeStartDash:
        if (c == '-') {
            state_ = State::scriptEscapedDashDash;
            ++p;
        } else {
            state_ = State::scriptData;
        }
        break;
    case State::scriptEscaped:
        if (c == '-')
            state_ = State::scriptEscapedDash;
        else if (c == '<')
            state_ = State::scriptEscapedLessThan, startTagToken(p);
        ++p;
        break;
    case State::scriptEscapedDash:
        if (c == '-')
            state_ = State::scriptEscapedDashDash;
        else if (c == '<')
            state_ = State::scriptEscapedLessThan, startTagToken(p);
        else
            state_ = State::scriptEscaped;
        ++p;
        break;
    case State::scriptEscapedDashDash:
        if (c == '<')
            state_ = State::scriptEscapedLessThan, startTagToken(p);
        else if (c == '>')
            state_ = State::scriptData;
        else if (c != '-')
            state_ = State::scriptEscaped;
        ++p;
        break;
    case State::scriptEscapedLessThan:
        if (c == '/') {
            state_ = State::scriptEscapedEndTagOpen;
            ++p;
        } else if (isAsciiLetter(c)) {
            nameLength_ = 0;
            state_ = State::scriptDoubleEscapeStart;
        } else {
            state_ = State::scriptEscaped;
        }
        break;
    case State::scriptDoubleEscapeStart:
    case State::scriptDoubleEscapeEnd: {
        bool starting = state_ == State::scriptDoubleEscapeStart;
        if (endsName(c)) {
            bool script = nameLength_ == 6 && std::memcmp(name_, "script", 6) == 0;
            state_ = starting == script ? State::scriptDoubleEscaped : State::scriptEscaped;
            ++p;
        } else if (isAsciiLetter(c)) {
            appendName(c);
            ++p;
        } else {
            state_ = starting ? State::scriptEscaped : State::scriptDoubleEscaped;
        }
        break;
    }
    case State::scriptDoubleEscaped:
        if (c == '-')
            state_ = State::scriptDoubleEscapedDash;
        else if (c == '<')
            state_ = State::scriptDoubleEscapedLessThan;
        ++p;
        break;
    case State::scriptDoubleEscapedDash:
        if (c == '-')
            state_ = State::scriptDoubleEscapedDashDash;
        else if (c == '<')
            state_ = State::scriptDoubleEscapedLessThan;
        else
            state_ = State::scriptDoubleEscaped;
        ++p;
        break;
    case State::scriptDoubleEscapedDashDash:
        if (c == '<')
            state_ = State::scriptDoubleEscapedLessThan;
        else if (c == '>')
            state_ = State::scriptData;
        else if (c != '-')
            state_ = State::scriptDoubleEscaped;
        ++p;
        break;
    case State::scriptDoubleEscapedLessThan:
        if (c == '/') {
            nameLength_ = 0;
            state_ = State::scriptDoubleEscapeEnd;
            ++p;
        } else {
            state_ = State::scriptDoubleEscaped;
        }
        break;
    default:
        break;
    }
    return p;
}

void Tokenizer::feed(const char* bytes, std::size_t n)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    const unsigned char* const end = p + n;
    piece_ = p;
    lines_.beginPiece(p, n);
    while (p < end) {
        switch (state_) {
        case State::data:
        case State::tagOpen:
        case State::endTagOpen:
        case State::tagName:
            p = readTags(p, end);
            break;
        case State::beforeAttributeName:
        case State::attributeName:
        case State::afterAttributeName:
        case State::beforeAttributeValue:
        case State::quotedValue:
        case State::unquotedValue:
        case State::afterQuotedValue:
        case State::selfClosing:
            p = readAttributes(p, end);
            break;
        case State::bogusComment:
        case State::doctype:
        case State::markupDeclaration:
        case State::commentStart:
        case State::commentStartDash:
        case State::comment:
        case State::commentEndDash:
        case State::commentEnd:
        case State::commentEndBang:
            p = readComments(p, end);
            break;
        case State::rawText:
        case State::scriptData:
        case State::rawLessThan:
        case State::rawEndTagOpen:
        case State::scriptEndTagOpen:
        case State::scriptEscapedEndTagOpen:
        case State::rawEndTagName:
        case State::scriptEndTagName:
        case State::scriptEscapedEndTagName:
        case State::plaintext:
            p = readRawText(p, end);
            break;
        case State::scriptLessThan:
        case State::scriptEscapeStart:
        case State::scriptEscapeStartDash:
        case State::scriptEscaped:
        case State::scriptEscapedDash:
        case State::scriptEscapedDashDash:
        case State::scriptEscapedLessThan:
        case State::scriptDoubleEscapeStart:
        case State::scriptDoubleEscapeEnd:
        case State::scriptDoubleEscaped:
        case State::scriptDoubleEscapedDash:
        case State::scriptDoubleEscapedDashDash:
        case State::scriptDoubleEscapedLessThan:
            p = readScript(p);
            break;
        }
    }
    // A tag that runs on into the next piece is located while its '<' is still at hand.
    if (state_ != State::data && !tagLocated_ && tagStart_ != nullptr && tagStart_ >= piece_ &&
        tagStart_ < end) {
        token_.where = locate(tagStart_);
        tagLocated_ = true;
    }
    lines_.endPiece();
    tagStart_ = nullptr;
}

void Tokenizer::finish()
{
    // An unfinished tag, comment or DOCTYPE ends with the page and hands nothing on.
    sink_.endOfPage(lines_.pastLast());
}

}  // namespace zelko::html
