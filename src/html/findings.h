// What the standard reading finds wrong with a page's tables, as values: a finding's kind, the
// element it concerns and its numbers. The catalogue (catalogue.h) names and words them; the
// reading itself writes no word of a report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "html/location.h"
#include "text/severity.h"

namespace zelko::html {

enum class Kind : std::uint8_t {
    rowShort,
    rowLong,
    rowNoCells,
    columnNoCells,
    cellOverlap,
    rowspanClipped,
    headersUnknown,
    table,
    headersLimit,
    // Who heads each cell (--a11y), found by a writer that works the headers out.
    thNoCells,
    cellNoHeaders,
    headersNotTh,
    scopeInvalid,
    headersDiffer
};
constexpr std::size_t kKindCount = static_cast<std::size_t>(Kind::headersDiffer) + 1;
// The kinds of a check without --a11y, which come first.
constexpr std::size_t kStructureKindCount = static_cast<std::size_t>(Kind::headersLimit) + 1;

// The element of a table that a finding concerns. Rows count from 0 in the table; a cell is
// known by its row and its first column; a column element by its number in the table, from 0.
struct Target {
    enum class Kind : std::uint8_t { table, row, cell, column } kind = Kind::table;
    std::uint64_t table = 0;  // the table's number in the page, from 1
    std::uint64_t row = 0;
    std::uint32_t column = 0;  // a cell's first column, or a column element's number
};

// A finding. What its numbers, list and texts hold depends on its kind (rows and columns in
// them count from 1):
//   rowShort, rowLong  numbers: the row's width, the width the table sets, 1 when its column
//                      elements set it (then an error) and 0 when its first row does, and
//                      where the row ends: the column of its last cell (0: it has none)
//   rowNoCells         -
//   columnNoCells      list: the runs of columns in which no cell begins, as first and last
//   cellOverlap        list: the earlier cells it overlaps, as row, column, line and column of
//                      their tag
//   rowspanClipped     numbers: the rowspan, the last row of the row group, the rows it spans
//   headersUnknown     texts: the ids that no th of the table has
//   table              numbers: rows, columns, row groups, and the columns checked when the
//                      table has more (else 0); texts: its class, when it has one; chromium:
//                      Chromium's verdict in words, with --a11y
//   headersLimit       numbers: the bytes of ids and headers kept
//   thNoCells          texts: the th's text
//   cellNoHeaders      numbers: the table's rows and columns (its standard table model)
//   headersNotTh       numbers: 1 when it names the cell itself; texts: the ids of td it names
//   scopeInvalid       numbers: 1 when the cell is a td; texts: the value
//   headersDiffer      texts: the headers by the standard, then those Chromium gives, each
//                      list as one text ("Stop" (1,1), ...; "none" when empty)
struct Finding {
    Kind kind = Kind::table;
    Severity severity = Severity::note;
    Location where;
    Target target;
    std::uint64_t numbers[4] = {};
    const std::uint64_t* list = nullptr;
    std::size_t listSize = 0;
    const std::string_view* texts = nullptr;
    std::size_t textCount = 0;
    std::string_view chromium;
};

// Takes the findings of a page's tables as they are known.
class FindingSink {
public:
    virtual ~FindingSink() = default;
    virtual void add(const Finding& finding) = 0;
    // A table's last finding has been handed on.
    virtual void tableEnded() {}
};

}  // namespace zelko::html
