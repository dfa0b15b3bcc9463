// Comments and DOCTYPE: markup declaration open, the comment states, the DOCTYPE states and the
// bogus comment state. None of them hands anything on; they only say where the markup ends.
#include <cstring>

#include "html/byte_search.h"
#include "html/tokenizer.h"

namespace zelko::html {

// Comment start state, comment start dash state, comment state, comment end dash state, comment
// end state, comment end bang state, the DOCTYPE states, CDATA section state, CDATA section
// bracket state, CDATA section end state and the bogus comment state; the markup declaration
// open state through readMarkupDeclaration. The comment less-than sign states are left out: they only mark errors,
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
        if (state_ == State::bogusComment)
            endComment();
        state_ = State::data;
        return gt + 1;
    }
    case State::markupDeclarationOpen:
        return readMarkupDeclaration(p);
    case State::commentStart:
    case State::commentStartDash:
        if (c == '-') {
            state_ = state_ == State::commentStart ? State::commentStartDash : State::commentEnd;
            return p + 1;
        }
        if (c == '>') {
            endComment();
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
            endComment();
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
    case State::cdataSection: {
        const unsigned char* bracket = findByte(p, end, ']');
        if (bracket == nullptr)
            return end;
        state_ = State::cdataSectionBracket;
        return bracket + 1;
    }
    case State::cdataSectionBracket:
        state_ = c == ']' ? State::cdataSectionEnd : State::cdataSection;
        return c == ']' ? p + 1 : p;
    case State::cdataSectionEnd:
        if (c == ']')
            return p + 1;
        state_ = c == '>' ? State::data : State::cdataSection;
        return c == '>' ? p + 1 : p;
    case State::commentEndBang:
        if (c == '-') {
            state_ = State::commentEndDash;
            return p + 1;
        }
        if (c == '>') {
            endComment();
            return p + 1;
        }
        state_ = State::comment;
        return p;
    default:
        return p;
    }
}

// A comment ends, and the tree may want to know.
void Tokenizer::endComment()
{
    state_ = State::data;
    if (sink_.wantsContent)
        sink_.comment();
}

// Markup declaration open state: "--" opens a comment, "DOCTYPE" (any case) a DOCTYPE, and
// "[CDATA[" (this case) a CDATA section in foreign content; anything else, "[CDATA[" in HTML
// content among it, is a bogus comment.
const unsigned char* Tokenizer::readMarkupDeclaration(const unsigned char* p)
{
    const std::size_t n = ++lookaheadLength_;
    lookahead_[n - 1] = static_cast<char>(*p);
    bool doctype = n <= 7;
    for (std::size_t i = 0; i < n && doctype; ++i)
        doctype = lowerAscii(static_cast<unsigned char>(lookahead_[i])) == "doctype"[i];
    const bool comment = n <= 2 && std::memcmp("--", lookahead_, n) == 0;
    const bool cdata = sink_.foreignContent && n <= 7 && std::memcmp("[CDATA[", lookahead_, n) == 0;
    if (comment && n == 2)
        state_ = State::commentStart;
    else if (doctype && n == 7)
        state_ = State::doctype;
    else if (cdata && n == 7)
        state_ = State::cdataSection;
    else if (!comment && !doctype && !cdata) {
        state_ = State::bogusComment;
        return p;  // the byte is read again as part of the comment
    }
    return p + 1;
}

}  // namespace zelko::html
