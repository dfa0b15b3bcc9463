// Chromium's reading of a table for screen readers, as its accessibility tree was found to
// expose it: whether the table is a data table, where its grid puts each cell (rows with the
// thead first and the tfoot last, only the columns some cell starts in), and the column and row
// headers it gives each cell.
#include <algorithm>

#include "heads/passes.h"
#include "html/grid.h"

namespace zelko::heads {

std::string verdictWords(const Judgement& j)
{
    std::string words = j.verdict == Verdict::data     ? "a data table, as "
                        : j.verdict == Verdict::layout ? "a layout table, as "
                                                       : "a data or a layout table, as ";
    return words + j.why;
}

Judgement judge(const TableFacts& f)
{
    if (f.hasRole)
        return f.rolePresentation ? Judgement{Verdict::layout, "its role is presentation or none"}
                                  : Judgement{Verdict::data, "it has a role"};
    if (f.editable)
        return {Verdict::data, "it is editable"};
    if (f.caption)
        return {Verdict::data, "it has a caption"};
    if (f.summary)
        return {Verdict::data, "it has a summary"};
    if (f.head || f.foot)
        return {Verdict::data, f.head ? "it has a thead" : "it has a tfoot"};
    if (f.rules)
        return {Verdict::data, "it has rules"};
    if (f.columnElements)
        return {Verdict::data, "it has col or colgroup elements"};
    if (f.rows >= 20)
        return {Verdict::data, "it has 20 rows or more"};
    if (f.rows == 0)
        return {Verdict::layout, "it has no rows"};
    if (f.rows == 1 && f.cells == 1)
        return {Verdict::layout, "it has one row of one cell"};
    if (f.anyTh)
        return {Verdict::data, "it has a th"};
    if (f.headerAttributes)
        return {Verdict::data, "a cell has headers, abbr, axis or scope"};
    if (f.renderedCells < 2)
        return {Verdict::layout, "it has fewer than two rendered cells"};
    if (f.border)
        return {Verdict::data, "its border attribute gives its cells borders"};
    return {Verdict::css, "its CSS decides (borders, backgrounds, spacing)"};
}

namespace {

// The row groups in Chromium's order: with at most one thead and one tfoot and no col or
// colgroup, the thead first and the tfoot last; else as they stand.
void chromeOrder(const std::vector<Group>& groups, const TableFacts& f, std::vector<std::size_t>& order)
{
    order.clear();
    const bool moved = f.heads <= 1 && f.feet <= 1 && !f.columnElements;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (moved && groups[g].kind == html::Tag::thead)
            order.push_back(g);
    }
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const html::Tag kind = groups[g].kind;
        if (!moved || (kind != html::Tag::thead && kind != html::Tag::tfoot))
            order.push_back(g);
    }
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (moved && groups[g].kind == html::Tag::tfoot)
            order.push_back(g);
    }
}

bool byAnchor(const HeaderRef& a, const HeaderRef& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; }

}  // namespace

void Chromium::place(TableHeads& t, PassRoom& room)
{
    // Per column: the first row its holder no longer holds, and the column just past that cell.
    std::vector<PassRoom::Hold>& held = room.held;
    held.clear();
    std::uint64_t row = 0;
    chromeOrder(t.groups_, t.facts_, room.order);
    for (std::size_t g : room.order) {
        const Group& group = t.groups_[g];
        std::uint64_t i = group.firstCell;
        const std::uint64_t end = group.firstCell + group.cells;
        for (std::uint64_t dom = group.firstRow; dom < group.firstRow + group.rows; ++dom, ++row) {
            std::uint64_t column = 0;
            for (CellRecord c; i < end && (c = t.cells_.get(i)).domRow == dom; ++i) {
                if (!c.inModel)
                    continue;
                // Its columns: those of its span that some cell starts in (its own at least).
                const std::uint64_t span =
                    std::max<std::uint64_t>(1, countBits(t.starts_, c.x, std::uint64_t{c.x} + c.width));
                const std::uint64_t rows = c.rowspan == 0 ? 1 : c.rowspan;
                while (column < held.size() && held[column].end > row)
                    column = held[column].column;
                if (column + span > html::kMaxColumns)
                    break;
                c.chromeRow = row;
                c.chromeColumn = static_cast<std::uint32_t>(column);
                c.chromeColumns = static_cast<std::uint32_t>(span);
                c.chromeRows = static_cast<std::uint32_t>(rows);
                if (held.size() < column + span)
                    held.resize(column + span, PassRoom::Hold{0, 0});
                // A slot that an earlier cell holds for longer stays held in the rows after this.
                for (std::uint64_t k = column; k < column + span; ++k) {
                    if (held[k].end <= row + rows)
                        held[k] = PassRoom::Hold{row + rows, column + span};
                }
                column += span;
                t.cells_.put(i, c);
            }
            for (; i < end && t.cells_.get(i).domRow == dom; ++i) {}
        }
    }
}

// Column headers: every column header whose columns hold the cell's first column, in any row;
// row headers: every row header whose rows hold its first row. Only cells get lists; each list
// is written once, for its column or its row.
void Chromium::list(TableHeads& t, PassRoom& room)
{
    std::vector<std::vector<HeaderRef>>& columns = room.columns;
    std::size_t used = 0;  // the columns of this table, of those in the room
    for (std::uint64_t i = 0; i < t.cells_.size(); ++i) {
        const CellRecord c = t.cells_.get(i);
        if (!c.inModel || c.role != Role::columnHeader || c.chromeColumns == 0)
            continue;
        const std::size_t want = std::size_t{c.chromeColumn} + c.chromeColumns;
        if (used < want) {
            if (columns.size() < want)
                columns.resize(want);
            for (std::size_t k = used; k < want; ++k)
                columns[k].clear();
            used = want;
        }
        for (std::uint32_t k = c.chromeColumn; k < c.chromeColumn + c.chromeColumns; ++k) {
            if (columns[k].size() < kMaxHeaders)
                columns[k].push_back({i, c.y, c.x});
        }
    }
    std::vector<std::uint64_t>& columnAt = room.columnAt;
    columnAt.assign(used, 0);
    for (std::size_t k = 0; k < used; ++k) {
        std::sort(columns[k].begin(), columns[k].end(), byAnchor);
        columnAt[k] = t.addList(columns[k]);
    }
    std::vector<PassRoom::Active>& active = room.active;  // the row headers that reach the row being read
    std::vector<std::uint64_t>& rowCells = room.rowCells;
    std::vector<HeaderRef>& heads = room.heads;
    active.clear();
    std::uint64_t row = 0;
    chromeOrder(t.groups_, t.facts_, room.order);
    for (std::size_t g : room.order) {
        const Group& group = t.groups_[g];
        std::uint64_t i = group.firstCell;
        const std::uint64_t end = group.firstCell + group.cells;
        for (std::uint64_t dom = group.firstRow; dom < group.firstRow + group.rows; ++dom, ++row) {
            active.erase(std::remove_if(active.begin(), active.end(),
                                        [row](const PassRoom::Active& a) { return a.end <= row; }),
                         active.end());
            rowCells.clear();
            for (CellRecord c; i < end && (c = t.cells_.get(i)).domRow == dom; ++i) {
                if (!c.inModel || c.chromeRows == 0)
                    continue;
                rowCells.push_back(i);
                if (c.role == Role::rowHeader && active.size() < kMaxHeaders)
                    active.push_back({{i, c.y, c.x}, c.chromeRow + c.chromeRows});
            }
            heads.clear();
            for (const PassRoom::Active& a : active)
                heads.push_back(a.ref);
            std::sort(heads.begin(), heads.end(), byAnchor);
            const std::uint64_t rowAt = heads.empty() ? 0 : t.addList(heads);
            for (std::uint64_t k : rowCells) {
                CellRecord c = t.cells_.get(k);
                if (c.role != Role::cell)
                    continue;
                c.rowAt = rowAt;
                c.rowHeaderCount = static_cast<std::uint32_t>(heads.size());
                if (c.chromeColumn < used) {
                    c.columnAt = columnAt[c.chromeColumn];
                    c.columnHeaderCount = static_cast<std::uint32_t>(columns[c.chromeColumn].size());
                }
                t.cells_.put(k, c);
            }
        }
    }
    // A large table's lists are given back; a small one's room stays for the next table.
    for (std::size_t k = 0; k < used; ++k) {
        if (columns[k].capacity() > PassRoom::kKept)
            std::vector<HeaderRef>().swap(columns[k]);
    }
}

}  // namespace zelko::heads
