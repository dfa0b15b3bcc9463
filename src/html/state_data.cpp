// Data and tags: the data state, tag open, end tag open and tag name states, and the fast path
// that reads text and a tag's name in straight passes.
#include "html/byte_search.h"
#include "html/tokenizer.h"

namespace zelko::html {

// Data state (and text up to the next tag), tag open state, end tag open state, tag name state.
const unsigned char* Tokenizer::readDataAndTags(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::data:
        return readText(p, end);
    case State::tagOpen:
        if (c == '!') {
            lookaheadLength_ = 0;
            state_ = State::markupDeclarationOpen;
            return p + 1;
        }
        if (c == '/') {
            state_ = State::endTagOpen;
            return p + 1;
        }
        if (isAsciiLetter(c)) {
            beginTag(false);
            state_ = State::tagName;
        } else if (c == '?') {
            state_ = State::bogusComment;
        } else {
            state_ = State::data;  // the '<' was text
            if (sink_.wantsContent)
                sink_.characters("<", 1);
        }
        return p;
    case State::endTagOpen:
        if (isAsciiLetter(c)) {
            beginTag(true);
            state_ = State::tagName;
            return p;
        }
        if (c == '>') {
            state_ = State::data;
            return p + 1;
        }
        state_ = State::bogusComment;
        return p;
    case State::tagName:
        return readTagName(p, end);
    default:
        return p;
    }
}

// Text, up to the next tag. A tag that starts with a letter after its "<" or "</" is read on
// at once, its name and attributes in one straight pass where the piece holds them, and so is
// the text after it: most of a page is read without a step of the state machine per tag.
const unsigned char* Tokenizer::readText(const unsigned char* p, const unsigned char* end)
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
        if (sink_.wantsContent && (lt == nullptr ? end : lt) > p)
            sink_.characters(reinterpret_cast<const char*>(p),
                             static_cast<std::size_t>((lt == nullptr ? end : lt) - p));
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

// Tag name state, in one pass, and on into the tag's attributes.
const unsigned char* Tokenizer::readTagName(const unsigned char* p, const unsigned char* end)
{
    state_ = State::tagName;
    std::size_t length = token_.nameLength;  // counted here, where it need not be stored each time
    for (; p < end && !endsName(*p); ++p, ++length) {
        if (length < sizeof name_)
            name_[length] = static_cast<char>(kBytes.nameByte[*p]);
    }
    token_.nameLength = length;
    if (p == end)
        return p;
    endTagName();
    if (*p == '>') {
        emitTag();
        return p + 1;
    }
    if (*p == '/') {
        state_ = State::selfClosingStartTag;
        return p + 1;
    }
    state_ = State::beforeAttributeName;
    return readAttributeList(p + 1, end);
}

}  // namespace zelko::html
