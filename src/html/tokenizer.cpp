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

void LineCounter::beginPiece(const unsigned char* p, std::size_t n)
{
    starts_.clear();
    cursor_ = 0;
    size_ = n;
    piece_ = p;
    if (n == 0)
        return;
    std::size_t i = 0;
    // A CR at the end of the last piece and an LF here are one line end: the line starts after
    // the LF, and no further line begins.
    if (afterCR_ && p[0] == '\n') {
        lineStart_ = pieceLineStart_ = pieceStart_ + 1;
        i = 1;
        if (n == 1) {  // the page so far ends in that CR LF, which belongs to the CR's line
            afterCR_ = false;
            ++pastLast_.column;
            return;
        }
    }
    bool pendingCR = false;  // the byte before i is a CR whose line end is not yet placed
    auto scalar = [&](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) {
            unsigned char c = p[k];
            if (pendingCR) {
                pendingCR = false;
                if (c == '\n') {
                    starts_.push_back(static_cast<std::uint32_t>(k + 1));
                    continue;
                }
                starts_.push_back(static_cast<std::uint32_t>(k));
            }
            if (c == '\r')
                pendingCR = true;
            else if (c == '\n')
                starts_.push_back(static_cast<std::uint32_t>(k + 1));
        }
    };
#if defined(__SSE2__)
    // Sixteen bytes at a time: a block without a CR places its LFs from their bit mask.
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        unsigned lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lf)));
        unsigned crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, cr)));
        if (crs != 0 || pendingCR) {
            scalar(i, i + 16);
            continue;
        }
        for (; lfs != 0; lfs &= lfs - 1)
            starts_.push_back(static_cast<std::uint32_t>(i + static_cast<unsigned>(__builtin_ctz(lfs)) + 1));
    }
#endif
    scalar(i, n);
    if (pendingCR)
        starts_.push_back(static_cast<std::uint32_t>(n));
    afterCR_ = p[n - 1] == '\r';
    const std::uint64_t counted = counted_;
    const std::int64_t surplus = surplus_;
    Location last = locate(n - 1);
    pastLast_ = {last.line, last.column + 1};
    // The bytes before the last one are located again as the piece is read.
    cursor_ = 0;
    line_ = pieceLine_;
    lineStart_ = pieceLineStart_;
    counted_ = counted;
    surplus_ = surplus;
}

std::int64_t LineCounter::surplus(std::size_t at)
{
    if (counted_ < lineStart_) {
        counted_ = lineStart_;
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
    while (cursor_ < starts_.size() && starts_[cursor_] <= at) {
        ++line_;
        lineStart_ = pieceStart_ + starts_[cursor_];
        ++cursor_;
    }
    std::uint64_t column = pieceStart_ + at - lineStart_ + 1;
    if (codeUnits_)
        column -= static_cast<std::uint64_t>(surplus(at));
    return {line_, column};
}

void LineCounter::endPiece()
{
    for (; cursor_ < starts_.size(); ++cursor_) {
        ++line_;
        lineStart_ = pieceStart_ + starts_[cursor_];
    }
    if (codeUnits_ && size_ > 0)
        surplus(size_);  // the last line runs on into the next piece
    pieceStart_ += size_;
    size_ = 0;
    pieceLine_ = line_;
    pieceLineStart_ = lineStart_;
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

// A name of up to eight bytes as one number, its first byte lowest, so that names compare as
// integers; longer names are told apart by their length first.
constexpr std::uint64_t packed(const char* name, std::size_t length)
{
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < length && i < 8; ++i)
        word |= std::uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
    return word;
}

constexpr std::size_t lengthOf(const char* name)
{
    std::size_t n = 0;
    while (name[n] != 0)
        ++n;
    return n;
}

struct NamedTag {
    constexpr NamedTag(const char* name, Tag tag) : word(packed(name, lengthOf(name))), length(lengthOf(name)), tag(tag) {}
    std::uint64_t word;
    std::size_t length;
    Tag tag;
};

// The cell and row tags first: they are the most frequent of these in tables.
constexpr NamedTag kTags[] = {
    {"td", Tag::td}, {"tr", Tag::tr}, {"th", Tag::th}, {"table", Tag::table},
    {"tbody", Tag::tbody}, {"thead", Tag::thead}, {"tfoot", Tag::tfoot}, {"caption", Tag::caption},
    {"colgroup", Tag::colgroup}, {"col", Tag::col}, {"select", Tag::select},
    {"input", Tag::input}, {"keygen", Tag::keygen}, {"textarea", Tag::textarea},
    {"template", Tag::template_}, {"script", Tag::script}, {"style", Tag::style},
    {"xmp", Tag::xmp}, {"iframe", Tag::iframe}, {"noembed", Tag::noembed},
    {"noframes", Tag::noframes}, {"title", Tag::title},
};

Tag tagNamed(const char* name, std::size_t length)
{
    // Most names on a page (a, b, p, div, span, img) are ruled out by their length alone.
    if (length == 4 || length < 2 || length > 9)
        return Tag::other;
    if (length == 9)
        return std::memcmp(name, "plaintext", 9) == 0 ? Tag::plaintext : Tag::other;
    std::uint64_t word = packed(name, length);
    for (const NamedTag& t : kTags) {
        if (t.word == word)
            return t.tag;
    }
    return Tag::other;
}

bool keepsAttributes(Tag tag)
{
    return tag == Tag::table || tag == Tag::td || tag == Tag::th || tag == Tag::col ||
           tag == Tag::colgroup;
}

// The C1 range of numeric character references names Windows-1252 characters.
const std::uint16_t kWindows1252[32] = {
    0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D, 0x017D, 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178,
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
    data, tagOpen, endTagOpen, tagName, beforeAttributeName, attributeName, afterAttributeName,
    beforeAttributeValue, quotedValue, unquotedValue, afterQuotedValue, selfClosing,
    bogusComment, markupDeclaration, commentStart, commentStartDash, comment, commentEndDash,
    commentEnd, commentEndBang, doctype,
    rawText, rawLessThan, rawEndTagOpen, rawEndTagName,
    scriptData, scriptLessThan, scriptEndTagOpen, scriptEndTagName, scriptEscapeStart,
    scriptEscapeStartDash, scriptEscaped, scriptEscapedDash, scriptEscapedDashDash,
    scriptEscapedLessThan, scriptEscapedEndTagOpen, scriptEscapedEndTagName,
    scriptDoubleEscapeStart, scriptDoubleEscaped, scriptDoubleEscapedDash,
    scriptDoubleEscapedDashDash, scriptDoubleEscapedLessThan, scriptDoubleEscapeEnd,
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
        value_ = &value;
        numeric_ = numeric;
    };
    if (viewAttributes_) {
        if (t.tag == Tag::table) {
            for (std::size_t i = 0; i < 5; ++i) {
                if (attributeLength_ == std::strlen(kTableLooks[i]) &&
                    std::memcmp(attribute_, kTableLooks[i], attributeLength_) == 0) {
                    take(t.hasLook[i], t.looks[i], false);
                    return;
                }
            }
        } else if ((t.tag == Tag::td || t.tag == Tag::th) && attributeLength_ == 5 &&
                   std::memcmp(attribute_, "class", 5) == 0) {
            take(t.hasClass, t.className, false);
            return;
        }
    }
    if (attributeLength_ > 8)
        return;
    const std::uint64_t word = packed(attribute_, attributeLength_);
    constexpr std::uint64_t kColspan = packed("colspan", 7), kRowspan = packed("rowspan", 7),
                            kHeaders = packed("headers", 7), kId = packed("id", 2),
                            kSpan = packed("span", 4), kClass = packed("class", 5);
    bool cell = t.tag == Tag::td || t.tag == Tag::th;
    bool column = t.tag == Tag::col || t.tag == Tag::colgroup;
    if (cell && word == kColspan)
        take(t.hasColspan, t.colspan, true);
    else if (cell && word == kRowspan)
        take(t.hasRowspan, t.rowspan, true);
    else if (cell && word == kHeaders)
        take(t.hasHeaders, t.headers, false);
    else if (t.tag == Tag::th && word == kId)
        take(t.hasId, t.id, false);
    else if (column && word == kSpan)
        take(t.hasSpan, t.span, true);
    else if (t.tag == Tag::table && word == kClass)
        take(t.hasClass, t.className, false);
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
    if (keepAttributes_) {
        t.hasColspan = t.hasRowspan = t.hasSpan = t.hasHeaders = t.hasId = t.hasClass = false;
        t.colspan.clear();
        t.rowspan.clear();
        t.span.clear();
        t.headers.clear();
        t.id.clear();
        t.className.clear();
        if (viewAttributes_) {
            for (std::size_t i = 0; i < 5; ++i) {
                t.hasLook[i] = false;
                t.looks[i].clear();
            }
        }
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
    if (token_.tag != Tag::other && !tagLocated_) {
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

bool endsName(unsigned char c) { return isHtmlWhite(c) || c == '/' || c == '>'; }

const unsigned char* skipWhite(const unsigned char* p, const unsigned char* end)
{
    while (p < end && isHtmlWhite(*p))
        ++p;
    return p;
}

}  // namespace

// The attributes of a tag whose values are not kept, read in one straight pass instead of a
// state at a time; it follows the same states and hands anything unusual ('/', a name that
// starts with '=') and the end of the piece back to them. Starts in beforeAttributeName.
const unsigned char* Tokenizer::skipAttributes(const unsigned char* p, const unsigned char* end)
{
    for (;;) {
        p = skipWhite(p, end);
        if (p == end)
            return p;  // still before an attribute name
        if (*p == '>') {
            emitTag();
            return p + 1;
        }
        if (*p == '/' || *p == '=') {
            state_ = *p == '/' ? State::afterAttributeName : State::attributeName;
            if (*p == '=') {
                beginAttribute();
                return p + 1;
            }
            return p;
        }
        while (p < end && !endsName(*p) && *p != '=')
            ++p;
        if (p == end) {
            state_ = State::attributeName;
            return p;
        }
        if (isHtmlWhite(*p)) {
            p = skipWhite(p, end);
            if (p == end) {
                state_ = State::afterAttributeName;
                return p;
            }
            if (*p != '=' && *p != '>' && *p != '/')
                continue;  // the next attribute's name
        }
        if (*p == '>') {
            emitTag();
            return p + 1;
        }
        if (*p == '/') {
            state_ = State::selfClosing;
            return p + 1;
        }
        p = skipWhite(p + 1, end);  // past the '='
        if (p == end) {
            state_ = State::beforeAttributeValue;
            return p;
        }
        if (*p == '"' || *p == '\'') {
            const void* close = std::memchr(p + 1, *p, static_cast<std::size_t>(end - p - 1));
            if (close == nullptr) {
                quote_ = static_cast<char>(*p);
                state_ = State::quotedValue;
                return end;
            }
            p = static_cast<const unsigned char*>(close) + 1;
            if (p == end) {
                state_ = State::afterQuotedValue;
                return p;
            }
            if (*p == '>') {
                emitTag();
                return p + 1;
            }
            if (*p == '/') {
                state_ = State::selfClosing;
                return p + 1;
            }
            continue;  // white space, or the next name straight after the quote
        }
        if (*p == '>') {
            emitTag();  // an '=' with no value
            return p + 1;
        }
        while (p < end && !isHtmlWhite(*p) && *p != '>')
            ++p;
        if (p == end) {
            state_ = State::unquotedValue;
            return p;
        }
        if (*p == '>') {
            emitTag();
            return p + 1;
        }
    }
}

// Text, and the start of a tag: its "<", "</" and name.
ZELKO_INLINE const unsigned char* Tokenizer::readTags(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::data: {
        if (sink_.wantsText) {
            const unsigned char* q = p;
            while (q < end && *q != '<' && isHtmlWhite(*q))
                ++q;
            if (q < end && *q != '<') {
                sink_.text(locate(q));
                p = q + 1;
                return p;  // the sink may want no more text now
            }
            p = q;
            if (p == end)
                break;
        }
        const void* lt = std::memchr(p, '<', static_cast<std::size_t>(end - p));
        if (lt == nullptr) {
            p = end;
            break;
        }
        p = static_cast<const unsigned char*>(lt);
        startTagToken(p);
        ++p;
        state_ = State::tagOpen;
        break;
    }
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
    case State::tagName: {
        const unsigned char* q = p;
        while (q < end && !endsName(*q))
            appendName(*q++);
        p = q;
        if (p == end)
            break;
        endTagName();
        if (*p == '>') {
            ++p;
            emitTag();
        } else {
            state_ = *p == '/' ? State::selfClosing : State::beforeAttributeName;
            ++p;
        }
        break;
    }
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
        if (!keepAttributes_) {
            p = skipAttributes(p, end);
            break;
        }
        if (isHtmlWhite(c)) {
            ++p;
        } else if (c == '/' || c == '>') {
            state_ = State::afterAttributeName;
        } else {
            beginAttribute();
            if (c == '=') {
                appendAttribute(c);
                ++p;
            }
            state_ = State::attributeName;
        }
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
            const void* q = std::memchr(p, quote_, static_cast<std::size_t>(end - p));
            if (q == nullptr) {
                p = end;
                break;
            }
            p = static_cast<const unsigned char*>(q) + 1;
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
        const void* gt = std::memchr(p, '>', static_cast<std::size_t>(end - p));
        p = gt == nullptr ? end : static_cast<const unsigned char*>(gt) + 1;
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
        const void* dash = std::memchr(p, '-', static_cast<std::size_t>(end - p));
        p = dash == nullptr ? end : static_cast<const unsigned char*>(dash) + 1;
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
        const void* lt = std::memchr(p, '<', static_cast<std::size_t>(end - p));
        if (lt == nullptr) {
            p = end;
            break;
        }
        p = static_cast<const unsigned char*>(lt);
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
            state_ = raw ? State::rawEndTagName : script ? State::scriptEndTagName : State::scriptEscapedEndTagName;
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
