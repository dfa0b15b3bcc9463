// The check mode's tokenizer: reads a page as a browser does, for what matters to tables. It
// follows the HTML standard's tokenization (tags and their attributes, comments, DOCTYPE, bogus
// comments, raw text, RCDATA and script data) and hands the tree builder only the tokens that
// can shape a table: start and end tags with their names and the few attributes the checks
// read, text in the one place it matters, and the end of the page.
//
// Conventions of this file: bytes are compared as unsigned values, never through the locale; a
// CR or CR LF counts as one line end (as the standard's newline normalisation makes it); a
// page may arrive in pieces of any size, and every state resumes where the last piece ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zelko::html {

// A place in the page: 1-based line (LF, CR LF and a lone CR each end one) and 1-based byte
// column in that line.
struct Location {
    std::uint64_t line = 1;
    std::uint64_t column = 1;
};

// The standard's white space: tab, LF, FF, CR and space.
inline bool isHtmlWhite(unsigned char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

// The tags the tree builder tells apart; every other name is `other`.
enum class Tag : std::uint8_t {
    other,
    table,
    caption,
    colgroup,
    col,
    tbody,
    thead,
    tfoot,
    tr,
    td,
    th,
    select,
    input,
    keygen,
    textarea,
    template_,
    script,
    style,
    xmp,
    iframe,
    noembed,
    noframes,
    title,
    plaintext,
};

// How the tokenizer reads what follows a start tag, as the tree builder decides.
enum class Content : std::uint8_t { data, rcdata, rawtext, scriptData, plaintext };

// A start or end tag. Attribute values are kept only for the tags the checks read them on
// (table, col, colgroup, td, th); of two same-named attributes the first one counts.
struct Token {
    Tag tag = Tag::other;
    bool endTag = false;
    Location where;  // the tag's '<' (not kept for the end tag of a cell)
    bool hasColspan = false, hasRowspan = false, hasSpan = false;
    bool hasHeaders = false, hasId = false, hasClass = false;
    // Values with character references resolved; the numeric ones without their leading white
    // space, and all of them cut at a bound (kMaxNumber, kMaxText bytes). A value whose flag is
    // not set is left from an earlier tag and means nothing.
    std::string colspan, rowspan, span, headers, id, className;
    // With view attributes kept: a cell's class too (in className), and a table's own border
    // attributes, named in kTableLooks.
    bool hasLook[5] = {};
    std::string looks[5];
};

// The attributes of a table that draw its borders and spacing, as a page writes them.
constexpr const char* kTableLooks[5] = {"border", "frame", "rules", "cellspacing", "cellpadding"};

constexpr std::size_t kMaxNumber = 32;
constexpr std::size_t kMaxText = 4096;

// Receives the tokens. startTag returns how the content after the tag is to be read.
class TokenSink {
public:
    virtual ~TokenSink() = default;
    virtual Content startTag(const Token& token) = 0;
    virtual void endTag(const Token& token) = 0;
    // Text holding something other than white space, at `where`; only while wantsText is set.
    virtual void text(Location where) = 0;
    virtual void endOfPage(Location where) = 0;

    // Set while text that is not white space changes the tree (in a column group).
    bool wantsText = false;
};

// Hands `text` to `feed` in pieces of `piece` bytes (0: all at once), each in a block of its own
// size, so that a read past a piece is caught: how pages held in memory are read in tests.
void feedInPieces(const std::string& text, std::size_t piece,
                  const std::function<void(const char* bytes, std::size_t n)>& feed);

// The line and column of any byte of the page. The piece is looked at 64 bytes at a time, each
// window once, for a mask of its line ends; a byte is located by the line ends in the windows
// passed and those before it in its own.
class LineCounter {
public:
    // Takes the next `n` bytes of the page, which stay readable until the next piece.
    void beginPiece(const unsigned char* bytes, std::size_t n);
    // Where byte `at` of the current piece stands; `at` may not go back from one call to the next.
    Location locate(std::size_t at);
    // Ends the current piece.
    void endPiece();
    // One column past the last byte of the page so far, on the line that byte belongs to (a line
    // end belongs to the line it ends); line 1, column 1 before any byte.
    Location pastLast() const { return pastLast_; }
    // Counts columns in UTF-16 code units of the UTF-8 page, as for a page that was UTF-16,
    // instead of in bytes. Set it before the first piece.
    void countCodeUnits() { codeUnits_ = true; }

private:
    // The line ends among the 64 bytes of the piece from `from` on, as a mask, lowest bit first.
    std::uint64_t lineEnds(std::size_t from) const;
    // Counts the current window's line ends and moves on to the next window.
    void passWindow();
    // In code units: how many more bytes than code units lie between the line's start and
    // `at` of this piece, counted on from where the last call stopped.
    std::int64_t surplus(std::size_t at, std::uint64_t lineStart);

    const unsigned char* piece_ = nullptr;
    std::size_t size_ = 0;
    std::size_t windowStart_ = 0;  // the window's first byte in the piece
    std::uint64_t window_ = 0;     // its line ends
    // The lines before the window and where the last of them starts, from the page's start.
    std::uint64_t line_ = 1, lineStart_ = 0, pieceStart_ = 0;
    bool afterCR_ = false;     // the page so far ends in a CR: an LF next ends no further line
    bool absorbedLF_ = false;  // the piece starts with the LF of such a CR LF
    Location pastLast_;
    bool codeUnits_ = false;
    std::uint64_t counted_ = 0;  // code units: the bytes before this offset are in surplus_
    std::int64_t surplus_ = 0;
};

class Tokenizer {
public:
    explicit Tokenizer(TokenSink& sink) : sink_(sink) {}
    // Locates in UTF-16 code units: the page is the UTF-8 form of a UTF-16 page.
    void countCodeUnits() { lines_.countCodeUnits(); }
    // Keeps the attributes a picture of the tables needs as well: cells' classes, and the
    // border attributes of tables. Call it before the first piece.
    void keepViewAttributes() { viewAttributes_ = true; }
    // Reads the next `n` bytes of the page.
    void feed(const char* bytes, std::size_t n);
    // Ends the page: an unfinished tag is dropped, as a browser drops it.
    void finish();

private:
    enum class State : std::uint8_t;
    void startTagToken(const unsigned char* lt);
    Location locate(const unsigned char* at);
    // One step of the state machine in each family of states: reads from `p` and returns where
    // the next step starts.
    const unsigned char* readTags(const unsigned char* p, const unsigned char* end);
    const unsigned char* readData(const unsigned char* p, const unsigned char* end);
    const unsigned char* readTagName(const unsigned char* p, const unsigned char* end);
    const unsigned char* readAttributeList(const unsigned char* p, const unsigned char* end);
    const unsigned char* takeValue(const unsigned char* p, const unsigned char* stop);
    const unsigned char* closeOrPause(const unsigned char* p, const unsigned char* end, State pause);
    const unsigned char* readAttributes(const unsigned char* p, const unsigned char* end);
    const unsigned char* readComments(const unsigned char* p, const unsigned char* end);
    const unsigned char* readRawText(const unsigned char* p, const unsigned char* end);
    const unsigned char* readScript(const unsigned char* p);
    void beginTag(bool endTag);
    void appendName(unsigned char c);
    void endTagName();
    void beginAttribute();
    void appendAttribute(unsigned char c);
    void endAttributeName();
    void appendValue(unsigned char c);
    bool referenceByte(unsigned char c);
    bool endReference(unsigned char next);
    void emitTag();
    bool appropriateEndTag() const;

    TokenSink& sink_;
    LineCounter lines_;
    const unsigned char* piece_ = nullptr;     // the piece being read
    const unsigned char* tagStart_ = nullptr;  // the '<' of the current tag, in this piece
    State state_{};
    Token token_;
    bool tagLocated_ = false;
    bool keepAttributes_ = false;  // the tag is one whose attributes the checks read
    char name_[16] = {};           // the tag name so far, lower case
    std::size_t nameLength_ = 0;   // may run past the buffer: such a name matches nothing
    char attribute_[16] = {};      // the attribute name so far, likewise
    bool viewAttributes_ = false;  // cells' classes and tables' looks are kept too
    std::size_t attributeLength_ = 0;
    std::string* value_ = nullptr;  // where the current attribute's value goes, if anywhere
    bool numeric_ = false;          // the value is a number: leading white space is dropped
    bool valueAfterCR_ = false;
    std::string reference_;  // a character reference in a kept value, from its '&'
    bool inReference_ = false;
    std::uint32_t referenceValue_ = 0;  // a numeric one's value so far, and its digits
    std::uint64_t referenceDigits_ = 0;
    char quote_ = 0;  // the quote of the current value, or 0 when unquoted
    Content content_ = Content::data;
    char rawName_[16] = {};  // the start tag that opened raw text, RCDATA or script data
    std::size_t rawNameLength_ = 0;
    char lookahead_[8] = {};  // after "<!": the bytes that decide comment or DOCTYPE
    std::size_t lookaheadLength_ = 0;
};

// Reads a number by the standard's rules for non-negative integers: leading white space, an
// optional '+' (or '-' before zeros), digits. Returns -1 when there is no number; values above
// `cap` give `cap`.
long parseNonNegative(const std::string& text, long cap);

}  // namespace zelko::html
