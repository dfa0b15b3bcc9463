// Comments and DOCTYPE: markup declaration open, the comment states, the DOCTYPE states and the
// bogus comment state. None of them hands anything on; they only say where the markup ends.
#include <cstring>

#include "html/byte_search.h"
#include "html/tokenizer.h"

namespace zelko::html {

// Markup declaration open state, comment start state, comment start dash state, comment state,
// comment end dash state, comment end state, comment end bang state, the DOCTYPE states and the
// bogus comment state. The comment less-than sign states are left out: they only mark errors,
// and a comment ends where it would without them.
const unsigned char* Tokenizer::readComment(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    switch (state_) {
    case State::bogusComment:
    case State::doctype: {
        // A DOCTYPE ends at its first '>' in every one of its states, quoted or not.
        const unsigned char* gt = findByte(p, end, '>');
        if (gt == nullptr)
            return end;
        state_ = State::data;
        return gt + 1;
    }
    case State::markupDeclarationOpen: {
        // "--" opens a comment, "DOCTYPE" (any case) a DOCTYPE; anything else, "[CDATA["
        // among it (there is no foreign content here), is a bogus comment.
        lookahead_[lookaheadLength_++] = static_cast<char>(lowerAscii(c));
        const bool comment = lookaheadLength_ <= 2 && std::memcmp("--", lookahead_, lookaheadLength_) == 0;
        const bool doctype =
            lookaheadLength_ <= 7 && std::memcmp("doctype", lookahead_, lookaheadLength_) == 0;
        if (comment && lookaheadLength_ == 2) {
            state_ = State::commentStart;
        } else if (doctype && lookaheadLength_ == 7) {
            state_ = State::doctype;
        } else if (!comment && !doctype) {
            state_ = State::bogusComment;
            return p;  // the byte is read again as part of the comment
        }
        return p + 1;
    }
    case State::commentStart:
    case State::commentStartDash:
        if (c == '-') {
            state_ = state_ == State::commentStart ? State::commentStartDash : State::commentEnd;
            return p + 1;
        }
        if (c == '>') {
            state_ = State::data;
            return p + 1;
        }
        state_ = State::comment;
        return p;
    case State::comment: {
        const unsigned char* dash = findByte(p, end, '-');
        if (dash == nullptr)
            return end;
        state_ = State::commentEndDash;
        return dash + 1;
    }
    case State::commentEndDash:
        if (c == '-') {
            state_ = State::commentEnd;
            return p + 1;
        }
        state_ = State::comment;
        return p;
    case State::commentEnd:
        if (c == '>') {
            state_ = State::data;
            return p + 1;
        }
        if (c == '!') {
            state_ = State::commentEndBang;
            return p + 1;
        }
        if (c == '-')
            return p + 1;
        state_ = State::comment;
        return p;
    case State::commentEndBang:
        if (c == '-') {
            state_ = State::commentEndDash;
            return p + 1;
        }
        if (c == '>') {
            state_ = State::data;
            return p + 1;
        }
        state_ = State::comment;
        return p;
    default:
        return p;
    }
}

}  // namespace zelko::html
