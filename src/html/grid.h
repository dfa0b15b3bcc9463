// One table's grid, built row by row as the table's tags arrive, and what is wrong with it. It
// keeps only what the rows still to come need: per column, the row at which the cells above
// stop covering it, and whether any cell began in it; the cells that span rows, while they
// do; and, for the headers check, a bounded set of ids.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "html/attributes.h"
#include "html/events.h"
#include "html/findings.h"

namespace zelko::html {

// A table is checked over this many columns; cells beyond them are left out of its grid.
constexpr std::uint32_t kMaxColumns = 65536;
// The bytes of ids and headers references a table keeps for the headers check.
constexpr std::size_t kHeadersBudget = 64 * 1024;

// The attributes the grid reads, and their slots: the grid's table is the first one a reading
// takes, so its rows keep their own numbers as slots.
struct GridAttribute {
    enum : Slot { colspan, rowspan, span, headers, id, className, count };
};
extern const AttributeWish kGridAttributes[GridAttribute::count];

class Grid {
public:
    explicit Grid(FindingSink& findings);
    // Starts table number `number` (in the page, from 1) at its start tag `table`, keeping the
    // room an earlier table made.
    void reset(std::uint64_t number, const Token& table);

    // Column elements return their span as browsers read it.
    std::uint32_t columnGroup(const Token* colgroup, Location where);  // null: implied by a col
    std::uint32_t column(const Token& col);
    void endColumnGroup();
    void beginRowGroup();
    void beginRow();
    CellPlace cell(const Token& cell);
    std::uint64_t rows() const { return rows_; }  // the rows ended so far
    std::uint32_t columnElements() const { return columnElements_; }
    void endRow(Location where);  // `where`: the tag that ends the row
    void endRowGroup();
    // Reports the table and what only its end can tell: its empty columns and unknown ids.
    void endTable();

private:
    struct Spanning {  // a cell that covers more than its own row
        std::uint32_t x, colspan;
        std::uint64_t row, endRow;  // its first row, and the first row it no longer covers
        long rowspan;
        bool growsDown;  // rowspan 0: to the end of its row group
        Location where;
    };
    struct Establisher {  // the element that made the grid wide enough for a column
        std::uint32_t first;
        Location where;
        Target target;
    };
    struct Reference {  // a cell's headers attribute, checked when the table ends
        Location where;
        std::string headers;
        std::uint64_t row;
        std::uint32_t column;
    };
    // Hands on a finding about this table's element `target` (of kind `on`).
    void report(Kind kind, Severity severity, Location where, Target::Kind on, std::uint64_t row = 0,
                std::uint32_t column = 0);
    void widen(std::uint32_t width, Location where, Target target);
    void reportOverlap(const Token& cell, std::uint64_t y, std::uint32_t x, std::uint32_t colspan);
    void keepHeaders(const Token& cell, std::uint64_t y, std::uint32_t x);
    void spendHeaders(std::size_t bytes);
    void reportEmptyColumns();
    void reportUnknownHeaders();

    FindingSink& findings_;
    std::uint64_t number_ = 0;
    Location where_;
    bool hasClass_ = false;
    std::string class_;

    std::uint32_t width_ = 0;
    bool rowGroupSeen_ = false;  // column elements after the first row group do not count
    bool inColumnGroup_ = false, groupHasColumns_ = false;
    std::uint32_t groupSpan_ = 1;  // the open column group's span and place
    Location groupWhere_;
    std::uint32_t colgroupNumber_ = 0;
    std::uint32_t columnElements_ = 0;  // col and colgroup elements so far
    std::uint32_t elementColumns_ = 0;
    bool countKnown_ = false, countFromElements_ = false;
    std::uint32_t count_ = 0;  // the columns a row should have
    bool clipped_ = false;     // some cell lay beyond kMaxColumns

    std::vector<std::uint64_t> coverEnd_;  // per column: the first row no cell covers it in
    std::vector<std::uint8_t> begun_;      // per column: a cell began in it
    std::vector<Establisher> establishers_;
    std::vector<Spanning> spanning_;

    std::uint64_t rows_ = 0, groups_ = 0;
    std::uint32_t x_ = 0, rowEnd_ = 0;
    std::uint32_t lastCell_ = 0;  // the column of the row's last cell, from 1 (0: none yet)
    bool rowHasCell_ = false;

    std::unordered_set<std::string> thIds_;
    std::vector<Reference> references_;
    std::size_t headersBytes_ = 0;
    bool headersCut_ = false;

    Finding finding_;  // the finding being handed on, and what its list and texts point into
    std::vector<std::uint64_t> list_;
    std::vector<std::string_view> texts_;
};

}  // namespace zelko::html
