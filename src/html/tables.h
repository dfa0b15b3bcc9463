// The check mode's tree builder: follows the HTML standard's tree-building rules for tables as
// far as they shape the grid (implied row groups and rows, cells and rows closed by the next
// ones, tables closed by their end tag or by a new table outside a cell, tables nested only
// in cells and captions, cell tags outside any table ignored, select boxes, template contents
// left out), feeds each open table's grid, and hands the tables' structure on as events.
#pragma once

#include <cstdint>
#include <vector>

#include "html/grid.h"
#include "html/findings.h"
#include "html/tokenizer.h"

namespace zelko::html {

class TableBuilder : public TokenSink {
public:
    // `events`, when given, hears every table element open and close.
    explicit TableBuilder(FindingSink& findings, TableEvents* events = nullptr)
        : findings_(findings), events_(events)
    {}

    Content startTag(const Token& token) override;
    void endTag(const Token& token) override;
    void text(Location where) override;
    void endOfPage(Location where) override;

private:
    enum class Mode : std::uint8_t { table, caption, columnGroup, rowGroup, row, cell };
    struct Open {
        Mode mode;
        Tag group;    // the open row group's tag while one is open
        Tag cell;     // the open cell's tag while one is open
        bool select;  // a select box is open in this table's current place
        Grid grid;
    };
    enum class Step : std::uint8_t { done, again };

    Content startTagIn(const Token& token);
    void endTagIn(const Token& token);
    bool textMatters() const;
    Content inBody(const Token& token);
    Step inTable(Open& t, const Token& token, Content& content);
    bool inTableScope(const Open& t, Tag tag) const;
    void closeCell(Open& t);
    void closeRow(Open& t, Location where);
    void closeRowGroup(Open& t, Location where);
    void closeTable(Location where);
    void leaveCaption(Open& t);
    void leaveColumnGroup(Open& t);

    FindingSink& findings_;
    TableEvents* events_;
    Open& current() { return open_[depth_ - 1]; }
    bool inTableContext() const { return depth_ > 0; }

    // The open tables, the innermost last: the first depth_ of open_. Those beyond are closed
    // ones kept for the room their grids made.
    std::vector<Open> open_;
    std::size_t depth_ = 0;
    bool select_ = false;          // a select box is open outside any table
    std::uint64_t templates_ = 0;  // open template elements, whose content is no part of the page
    std::uint64_t tables_ = 0;
};

}  // namespace zelko::html
