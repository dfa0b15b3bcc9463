// Attributes: the states from before attribute name to self-closing start tag, and the fast
// path that reads a tag's attributes in one straight pass.
#include <algorithm>

#include "html/byte_search.h"
#include "html/tokenizer.h"

namespace zelko::html {

// Before attribute name state, attribute name state, after attribute name state, before
// attribute value state, after attribute value (quoted) state, self-closing start tag state; and
// through readAttributeValue the value's own states.
const unsigned char* Tokenizer::readAttributes(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::beforeAttributeName:
        return readAttributeList(p, end);
    case State::attributeName: {
        while (p < end && !endsName(*p) && *p != '=')
            appendAttribute(*p++);
        if (p == end)
            return p;
        if (keepAttributes_)
            endAttributeName();
        else
            value_ = nullptr;
        if (*p == '=') {
            state_ = State::beforeAttributeValue;
            return p + 1;
        }
        state_ = State::afterAttributeName;
        return p;
    }
    case State::afterAttributeName:
        if (isHtmlWhite(c))
            return p + 1;
        if (c == '/') {
            state_ = State::selfClosingStartTag;
            return p + 1;
        }
        if (c == '=') {
            state_ = State::beforeAttributeValue;
            return p + 1;
        }
        if (c == '>') {
            emitTag();
            return p + 1;
        }
        beginAttribute();
        state_ = State::attributeName;
        return p;
    case State::beforeAttributeValue:
        if (isHtmlWhite(c))
            return p + 1;
        if (c == '"' || c == '\'') {
            quote_ = static_cast<char>(c);
            state_ = State::attributeValueQuoted;
            return p + 1;
        }
        if (c == '>') {
            emitTag();
            return p + 1;
        }
        state_ = State::attributeValueUnquoted;
        return p;
    case State::attributeValueQuoted:
    case State::attributeValueUnquoted:
        return readAttributeValue(p, end);
    case State::afterAttributeValueQuoted:
        if (isHtmlWhite(c)) {
            state_ = State::beforeAttributeName;
            return p + 1;
        }
        if (c == '/') {
            state_ = State::selfClosingStartTag;
            return p + 1;
        }
        if (c == '>') {
            emitTag();
            return p + 1;
        }
        state_ = State::beforeAttributeName;
        return p;
    case State::selfClosingStartTag:
        if (c == '>') {
            token_.selfClosing = true;
            emitTag();
            return p + 1;
        }
        state_ = State::beforeAttributeName;
        return p;
    default:
        return p;
    }
}

// Attribute value (double-quoted) and (single-quoted) states, attribute value (unquoted) state,
// a byte at a time: in a kept value, a character reference takes a step of its own.
const unsigned char* Tokenizer::readAttributeValue(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::attributeValueQuoted: {
        if (value_ == nullptr) {
            const unsigned char* q = findByte(p, end, static_cast<unsigned char>(quote_));
            if (q == nullptr)
                return end;
            state_ = State::afterAttributeValueQuoted;
            return q + 1;
        }
        if (inReference_ && referenceByte(c))
            return p + 1;
        if (c == static_cast<unsigned char>(quote_))
            state_ = State::afterAttributeValueQuoted;
        else if (c == '&')
            startReference();
        else
            appendValue(c);
        return p + 1;
    }
    case State::attributeValueUnquoted:
        if (value_ != nullptr && inReference_ && referenceByte(c))
            return p + 1;
        if (isHtmlWhite(c)) {
            state_ = State::beforeAttributeName;
        } else if (c == '>') {
            emitTag();
        } else if (value_ != nullptr) {
            if (c == '&')
                startReference();
            else
                appendValue(c);
        }
        return p + 1;
    default:
        return p;
    }
}

// After an attribute's name or value: the end of the piece leaves the tag in state `pause`, a
// '/' starts its self-closing start tag state and a '>' ends it. Returns where reading goes on
// then, or null when the byte at `p` is another one.
const unsigned char* Tokenizer::closeOrPause(const unsigned char* p, const unsigned char* end, State pause)
{
    if (p == end) {
        state_ = pause;
        return p;
    }
    if (*p == '/') {
        state_ = State::selfClosingStartTag;
        return p + 1;
    }
    if (*p == '>') {
        emitTag();
        return p + 1;
    }
    return nullptr;
}

// A tag's attributes, read in one straight pass instead of a state at a time, as far as the
// piece holds them and they hold nothing unusual: a '/' before a name, a character reference,
// NUL or CR in a kept value, and the end of the piece, are handed back to the states, which go
// on from there. Starts in the before attribute name state.
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
        if (keepAttributes_)
            endAttributeName();
        else
            value_ = nullptr;
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
            state_ = State::attributeValueQuoted;
            ++p;
            const unsigned char* found = findByte(p, end, static_cast<unsigned char>(quote_));
            const unsigned char* close = found == nullptr ? end : found;
            p = takeValue(p, close);
            if (p != close || close == end)
                return p;  // the states read on from an unusual byte, or in the next piece
            if (const unsigned char* next = closeOrPause(p + 1, end, State::afterAttributeValueQuoted))
                return next;
            ++p;
            state_ = State::beforeAttributeName;
            continue;  // white space, or the next name straight after the quote
        }
        state_ = State::attributeValueUnquoted;
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

}  // namespace zelko::html
