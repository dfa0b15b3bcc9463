#include "html/catalogue.h"

#include "text/append.h"

namespace zelko::html {

namespace {

// In the order of Kind.
const KindInfo kKinds[kKindCount] = {
    {"row-short", Severity::warning, "A row has fewer columns than the table",
     "A row ends before the table's last column: it is narrower than the first row, or than the "
     "column elements say (then it is an error). A row's width is the position just past its "
     "last cell, moved on over the cells from rows above that cover the slots next to it.",
     "Give the row the cells it lacks, or span its last cell over the missing columns."},
    {"row-long", Severity::warning, "A row has more columns than the table",
     "A row reaches past the table's width that the first row, or the column elements (then it "
     "is an error), set.",
     "Remove the row's extra cells, or make the other rows as wide."},
    {"row-no-cells", Severity::error, "No cell begins in a row",
     "A row has no cell of its own: it is empty, or all its slots are covered by cells from the "
     "rows above.",
     "Remove the empty row, or lower the rowspan of the cells above it."},
    {"column-no-cells", Severity::error, "No cell begins in a column",
     "The table has columns in which no cell begins, made by a col or colgroup span or by a "
     "colspan reaching past every other cell.",
     "Lower the span that made the columns, or give them cells."},
    {"cell-overlap", Severity::error, "Cells overlap",
     "A cell covers a slot that a cell from a row above covers already, so browsers draw one "
     "over the other.",
     "Lower the rowspan of the cell above, or the colspan of this cell."},
    {"rowspan-clipped", Severity::error, "A rowspan runs past its row group",
     "A cell's rowspan reaches past the end of its row group (thead, tbody or tfoot), where "
     "browsers cut it short.",
     "Lower the rowspan to the rows left in the group."},
    {"headers-unknown", Severity::error, "headers names no th of the table",
     "A cell's headers attribute names an id that no th of the same table has.",
     "Give the header cell that id, or correct the headers attribute."},
    {"table", Severity::note, "A table and its size",
     "Every table of the page, with its number, class, rows, columns and row groups.",
     "Nothing to do: this note describes the table."},
    {"headers-limit", Severity::note, "The headers check was cut short",
     "A table has more ids and headers attributes than the check keeps, so its headers check "
     "was left out.",
     "Nothing to do, or check the table's headers by other means."},
    {"th-no-cells", Severity::warning, "A th heads no cell",
     "A header cell heads no cell of its table by the HTML standard's header assignment (an "
     "empty th never does), so a screen reader reads it with nothing. ACT rule d0f69e (table "
     "header cell has assigned cells) and axe-core's th-has-data-cells cover the same fault.",
     "Make the cell a td, or put the cells it should head below it or to its right."},
    {"cell-no-headers", Severity::warning, "A data cell has no header",
     "A non-empty data cell of a table of at least 3 rows and 3 columns that Chromium exposes as "
     "a data table has no header by the HTML standard, so a screen reader reads it without "
     "context. axe-core's td-has-header covers the same fault.",
     "Give the table th cells for its columns or rows, or name the headers with a headers "
     "attribute."},
    {"headers-not-th", Severity::error, "headers names a td or the cell itself",
     "A cell's headers attribute names a td of the same table, or the cell itself; the HTML "
     "standard allows only the ids of th cells of the same table. axe-core's td-headers-attr "
     "covers the cell itself.",
     "Name th cells only, or make the named cell a th."},
    {"scope-invalid", Severity::error, "A scope that means nothing",
     "A th's scope attribute is none of row, col, rowgroup and colgroup, so it is in the auto "
     "state, or a td has a scope attribute, which is obsolete. axe-core's scope-attr-valid covers "
     "the same fault.",
     "Write one of row, col, rowgroup and colgroup on a th, and no scope on a td."},
    {"headers-differ", Severity::warning, "Chromium gives a cell other headers than the standard",
     "A non-empty data cell of a table that Chromium exposes as a data table gets other headers "
     "from Chromium (which ignores headers attributes, scope=rowgroup and scope=colgroup beyond a "
     "header's role, and places cells on its own grid) than the HTML standard assigns, so a "
     "screen reader reads it with other headers than the markup means.",
     "Give the table plain th rows and columns, with scope=col and scope=row, that both agree "
     "on."},
};

void appendPlace(std::string& out, std::uint64_t row, std::uint64_t column)
{
    out += "row ";
    appendNumber(out, row);
    out += ", column ";
    appendNumber(out, column);
}

// The separator before item `i` of `count` in "a", "a and b", "a, b and c".
const char* separator(std::size_t i, std::size_t count)
{
    return i == 0 ? "" : i + 1 == count ? " and " : ", ";
}

void appendRowWidth(std::string& out, const Finding& f)
{
    const std::uint64_t width = f.numbers[0], expected = f.numbers[1];
    out += "row ";
    appendNumber(out, f.target.row + 1);
    out += " has ";
    appendCounted(out, width, "column");
    out += width < expected ? ", fewer than the " : ", more than the ";
    appendNumber(out, expected);
    out += f.numbers[2] != 0 ? " that the column elements set" : " that the first row sets";
}

void appendEmptyColumns(std::string& out, const Finding& f)
{
    std::uint64_t empty = 0;
    for (std::size_t i = 0; i + 1 < f.listSize; i += 2)
        empty += f.list[i + 1] - f.list[i] + 1;
    out += empty == 1 ? "no cell begins in column " : "no cell begins in columns ";
    for (std::size_t i = 0; i + 1 < f.listSize; i += 2) {
        out += i > 0 ? ", " : "";
        appendNumber(out, f.list[i]);
        if (f.list[i + 1] > f.list[i]) {
            out += '-';
            appendNumber(out, f.list[i + 1]);
        }
    }
}

void appendOverlap(std::string& out, const Finding& f)
{
    const std::size_t count = f.listSize / 4;
    out += "cell at ";
    appendPlace(out, f.target.row + 1, std::uint64_t{f.target.column} + 1);
    out += count == 1 ? " overlaps the cell at " : " overlaps the cells at ";
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t* cell = f.list + 4 * i;
        out += separator(i, count);
        appendPlace(out, cell[0], cell[1]);
        out += " (line ";
        appendNumber(out, cell[2]);
        out += ", column ";
        appendNumber(out, cell[3]);
        out += ')';
    }
}

void appendClippedRowspan(std::string& out, const Finding& f)
{
    out += "cell at ";
    appendPlace(out, f.target.row + 1, std::uint64_t{f.target.column} + 1);
    out += " has rowspan ";
    appendNumber(out, f.numbers[0]);
    out += ", but its row group ends after row ";
    appendNumber(out, f.numbers[1]);
    out += ": it spans ";
    appendCounted(out, f.numbers[2], "row");
}

void appendUnknownHeaders(std::string& out, const Finding& f)
{
    out += "headers names ";
    for (std::size_t i = 0; i < f.textCount; ++i) {
        out += separator(i, f.textCount);
        appendQuoted(out, f.texts[i]);
    }
    out += ", which no th of this table has as its id";
}

void appendTable(std::string& out, const Finding& f)
{
    out += "table ";
    appendNumber(out, f.target.table);
    if (f.textCount > 0) {
        out += " (class ";
        appendQuoted(out, f.texts[0]);
        out += "): ";
    } else {
        out += " (no class): ";
    }
    appendCounted(out, f.numbers[0], "row");
    out += " x ";
    appendCounted(out, f.numbers[1], "column");
    out += ", ";
    appendCounted(out, f.numbers[2], "row group");
    if (f.numbers[3] != 0) {
        out += "; checked over its first ";
        appendNumber(out, f.numbers[3]);
        out += " columns";
    }
    if (!f.chromium.empty()) {
        out += "; Chromium: ";
        out += f.chromium;
    }
}

void appendCell(std::string& out, const Finding& f, const char* what)
{
    out += what;
    out += " at ";
    appendPlace(out, f.target.row + 1, std::uint64_t{f.target.column} + 1);
}

void appendHeadersNotTh(std::string& out, const Finding& f)
{
    appendCell(out, f, "headers of the cell");
    out += " names ";
    if (f.numbers[0] != 0)
        out += f.textCount > 0 ? "the cell itself and " : "the cell itself";
    for (std::size_t i = 0; i < f.textCount; ++i) {
        out += separator(i, f.textCount);
        appendQuoted(out, f.texts[i]);
    }
    if (f.textCount > 0)
        out += f.textCount == 1 ? ", a td of this table" : ", td cells of this table";
}

void appendA11y(std::string& out, const Finding& f)
{
    switch (f.kind) {
    case Kind::thNoCells:
        appendCell(out, f, "th");
        out += ' ';
        appendQuoted(out, f.textCount > 0 ? f.texts[0] : std::string_view());
        out += " heads no cell";
        break;
    case Kind::cellNoHeaders:
        appendCell(out, f, "cell");
        out += " has no header, in a data table of ";
        appendCounted(out, f.numbers[0], "row");
        out += " and ";
        appendCounted(out, f.numbers[1], "column");
        break;
    case Kind::headersNotTh:
        appendHeadersNotTh(out, f);
        break;
    case Kind::scopeInvalid:
        appendCell(out, f, f.numbers[0] != 0 ? "td" : "th");
        out += " has scope ";
        appendQuoted(out, f.textCount > 0 ? f.texts[0] : std::string_view());
        out += f.numbers[0] != 0 ? ", which a td does not take"
                                 : ", which is not row, col, rowgroup or colgroup";
        break;
    default:  // headersDiffer
        appendCell(out, f, "cell");
        if (f.textCount > 0 && f.texts[0] != "none") {
            out += " has headers ";
            out += f.texts[0];
        } else {
            out += " has no header";
        }
        out += " by the standard, but Chromium gives it ";
        out += f.textCount > 1 ? f.texts[1] : std::string_view("none");
        break;
    }
}

void appendHeadersLimit(std::string& out, const Finding& f)
{
    out += "the headers check of table ";
    appendNumber(out, f.target.table);
    out += " was cut short: it keeps at most ";
    appendNumber(out, f.numbers[0]);
    out += " bytes of ids and headers";
}

}  // namespace

const KindInfo& kindInfo(Kind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

void appendMessage(std::string& out, const Finding& finding)
{
    switch (finding.kind) {
    case Kind::rowShort:
    case Kind::rowLong:
        appendRowWidth(out, finding);
        break;
    case Kind::rowNoCells:
        out += "no cell begins in row ";
        appendNumber(out, finding.target.row + 1);
        break;
    case Kind::columnNoCells:
        appendEmptyColumns(out, finding);
        break;
    case Kind::cellOverlap:
        appendOverlap(out, finding);
        break;
    case Kind::rowspanClipped:
        appendClippedRowspan(out, finding);
        break;
    case Kind::headersUnknown:
        appendUnknownHeaders(out, finding);
        break;
    case Kind::table:
        appendTable(out, finding);
        break;
    case Kind::headersLimit:
        appendHeadersLimit(out, finding);
        break;
    default:
        appendA11y(out, finding);
        break;
    }
}

}  // namespace zelko::html
