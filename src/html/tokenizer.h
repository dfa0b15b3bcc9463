// The standard reading's tokenizer: reads a page as a browser does, for what matters to tables.
// It follows the HTML standard's tokenization (tags and their attributes, comments, DOCTYPE,
// bogus comments, RAWTEXT, RCDATA, script data and PLAINTEXT) and hands the tree builder only
// the tokens that can shape a table: start and end tags with their names and the attributes
// its readers asked for, text in the one place it matters, and the end of the page.
//
// Conventions of its files: bytes are compared as unsigned values, never through the locale; a
// CR or CR LF counts as one line end; a page may arrive in pieces of any size, and every state
// resumes where the last piece ended. Each family of states has a file of its own, each state
// handler is headed by the standard's names of the states it implements, and each fast path
// stands beside the state it speeds up:
//   state_data.cpp       data, tag open, end tag open, tag name
//   state_attribute.cpp  the attribute states, up to the tag's '>'
//   state_comment.cpp    markup declaration open, the comment states, DOCTYPE, CDATA sections,
//                        bogus comment
//   state_rawtext.cpp    RCDATA, RAWTEXT and PLAINTEXT, and the end tag states they share with scripts
//   state_script.cpp     script data and its escapes
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "html/attributes.h"
#include "html/encoding.h"
#include "html/lines.h"
#include "html/references.h"
#include "html/token.h"
#include "text/bytes.h"

namespace zelko::html {

class Tokenizer {
public:
    // Hands its tokens to `sink`, with the attributes `kept` asks for.
    Tokenizer(TokenSink& sink, const AttributeTable& kept) : sink_(sink), kept_(kept)
    {
        token_.nameBytes = name_;
    }
    Tokenizer(const Tokenizer&) = delete;  // the token points into the tokenizer
    Tokenizer& operator=(const Tokenizer&) = delete;
    // Locates in UTF-16 code units: the page is the UTF-8 form of a UTF-16 page.
    void countCodeUnits() { lines_.countCodeUnits(); }
    // The page is in `encoding`: the kept texts are turned into UTF-8 by `transcode`.
    void decodeFrom(std::string_view encoding, Transcode transcode)
    {
        encoding_ = encoding;
        transcode_ = std::move(transcode);
        decoding_ = true;
    }
    // Reads the next `n` bytes of the page.
    void feed(const char* bytes, std::size_t n);
    // Ends the page: an unfinished tag is dropped, as a browser drops it.
    void finish();

private:
    enum class State : std::uint8_t {
        // Data and tags.
        data,
        tagOpen,
        endTagOpen,
        tagName,
        // Attributes. attributeValueQuoted is both the double-quoted and the single-quoted
        // attribute value state: quote_ says which.
        beforeAttributeName,
        attributeName,
        afterAttributeName,
        beforeAttributeValue,
        attributeValueQuoted,
        attributeValueUnquoted,
        afterAttributeValueQuoted,
        selfClosingStartTag,
        // Comments, DOCTYPE and CDATA. doctype stands for every DOCTYPE state: all of them end at
        // the first '>', quoted or not, and hand nothing on. A CDATA section's text is text of
        // foreign content, which changes no table.
        markupDeclarationOpen,
        commentStart,
        commentStartDash,
        comment,
        commentEndDash,
        commentEnd,
        commentEndBang,
        doctype,
        cdataSection,
        cdataSectionBracket,
        cdataSectionEnd,
        bogusComment,
        // Raw text. rawText is both the RCDATA and the RAWTEXT state, and the two less-than sign,
        // end tag open and end tag name states are each both states: a character reference in
        // RCDATA changes no table, so the two read alike here.
        rawText,
        rawTextLessThanSign,
        rawTextEndTagOpen,
        rawTextEndTagName,
        plaintext,
        // Script data.
        scriptData,
        scriptDataLessThanSign,
        scriptDataEndTagOpen,
        scriptDataEndTagName,
        scriptDataEscapeStart,
        scriptDataEscapeStartDash,
        scriptDataEscaped,
        scriptDataEscapedDash,
        scriptDataEscapedDashDash,
        scriptDataEscapedLessThanSign,
        scriptDataEscapedEndTagOpen,
        scriptDataEscapedEndTagName,
        scriptDataDoubleEscapeStart,
        scriptDataDoubleEscaped,
        scriptDataDoubleEscapedDash,
        scriptDataDoubleEscapedDashDash,
        scriptDataDoubleEscapedLessThanSign,
        scriptDataDoubleEscapeEnd
    };

    // One step of the state machine in each family of states: reads from `p` and returns where
    // the next step starts.
    const unsigned char* readDataAndTags(const unsigned char* p, const unsigned char* end);
    const unsigned char* readAttributes(const unsigned char* p, const unsigned char* end);
    const unsigned char* readAttributeValue(const unsigned char* p, const unsigned char* end);
    const unsigned char* readComment(const unsigned char* p, const unsigned char* end);
    const unsigned char* readMarkupDeclaration(const unsigned char* p);
    void endComment();
    const unsigned char* readRawText(const unsigned char* p, const unsigned char* end);
    const unsigned char* readScript(const unsigned char* p, const unsigned char* end);
    const unsigned char* readEscapedScript(const unsigned char* p);

    // The fast paths: text up to the next tag, a tag's name, and its attributes in straight
    // passes; an attribute's value as far as it needs no state's care; the tag's end.
    const unsigned char* readText(const unsigned char* p, const unsigned char* end);
    const unsigned char* readTagName(const unsigned char* p, const unsigned char* end);
    const unsigned char* readAttributeList(const unsigned char* p, const unsigned char* end);
    const unsigned char* takeValue(const unsigned char* p, const unsigned char* stop);
    const unsigned char* closeOrPause(const unsigned char* p, const unsigned char* end, State pause);

    // The end tag open and end tag name states of raw text, script data and escaped script data,
    // which differ only in the state they fall back to.
    void readEndTagOpen(unsigned char c, State name, State text);
    const unsigned char* readEndTagName(const unsigned char* p, State text);

    // The token being built. The small steps that every tag takes stand here, where each
    // family's file can paste them in.
    void startTagToken(const unsigned char* lt)
    {
        tagStart_ = lt;
        tagLocated_ = false;
    }
    void beginTag(bool endTag)
    {
        token_.endTag = endTag;
        token_.selfClosing = false;
        token_.tag = Tag::other;
        token_.nameLength = 0;
    }
    void appendName(unsigned char c)
    {
        if (token_.nameLength < sizeof name_)
            name_[token_.nameLength] = static_cast<char>(c == 0 ? 0xFF : lowerAscii(c));
        ++token_.nameLength;
    }
    void endTagName();
    void beginAttribute();
    void appendAttribute(unsigned char c);
    void endAttributeName();
    void appendValue(unsigned char c);
    void startReference();
    bool referenceByte(unsigned char c);
    void emitTag();
    [[gnu::noinline]] void decodeTexts();  // kept out of emitTag, which every tag passes
    bool appropriateEndTag() const;
    Location locate(const unsigned char* at) { return lines_.locate(static_cast<std::size_t>(at - piece_)); }

    TokenSink& sink_;
    const AttributeTable& kept_;
    std::string_view encoding_;  // the page's, when its texts are to be decoded
    Transcode transcode_;
    bool decoding_ = false;
    LineCounter lines_;
    const unsigned char* piece_ = nullptr;     // the piece being read
    const unsigned char* tagStart_ = nullptr;  // the '<' of the current tag, in this piece
    State state_ = State::data;
    Token token_;
    bool tagLocated_ = false;
    TagSet keptTags_ = 0;          // the tags with attributes to keep
    bool keepAttributes_ = false;  // the current tag is one of them
    char name_[kNameBytes] = {};   // the tag name so far, lower case
    char attribute_[16] = {};      // the attribute name so far, likewise
    std::size_t attributeLength_ = 0;
    std::string* value_ = nullptr;  // where the current attribute's value goes, if anywhere
    bool numeric_ = false;          // the value is a number: leading white space is dropped
    bool valueAfterCR_ = false;
    CharacterReference reference_;  // a character reference in a kept value
    bool inReference_ = false;
    char quote_ = 0;                 // the quote of the current value, or 0 when unquoted
    char rawName_[kNameBytes] = {};  // the start tag that opened raw text or script data
    std::size_t rawNameLength_ = 0;
    char lookahead_[8] = {};  // after "<!": the bytes that decide comment or DOCTYPE
    std::size_t lookaheadLength_ = 0;
};

}  // namespace zelko::html
