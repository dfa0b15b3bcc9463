// The tokenizer's driver and the token it builds: feed hands each step to the family of states
// the tokenizer is in, and the helpers here gather a tag's name and kept attributes and hand
// the finished tag on.
#include "html/tokenizer.h"

#include <algorithm>
#include <cstring>

#include "html/byte_search.h"

namespace zelko::html {

ZELKO_NOINLINE void Tokenizer::endTagName()
{
    Token& t = token_;
    t.tag = token_.nameLength <= sizeof name_ ? tagNamed(name_, token_.nameLength) : Tag::other;
    keepAttributes_ = !t.endTag && holds(keptTags_, t.tag);
    // A value is cleared when its attribute comes: one whose attribute has not come is not read.
    t.present = 0;
    value_ = nullptr;
}

void Tokenizer::beginAttribute()
{
    attributeLength_ = 0;
    if (keepAttributes_)
        std::memset(attribute_, 0, sizeof attribute_);  // so that a name is matched in whole words
    value_ = nullptr;
}

// A NUL in a name stands for U+FFFD, which no name a reader asks for holds.
void Tokenizer::appendAttribute(unsigned char c)
{
    if (attributeLength_ < sizeof attribute_)
        attribute_[attributeLength_] = static_cast<char>(c == 0 ? 0xFF : lowerAscii(c));
    ++attributeLength_;
}

void Tokenizer::endAttributeName()
{
    value_ = nullptr;
    valueAfterCR_ = false;
    inReference_ = false;
    if (!keepAttributes_ || attributeLength_ > sizeof attribute_)
        return;
    for (const AttributeTable::Kept& k : kept_.keptOn(token_.tag)) {
        if (k.length != attributeLength_ || std::memcmp(k.name, attribute_, sizeof attribute_) != 0)
            continue;
        if (token_.has(k.slot))
            return;  // the first of two same-named attributes counts
        token_.present |= std::uint32_t{1} << k.slot;
        std::string& value = token_.values[k.slot];
        value.clear();
        value_ = &value;
        numeric_ = k.kind == ValueKind::number;
        return;
    }
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

void Tokenizer::startReference()
{
    reference_.start();
    inReference_ = true;
}

// Takes a byte of a kept value that holds a character reference; returns true when the byte
// was used up, false when it is to be read again as an ordinary byte of the value.
bool Tokenizer::referenceByte(unsigned char c)
{
    const CharacterReference::Step step = reference_.take(c);
    if (step == CharacterReference::Step::more)
        return true;
    inReference_ = false;
    for (char b : reference_.text())
        appendValue(static_cast<unsigned char>(b));
    return step == CharacterReference::Step::endedOnByte;
}

bool Tokenizer::appropriateEndTag() const
{
    return token_.nameLength == rawNameLength_ && token_.nameLength <= sizeof name_ &&
           std::memcmp(name_, rawName_, token_.nameLength) == 0;
}

void Tokenizer::emitTag()
{
    // Nothing reads the place of a cell's end tag, which only closes the cell.
    bool cellEnd = token_.endTag && (token_.tag == Tag::td || token_.tag == Tag::th);
    if (token_.tag != Tag::other && !tagLocated_ && !cellEnd) {
        token_.where = locate(tagStart_);
        tagLocated_ = true;
    }
    // A tag of no kind the tree builder tells apart changes nothing, but in a column group and
    // in foreign content.
    bool matters = token_.tag != Tag::other || sink_.wantsText || sink_.wantsEveryTag;
    if (token_.endTag) {
        if (matters)
            sink_.endTag(token_);
        state_ = State::data;
        return;
    }
    if (keepAttributes_ && decoding_ && matters)
        decodeTexts();
    const Content content = matters ? sink_.startTag(token_) : Content::data;
    keepAttributes_ = false;
    if (content != Content::data) {
        std::memcpy(rawName_, name_, sizeof rawName_);
        rawNameLength_ = token_.nameLength;
    }
    state_ = content == Content::rcdata || content == Content::rawtext ? State::rawText
             : content == Content::scriptData                          ? State::scriptData
             : content == Content::plaintext                           ? State::plaintext
                                                                       : State::data;
}

// The kept texts of a start tag, from the page's encoding into UTF-8.
void Tokenizer::decodeTexts()
{
    for (const AttributeTable::Kept& k : kept_.keptOn(token_.tag)) {
        if (k.kind == ValueKind::text && token_.has(k.slot))
            transcode_(encoding_, token_.values[k.slot]);
    }
}

void Tokenizer::feed(const char* bytes, std::size_t n)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    const unsigned char* const end = p + n;
    piece_ = p;
    keptTags_ = kept_.tagsWithAny();
    lines_.beginPiece(p, n);
    while (p < end) {
        // The states are declared family by family, so each family is a range of them.
        if (state_ <= State::tagName)
            p = readDataAndTags(p, end);
        else if (state_ <= State::selfClosingStartTag)
            p = readAttributes(p, end);
        else if (state_ <= State::bogusComment)
            p = readComment(p, end);
        else if (state_ <= State::plaintext)
            p = readRawText(p, end);
        else
            p = readScript(p, end);
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
