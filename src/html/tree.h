// The standard reading's tree builder: follows the HTML standard's tree construction for tables
// as far as it shapes the grid (implied row groups and rows, cells and rows closed by the next
// ones, tables closed by their end tag or by a new table outside a cell, tables nested only in
// cells and captions, cell tags outside any table ignored, select boxes, template contents left
// out), feeds each open table's grid, and hands the tables' structure on as events. Each
// insertion mode that tables have is one function of modes.cpp, named as the standard names it.
// Deeper than Chromium nests, it builds what Chromium builds (nesting.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "html/attributes.h"
#include "html/content.h"
#include "html/events.h"
#include "html/findings.h"
#include "html/grid.h"
#include "html/token.h"

namespace zelko::html {

// The attributes the tree builder reads: those that decide whether a font ends foreign content
// and whether an annotation-xml is an HTML integration point. The reading takes its table after
// the grid's.
struct TreeAttribute {
    enum : std::size_t { color, face, size, encoding, type, count };
};
extern const AttributeWish kTreeAttributes[TreeAttribute::count];

// Chromium nests the elements it builds at most this deep (html 1, body 2): an element that the
// stack of open elements puts deeper is attached to the element at this depth instead, and so
// is all that the stack puts inside it.
constexpr std::uint64_t kMaxNesting = 512;

class TreeBuilder : public TokenSink {
public:
    // `events`, when given, hears every table element open and close; `slots` are those of
    // kTreeAttributes.
    TreeBuilder(FindingSink& findings, TableEvents* events, const Slot* slots);

    Content startTag(const Token& token) override;
    void endTag(const Token& token) override;
    void text(Location where) override;
    void endOfPage(Location where) override;
    void characters(const char* bytes, std::size_t n) override;
    void comment() override;

    // Hands on what every cell holds and the nodes in rows (cells.cpp), the cells' text turned
    // into UTF-8 by `decode` where the page is in another encoding.
    void collectCellContent() { collect_ = true; }
    void decodeTextWith(CellCollector::Decode decode) { decodeText_ = std::move(decode); }

private:
    // The insertion mode of an open table: in table, in caption, in column group, in table body,
    // in row, in cell. A select box open in it puts it in select in table.
    enum class Mode : std::uint8_t { table, caption, columnGroup, tableBody, row, cell };
    // An open element of foreign content (SVG or MathML), by its name in lower case, and
    // whether it is an integration point: HTML content in it reads as HTML. An HTML element
    // opened in an integration point stands on the same stack, as `html`, so that the tags
    // after it read as HTML until it ends.
    struct ForeignElement {
        enum class Point : std::uint8_t { none, html, mathmlText, annotationXml };
        char name[kNameBytes];
        std::size_t length;
        bool mathml;
        bool html;     // an HTML element in an integration point
        bool special;  // of the standard's special category: an end tag's search stops at it
        Point point;
    };
    using ForeignStack = std::vector<ForeignElement>;
    // An open table, as the insertion modes see it. The first real_ open tables are built as
    // nested, each with a grid; those deeper are built empty (nesting.cpp), and a run of them
    // alike, frozen under the innermost, is kept once.
    struct Open {
        Mode mode = Mode::table;
        Tag group = Tag::other;  // the open row group's tag while one is open
        Tag cell = Tag::other;   // the open cell's tag while one is open
        bool select = false;     // a select box is open in this table's current place
        ForeignStack foreign;    // foreign content open in the table's current place
        std::uint64_t base = 0;  // a table built as nested: the depth of its element
        std::uint64_t repeat = 1;
    };
    // The element at depth kMaxNesting, which the elements deeper are attached to: a part of
    // the real table `level`, or something else.
    struct Anchor {
        enum class Kind : std::uint8_t { none, table, caption, columnGroup, rowGroup, row, cell, other };
        Kind kind;
        std::size_t level;
    };
    // What an insertion mode did with a token: it is done, or it is to be read again in the mode
    // the tree is now in; or, from foreign content, to be read by the HTML rules of that mode.
    enum class Step : std::uint8_t { done, again, asHtml };

    // Reads a token in the insertion mode the tree is in, again as long as a mode asks.
    void dispatch(const Token& token);
    void dispatchInFull(const Token& token);
    Step step(const Token& token);

    // The insertion modes (modes.cpp). inBody stands for every mode outside a table, as far as
    // tables care; inSelect for in select and, after its own tags, in select in table.
    Step inBody(const Token& token);
    Step inTable(Open& t, const Token& token);
    Step inCaption(Open& t, const Token& token);
    Step inColumnGroup(Open& t, const Token& token);
    Step inTableBody(Open& t, const Token& token);
    Step inRow(Open& t, const Token& token);
    Step inCell(Open& t, const Token& token);
    Step inSelectInTable(Open& t, const Token& token);
    Step inSelect(bool& select, const Token& token);
    void inTemplateContents(const Token& token);

    // Foreign content (foreign.cpp): the rules for parsing tokens in foreign content, whether
    // the adjusted current node reads a token by the HTML rules instead, and the stack of
    // foreign elements where the tree now stands.
    Step inForeignContent(ForeignStack& stack, const Token& token);
    void openInIntegrationPoint(ForeignStack& stack, const Token& token);
    void closeInIntegrationPoint(ForeignStack& stack, const Token& token);
    bool readsAsHtml(const ForeignElement& node, const Token& token) const;
    ForeignElement foreignElement(const Token& token, bool mathml) const;
    bool breaksOut(const Token& token) const;
    ForeignStack& foreignStack() { return depth_ > 0 ? current().foreign : bodyForeign_; }
    void flagForeignContent();

    // Opening and closing the elements of a table, with their events.
    void openTable(const Token& token);
    void openCaption(Open& t);
    void openColumnGroup(Open& t, const Token* colgroup, Location where);
    void addColumn(Open& t, const Token& col);
    void openRowGroup(Open& t, Tag tag);
    void openRow(Open& t, Location where);
    void openCell(Open& t, const Token& token);
    bool inTableScope(const Open& t, Tag tag) const;
    void closeCell(Open& t);
    void closeRow(Open& t, Location where);
    void closeRowGroup(Open& t, Location where);
    void closeTable(Location where);
    void leaveCaption(Open& t);
    void leaveColumnGroup(Open& t);
    bool textMatters() const;

    // Nesting (nesting.cpp): the depth of the stack of open elements, the element deeper ones
    // are attached to, and the elements built there, empty, each whole at once.
    static std::uint64_t partsOpen(Mode mode);
    static std::uint64_t contentDepth(const Open& t);
    std::uint64_t stackDepth() const;
    bool deep(std::uint64_t part) const { return base_ + part > kMaxNesting; }
    bool nextIsDeep() const { return stackDepth() >= kMaxNesting; }
    Anchor anchor() const;
    Grid& grid() { return *grid_; }  // the innermost table's, when it is real
    void pushTable(bool real);
    void popTable();
    void deepTable(const Token& token);
    void deepCaption();
    void deepColumnGroup(const Token* colgroup, Location where);
    void deepColumn(const Token& col);
    void deepRowGroup(Tag tag);
    void deepRow(Location where);
    void deepCell(const Token& token);
    void endHeldCell();

    // What cells and rows hold (cells.cpp).
    CellCollector* openCellContent();
    bool inRowItself() const;
    void noteStartTag(const Token& token);
    void flushRowText();
    void flagContent();
    void handContent(CellCollector* cell);

    FindingSink& findings_;
    TableEvents* events_;
    Slot slots_[TreeAttribute::count];
    ForeignStack bodyForeign_;  // foreign content open outside every table
    Open& current() { return open_.back(); }
    bool inTableContext() const { return depth_ > 0; }

    // The open tables, the innermost last; depth_ of them, runs counted. The grids of the real
    // ones, and beyond them closed ones kept for the room they made.
    std::vector<Open> open_;
    std::size_t depth_ = 0;
    std::vector<Grid> grids_;
    std::size_t real_ = 0;
    Grid* grid_ = nullptr;
    std::uint64_t base_ = 0;  // the depth of the innermost open table's element
    Grid deepGrid_;           // reports the tables built empty
    bool cellHeld_ = false;   // a cell built empty in a row, whose end waits for what follows it

    bool collect_ = false;  // what cells and rows hold is handed on
    CellCollector::Decode decodeText_;
    std::vector<CellCollector> cells_;             // per real table: its open cell's content
    bool rowText_ = false, rowTextPlain_ = false;  // text directly in a row, since the last tag
    bool select_ = false;                          // a select box is open outside any table
    std::uint64_t templates_ = 0;  // open template elements, whose content is no part of the page
    std::uint64_t tables_ = 0;
    Content content_ = Content::data;  // how the content after the start tag read is to be read
};

}  // namespace zelko::html
