// Who heads each cell, as values: every cell of a table with its place in the standard's table
// model and in Chromium's, its headers by the standard's "forming relationships between data
// cells and header cells", and the column and row headers Chromium gives it; and the table's own
// facts, Chromium's verdict among them. Made by the reader (reader.h) when a table ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "html/location.h"
#include "html/tags.h"

namespace zelko::heads {

// A cell's scope attribute as the standard reads it: missing and invalid values are the auto
// state.
enum class Scope : std::uint8_t { missing, row, column, rowGroup, columnGroup, invalid };
// What a header cell heads by the standard: a column, a row, a column group, a row group, or,
// in the auto state, neither a column nor a row.
enum class HeaderState : std::uint8_t { notHeader, column, row, columnGroup, rowGroup, none };
// A cell's role as Chromium exposes it.
enum class Role : std::uint8_t { cell, columnHeader, rowHeader };
// How Chromium exposes a table: as a data table, a layout table, or as its CSS decides.
enum class Verdict : std::uint8_t { data, layout, css };

// A header of a cell: the cell, by its number in the table (source order), and its anchor in
// the standard's table model.
struct HeaderRef {
    std::uint64_t cell;
    std::uint64_t y;
    std::uint32_t x;
};

// Everything kept of a cell while its table is open and read again when it ends; copied as
// bytes into the cell store.
struct CellRecord {
    html::Location where;    // its tag
    std::uint64_t checkRow;  // where --check's grid placed it (the view's ids)
    std::uint32_t checkColumn;
    std::uint32_t group;      // its row group, by number in the table
    std::uint64_t domRow;     // its row, by number in the table in source order
    std::uint32_t colspan;    // as browsers read it, 1 to 1000
    std::uint32_t rowspan;    // 0 to 65534; 0 reaches the end of its row group
    std::uint64_t nameAt;     // its text in the table's byte store
    std::uint64_t headersAt;  // its headers attribute's value there
    std::uint64_t scopeAt;    // its scope attribute's value there, when it is invalid or on a td
    std::uint64_t tdIdsAt;    // the ids of td cells its headers attribute names, space-separated
    std::uint32_t nameLength, headersLength, scopeLength, tdIdsLength;
    bool namesSelf;  // its headers attribute names the cell itself
    bool th, empty, full, hidden, hasHeaders, inModel;
    Scope scope;
    Role role;
    HeaderState state;
    // The standard's table model: its anchor and size.
    std::uint64_t y, height;
    std::uint32_t x, width;
    // Chromium's grid.
    std::uint64_t chromeRow;
    std::uint32_t chromeColumn, chromeColumns, chromeRows;
    // Its headers, each a run of HeaderRef in the table's list store: by the standard at
    // listAt, Chromium's column headers at columnAt and row headers at rowAt (shared by the
    // cells of a column or a row).
    std::uint64_t listAt, columnAt, rowAt;
    std::uint32_t headerCount, columnHeaderCount, rowHeaderCount;
};

// A row group of a table, in source order. Rows directly in a table make a group of their own
// (kind other).
struct Group {
    html::Tag kind;
    std::uint64_t firstCell = 0, cells = 0;  // its cells in the store
    std::uint64_t firstRow = 0, rows = 0;    // its rows, by number in the table
    std::uint64_t y = 0, height = 0;         // its rows in the standard's table model
};

// A column group of the standard's table model: columns x to x + width - 1.
struct ColumnGroup {
    std::uint32_t x, width;
};

// What decides Chromium's verdict on a table, and what its note says.
struct TableFacts {
    std::uint64_t number = 0;  // in the page, from 1
    html::Location where;
    bool hasRole = false;
    bool rolePresentation = false;  // its first known role is presentation or none
    bool editable = false, caption = false, summary = false, head = false, foot = false, rules = false;
    bool columnElements = false, anyTh = false, headerAttributes = false, border = false;
    std::uint64_t rows = 0, cells = 0, renderedCells = 0;
    std::uint64_t heads = 0, feet = 0;  // its thead and tfoot children
};

// Chromium's verdict on a table, and the clause that decides it.
struct Judgement {
    Verdict verdict;
    const char* why;
};
Judgement judge(const TableFacts& facts);
// "a data table, as it has a thead", "a layout table, as ...", "a data or a layout table, as ...".
std::string verdictWords(const Judgement& judgement);

}  // namespace zelko::heads
