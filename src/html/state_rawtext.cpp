// Raw text: the RCDATA and RAWTEXT states and their less-than sign, end tag open and end tag
// name states, the PLAINTEXT state, and the end tag states that script data shares with them.
// Only the end tag of the element that opened the text ends it (PLAINTEXT: nothing does).
#include "html/byte_search.h"
#include "html/tokenizer.h"

namespace zelko::html {

// RCDATA and RAWTEXT states, RCDATA and RAWTEXT less-than sign states, RCDATA and RAWTEXT end
// tag open states, RCDATA and RAWTEXT end tag name states, PLAINTEXT state.
const unsigned char* Tokenizer::readRawText(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::rawText: {
        const unsigned char* lt = findByte(p, end, '<');
        if (lt == nullptr)
            return end;
        startTagToken(lt);
        state_ = State::rawTextLessThanSign;
        return lt + 1;
    }
    case State::rawTextLessThanSign:
        if (c == '/') {
            state_ = State::rawTextEndTagOpen;
            return p + 1;
        }
        state_ = State::rawText;
        return p;
    case State::rawTextEndTagOpen:
        readEndTagOpen(c, State::rawTextEndTagName, State::rawText);
        return p;
    case State::rawTextEndTagName:
        return readEndTagName(p, State::rawText);
    case State::plaintext:
        return end;
    default:
        return p;
    }
}

// An end tag open state of raw text or script data: a letter starts the end tag's name (state
// `name`), anything else is text again (state `text`).
void Tokenizer::readEndTagOpen(unsigned char c, State name, State text)
{
    if (isAsciiLetter(c)) {
        beginTag(true);
        state_ = name;
    } else {
        state_ = text;
    }
}

// An end tag name state of raw text or script data: the name ends the text only when it is
// the name of the element that opened it; else what was read is text (state `text`).
const unsigned char* Tokenizer::readEndTagName(const unsigned char* p, State text)
{
    const unsigned char c = *p;
    if (isAsciiLetter(c)) {
        appendName(c);
        return p + 1;
    }
    if (!endsName(c) || !appropriateEndTag()) {
        state_ = text;
        return p;
    }
    endTagName();
    if (c == '>')
        emitTag();
    else
        state_ = c == '/' ? State::selfClosingStartTag : State::beforeAttributeName;
    return p + 1;
}

}  // namespace zelko::html
