// What the standard reading of a page hands on to whichever writer listens: the findings about
// its tables, as values, and the structure of its tables as events, in source order.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "html/tokenizer.h"

namespace zelko::html {

enum class Severity : std::uint8_t { error, warning, note };

// The element of a table that a finding concerns. Rows count from 0 in the table; a cell is
// known by its row and its first column; a column element by its number in the table, from 0.
struct Target {
    enum class Kind : std::uint8_t { table, row, cell, column } kind = Kind::table;
    std::uint64_t table = 0;  // the table's number in the page, from 1
    std::uint64_t row = 0;
    std::uint32_t column = 0;  // a cell's first column, or a column element's number
};

struct Finding {
    Location where;
    Severity severity;
    std::string_view message;
    const char* kind;
    Target target;
};

// Takes the findings of a page's tables as they are known.
class FindingSink {
public:
    virtual ~FindingSink() = default;
    virtual void add(const Finding& finding) = 0;
    // A table's last finding has been handed on.
    virtual void tableEnded() {}
};

// A cell as the table's grid placed it, with its spans as browsers read them.
struct CellPlace {
    std::uint64_t row = 0;
    std::uint32_t column = 0;
    std::uint32_t colspan = 1;
    std::uint32_t rowspan = 1;  // 0: to the end of the row group
};

// The structure of a page's tables as the tree builder builds it, in source order: every
// element of the table model opens and closes once, nested properly, implied ones included.
// A nested table opens inside the cell or caption that holds it.
class TableEvents {
public:
    virtual ~TableEvents() = default;
    virtual void tableStart(std::uint64_t number, const Token& table) = 0;
    virtual void tableEnd() = 0;
    virtual void captionStart() = 0;
    virtual void captionEnd() = 0;
    // `colgroup` is null for the group a bare col implies; `number` is its number among the
    // table's column elements (from 0), `span` as browsers read it, for a group without columns.
    virtual void columnGroupStart(const Token* colgroup, std::uint32_t number, std::uint32_t span) = 0;
    virtual void column(std::uint32_t number, std::uint32_t span) = 0;
    virtual void columnGroupEnd() = 0;
    virtual void rowGroupStart(Tag tag, bool implied) = 0;
    virtual void rowGroupEnd() = 0;
    virtual void rowStart(std::uint64_t row) = 0;
    virtual void rowEnd() = 0;
    virtual void cellStart(const Token& cell, const CellPlace& place) = 0;
    virtual void cellEnd() = 0;
};

// Appends `number` in decimal to a std::string, or to any output with the same append.
template <typename Out>
inline void appendNumber(Out& out, std::uint64_t number)
{
    char digits[20];
    char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, static_cast<std::size_t>(end - digits));
}
// Appends "1 row", "2 rows": `count` and the noun, in the plural unless the count is one.
void appendCounted(std::string& out, std::uint64_t count, const char* noun);
// Appends `text` in double quotes, with '"', '\' and control characters written as escapes, so
// that a finding always stays on its one line.
void appendQuoted(std::string& out, std::string_view text);

}  // namespace zelko::html
