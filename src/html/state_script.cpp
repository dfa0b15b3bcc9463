// Script data: the script data state and its less-than sign, end tag and escape states, as
// "<!--" and "<script" inside a script open them. Only "</script>" ends a script, and not
// inside a doubly escaped part.
#include <cstring>

#include "html/byte_search.h"
#include "html/tokenizer.h"

namespace zelko::html {

// Script data state, script data less-than sign state, script data escape start state, script
// data escape start dash state; the end tag open and end tag name states are raw text's.
const unsigned char* Tokenizer::readScript(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::scriptData: {
        const unsigned char* lt = findByte(p, end, '<');
        if (lt == nullptr)
            return end;
        startTagToken(lt);
        state_ = State::scriptDataLessThanSign;
        return lt + 1;
    }
    case State::scriptDataLessThanSign:
        if (c == '/') {
            state_ = State::scriptDataEndTagOpen;
            return p + 1;
        }
        if (c == '!') {
            state_ = State::scriptDataEscapeStart;
            return p + 1;
        }
        state_ = State::scriptData;
        return p;
    case State::scriptDataEndTagOpen:
        readEndTagOpen(c, State::scriptDataEndTagName, State::scriptData);
        return p;
    case State::scriptDataEndTagName:
        return readEndTagName(p, State::scriptData);
    case State::scriptDataEscapeStart:
    case State::scriptDataEscapeStartDash:
        if (c == '-') {
            state_ = state_ == State::scriptDataEscapeStart ? State::scriptDataEscapeStartDash
                                                            : State::scriptDataEscapedDashDash;
            return p + 1;
        }
        state_ = State::scriptData;
        return p;
    default:
        return readEscapedScript(p);
    }
}

// Script data escaped state, escaped dash state, escaped dash dash state, escaped less-than
// sign state, escaped end tag open and end tag name states, and the double escape states:
// a byte at a time, as these parts of a script are short.
const unsigned char* Tokenizer::readEscapedScript(const unsigned char* p)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::scriptDataEscaped:
    case State::scriptDataEscapedDash:
    case State::scriptDataEscapedDashDash:
        if (c == '<') {
            state_ = State::scriptDataEscapedLessThanSign;
            startTagToken(p);
        } else if (c == '-') {
            state_ = state_ == State::scriptDataEscaped ? State::scriptDataEscapedDash
                                                        : State::scriptDataEscapedDashDash;
        } else if (c == '>' && state_ == State::scriptDataEscapedDashDash) {
            state_ = State::scriptData;
        } else {
            state_ = State::scriptDataEscaped;
        }
        return p + 1;
    case State::scriptDataEscapedLessThanSign:
        if (c == '/') {
            state_ = State::scriptDataEscapedEndTagOpen;
            return p + 1;
        }
        if (isAsciiLetter(c)) {
            token_.nameLength = 0;
            state_ = State::scriptDataDoubleEscapeStart;
        } else {
            state_ = State::scriptDataEscaped;
        }
        return p;
    case State::scriptDataEscapedEndTagOpen:
        readEndTagOpen(c, State::scriptDataEscapedEndTagName, State::scriptDataEscaped);
        return p;
    case State::scriptDataEscapedEndTagName:
        return readEndTagName(p, State::scriptDataEscaped);
    case State::scriptDataDoubleEscapeStart:
    case State::scriptDataDoubleEscapeEnd: {
        // The two differ only in which way the name "script" turns.
        const bool starting = state_ == State::scriptDataDoubleEscapeStart;
        if (endsName(c)) {
            const bool script = isNamed(name_, token_.nameLength, "script");
            state_ = starting == script ? State::scriptDataDoubleEscaped : State::scriptDataEscaped;
            return p + 1;
        }
        if (isAsciiLetter(c)) {
            appendName(c);
            return p + 1;
        }
        state_ = starting ? State::scriptDataEscaped : State::scriptDataDoubleEscaped;
        return p;
    }
    case State::scriptDataDoubleEscaped:
    case State::scriptDataDoubleEscapedDash:
    case State::scriptDataDoubleEscapedDashDash:
        if (c == '<') {
            state_ = State::scriptDataDoubleEscapedLessThanSign;
        } else if (c == '-') {
            state_ = state_ == State::scriptDataDoubleEscaped ? State::scriptDataDoubleEscapedDash
                                                              : State::scriptDataDoubleEscapedDashDash;
        } else if (c == '>' && state_ == State::scriptDataDoubleEscapedDashDash) {
            state_ = State::scriptData;
        } else {
            state_ = State::scriptDataDoubleEscaped;
        }
        return p + 1;
    case State::scriptDataDoubleEscapedLessThanSign:
        if (c == '/') {
            token_.nameLength = 0;
            state_ = State::scriptDataDoubleEscapeEnd;
            return p + 1;
        }
        state_ = State::scriptDataDoubleEscaped;
        return p;
    default:
        return p;
    }
}

}  // namespace zelko::html
