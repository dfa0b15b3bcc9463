// The structure of a page's tables as the tree builder builds it, handed on as events in
// source order: every element of the table model opens and closes once, nested properly,
// implied ones included; a nested table opens inside the cell or caption that holds it.
#pragma once

#include <cstdint>

#include "html/content.h"
#include "html/token.h"

namespace zelko::html {

// A cell as the table's grid placed it, with its spans as browsers read them.
struct CellPlace {
    std::uint64_t row = 0;
    std::uint32_t column = 0;
    std::uint32_t colspan = 1;
    std::uint32_t rowspan = 1;  // 0: to the end of the row group
};

// The events, one line each: its name, its parameters, and their names as arguments. Whoever
// needs every event (the interface below, the view's records between threads) is made from
// this one list, so a new event is one line here. Its types are named in full, as the list is
// expanded in other namespaces too.
//   tableStart        table `number` in the page (from 1), at its start tag
//   columnGroupStart  `colgroup` is null for the group a bare col implies; `number` is its number
//                     among the table's column elements (from 0), `span` as browsers read it
//   column            a col: its number among the column elements and its span
//   rowGroupStart     thead, tbody or tfoot; `implied` for the tbody a row or cell implies
//   rowStart          the row's number in the table, from 0
//   cellStart         the cell's tag and where the grid placed it
// Only for a writer that asks for what cells hold (PageReading::collectCellContent):
//   rowNode           a node other than a cell directly in the open row
//   cellContent       what the open cell holds, just before its end
#define ZELKO_TABLE_EVENTS(EVENT)                                                                            \
    EVENT(tableStart, (std::uint64_t number, const ::zelko::html::Token& table), (number, table))            \
    EVENT(tableEnd, (), ())                                                                                  \
    EVENT(captionStart, (), ())                                                                              \
    EVENT(captionEnd, (), ())                                                                                \
    EVENT(columnGroupStart,                                                                                  \
          (const ::zelko::html::Token* colgroup, std::uint32_t number, std::uint32_t span),                  \
          (colgroup, number, span))                                                                          \
    EVENT(column, (std::uint32_t number, std::uint32_t span), (number, span))                                \
    EVENT(columnGroupEnd, (), ())                                                                            \
    EVENT(rowGroupStart, (::zelko::html::Tag tag, bool implied), (tag, implied))                             \
    EVENT(rowGroupEnd, (), ())                                                                               \
    EVENT(rowStart, (std::uint64_t row), (row))                                                              \
    EVENT(rowEnd, (), ())                                                                                    \
    EVENT(cellStart, (const ::zelko::html::Token& cell, const ::zelko::html::CellPlace& place),              \
          (cell, place))                                                                                     \
    EVENT(cellEnd, (), ())                                                                                   \
    EVENT(rowNode, (::zelko::html::NodeKind kind), (kind))                                                   \
    EVENT(cellContent, (const ::zelko::html::CellContent& content), (content))

class TableEvents {
public:
    virtual ~TableEvents() = default;
#define ZELKO_DECLARE_EVENT(name, parameters, arguments) virtual void name parameters = 0;
    ZELKO_TABLE_EVENTS(ZELKO_DECLARE_EVENT)
#undef ZELKO_DECLARE_EVENT
    // Asked just after cellStart: whether the cell's text (CellContent::name) will be read. A
    // writer that says no is told what the cell holds, with no text, and spares the reading the
    // work of keeping it.
    virtual bool wantsCellName() const { return true; }
};

// A listener that hears only some events: the others do nothing.
class SomeTableEvents : public TableEvents {
public:
#define ZELKO_IGNORE_EVENT(name, parameters, arguments)                                                      \
    void name parameters override { ignore arguments; }
    ZELKO_TABLE_EVENTS(ZELKO_IGNORE_EVENT)
#undef ZELKO_IGNORE_EVENT

private:
    template <typename... T>
    static void ignore(const T&...)
    {}
};

}  // namespace zelko::html
