// The HTML standard's table model and its header assignment, in two passes over a table's cells
// in the order of its rows. The assignment keeps, instead of the whole grid, what a scan up a
// column or left along a row would find from the next slot: for each column, and for the row
// being read, the headers of the nearest header block of each kind of cell (its anchor and
// size along the scan), which is what the scan's opaque headers leave visible.
#include <algorithm>
#include <limits>

#include "heads/passes.h"
#include "html/grid.h"
#include "text/bytes.h"

namespace zelko::heads {

void setBits(std::vector<std::uint64_t>& bits, std::uint64_t from, std::uint64_t to)
{
    if (from >= to)
        return;
    if (bits.size() < (to + 63) / 64)
        bits.resize((to + 63) / 64, 0);
    for (std::uint64_t i = from; i < to;) {
        if (i % 64 == 0 && to - i >= 64) {
            bits[i / 64] = ~std::uint64_t{0};
            i += 64;
        } else {
            bits[i / 64] |= std::uint64_t{1} << (i % 64);
            ++i;
        }
    }
}

bool anyBit(const std::vector<std::uint64_t>& bits, std::uint64_t from, std::uint64_t to)
{
    return countBits(bits, from, std::min<std::uint64_t>(to, from + 64 * bits.size())) > 0;
}

std::uint64_t countBits(const std::vector<std::uint64_t>& bits, std::uint64_t from, std::uint64_t to)
{
    std::uint64_t n = 0;
    for (std::uint64_t i = from; i < to && i / 64 < bits.size();) {
        if (i % 64 == 0 && to - i >= 64) {
            n += static_cast<std::uint64_t>(__builtin_popcountll(bits[i / 64]));
            i += 64;
        } else {
            n += bits[i / 64] >> (i % 64) & 1;
            ++i;
        }
    }
    return n;
}

void Standard::order(const TableHeads& table, std::vector<std::size_t>& order)
{
    order.clear();
    for (std::size_t g = 0; g < table.groups_.size(); ++g) {
        if (table.groups_[g].kind != html::Tag::tfoot)
            order.push_back(g);
    }
    for (std::size_t g = 0; g < table.groups_.size(); ++g) {
        if (table.groups_[g].kind == html::Tag::tfoot)
            order.push_back(g);
    }
}

namespace {

// The rows and columns a placed data cell covers, which rule out headers there.
void dataCovers(TableHeads& t, const CellRecord& c)
{
    setBits(t.rowData_, c.y, c.y + c.height);
    setBits(t.columnData_, c.x, std::uint64_t{c.x} + c.width);
}

}  // namespace

void Standard::place(TableHeads& t, PassRoom& room)
{
    constexpr std::uint64_t kGrows = std::numeric_limits<std::uint64_t>::max();
    std::vector<std::uint64_t>& coverEnd = room.coverEnd;
    std::vector<std::uint64_t>& growing = room.growing;
    coverEnd.clear();
    growing.clear();
    std::uint64_t ycurrent = 0, yheight = 0;
    std::uint64_t xwidth = 0;
    order(t, room.order);
    for (std::size_t g : room.order) {
        Group& group = t.groups_[g];
        const std::uint64_t ystart = yheight;
        std::uint64_t i = group.firstCell;
        const std::uint64_t end = group.firstCell + group.cells;
        for (std::uint64_t row = group.firstRow; row < group.firstRow + group.rows; ++row) {
            if (yheight == ycurrent)
                ++yheight;
            std::uint64_t x = 0;
            for (CellRecord c; i < end && (c = t.cells_.get(i)).domRow == row; ++i) {
                while (x < xwidth && x < coverEnd.size() && coverEnd[x] > ycurrent)
                    ++x;
                xwidth = std::max(xwidth, x + c.colspan);
                const bool grows = c.rowspan == 0;
                const std::uint64_t rowspan = grows ? 1 : c.rowspan;
                yheight = std::max(yheight, ycurrent + rowspan);
                c.inModel = x < html::kMaxColumns;
                if (c.inModel) {
                    c.x = static_cast<std::uint32_t>(x);
                    c.y = ycurrent;
                    c.width =
                        static_cast<std::uint32_t>(std::min<std::uint64_t>(c.colspan, html::kMaxColumns - x));
                    c.height = rowspan;
                    if (coverEnd.size() < x + c.width)
                        coverEnd.resize(x + c.width, 0);
                    for (std::uint64_t k = x; k < x + c.width; ++k)
                        coverEnd[k] = std::max(coverEnd[k], grows ? kGrows : ycurrent + rowspan);
                    if (grows)
                        growing.push_back(i);
                    else if (!c.th)
                        dataCovers(t, c);
                    setBits(t.starts_, x, x + 1);
                    t.cells_.put(i, c);
                }
                x += c.colspan;
            }
            ++ycurrent;
        }
        // Ending the row group: the rows its cells reach past it are its own, and the cells that
        // grow reach its end.
        ycurrent = yheight;
        for (std::uint64_t k : growing) {
            CellRecord c = t.cells_.get(k);
            c.height = yheight - c.y;
            for (std::uint64_t col = c.x; col < c.x + c.width; ++col)
                coverEnd[col] = coverEnd[col] == kGrows ? yheight : coverEnd[col];
            if (!c.th)
                dataCovers(t, c);
            t.cells_.put(k, c);
        }
        growing.clear();
        group.y = ystart;
        group.height = yheight - ystart;
    }
    if (growing.capacity() > PassRoom::kKept)
        std::vector<std::uint64_t>().swap(growing);
    t.rows_ = yheight;
    t.columns_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(xwidth, html::kMaxColumns));
}

namespace {

// A cell as the scans meet it.
struct Item {
    std::uint64_t index, y, height;
    std::uint32_t x, width;
    bool header, empty;
    HeaderState state;
};

// What a scan from the next slot along a column (or a row) finds: per kind of cell (its anchor
// and size along the scan), the headers of the nearest block that holds any of that kind. A
// block is a run of header cells; the blocks farther away are opaque to the kinds that nearer
// ones hold.
class Scan {
public:
    // Forgets what it met, keeping the room its kinds took.
    void clear()
    {
        inBlock_ = false;
        block_ = 0;
        count_ = 0;
    }
    // The scan meets `c`, whose kind along the scan is (`at`, `size`).
    void meet(const Item& c, std::uint64_t at, std::uint64_t size)
    {
        if (!c.header) {
            inBlock_ = false;
            return;
        }
        if (!inBlock_) {
            ++block_;
            inBlock_ = true;
        }
        Kind* k = find(at, size);
        if (k == nullptr) {
            if (count_ == kinds_.size())
                kinds_.emplace_back();
            k = &kinds_[count_++];
            k->at = at;
            k->size = size;
            k->block = block_;
            k->headers.clear();
        } else if (k->block != block_) {
            k->block = block_;
            k->headers.clear();
        }
        if ((k->headers.empty() || k->headers.back().index != c.index) && k->headers.size() < kMaxHeaders)
            k->headers.push_back(c);
    }
    // What a scan from `p` finds of the headers in `state` (a column or a row header): a header
    // principal stands in a block of its own kind, so that kind counts only from that block.
    void find(const Item& p, std::uint64_t at, std::uint64_t size, HeaderState state,
              std::vector<HeaderRef>& out) const
    {
        for (std::size_t i = 0; i < count_; ++i) {
            const Kind& k = kinds_[i];
            if (p.header && k.at == at && k.size == size && !(inBlock_ && k.block == block_))
                continue;
            for (const Item& h : k.headers) {
                if (h.state == state && !h.empty && out.size() < 4 * kMaxHeaders)
                    out.push_back({h.index, h.y, h.x});
            }
        }
    }

private:
    struct Kind {
        std::uint64_t at, size;
        std::uint32_t block;
        std::vector<Item> headers;
    };
    Kind* find(std::uint64_t at, std::uint64_t size)
    {
        for (std::size_t i = 0; i < count_; ++i) {
            if (kinds_[i].at == at && kinds_[i].size == size)
                return &kinds_[i];
        }
        return nullptr;
    }
    bool inBlock_ = false;
    std::uint32_t block_ = 0;
    std::vector<Kind> kinds_;  // the first count_ are met
    std::size_t count_ = 0;
};

// A cell while the rows it covers are read: what its scans have found so far.
struct Principal {
    Item item;
    std::uint32_t group;
    bool hasHeaders;
    bool dirty;  // a slot of it was covered twice: its columns are met again where it is alone
    std::vector<HeaderRef> found;
};

}  // namespace

// What the assignment keeps from table to table, so that it allocates little.
struct PassRoom::Parts {
    std::vector<Scan> columns;  // the first `used` are the table's
    std::size_t used = 0;
    std::vector<std::uint64_t> lastMet;
    Scan rowScan;
    std::vector<HeaderRef> list;
    std::vector<std::vector<HeaderRef>> spare;  // lists of finished cells, for new ones
    std::vector<Principal> row, anchored, left;
    std::vector<Item> rowGroupHeaders;
};

PassRoom::PassRoom() : parts(new Parts) {}
PassRoom::~PassRoom() = default;

namespace {

class Assigner {
public:
    Assigner(TableHeads& table, const IdOwner& owner, PassRoom::Parts& room, std::vector<std::size_t>& order)
        : t_(table), owner_(owner), room_(room), order_(order), columns_(room.columns),
          lastMet_(room.lastMet), row_(room.row), anchored_(room.anchored), left_(room.left),
          rowGroupHeaders_(room.rowGroupHeaders)
    {
        room_.used = 0;
        lastMet_.clear();
        row_.clear();
    }
    void run();

private:
    HeaderState stateOf(const CellRecord& c) const;
    void readRow(std::uint64_t r, std::uint64_t& i, std::uint64_t end);
    std::uint64_t nextRow(std::uint64_t r, std::uint64_t i, std::uint64_t end);
    void meetColumns(std::uint64_t r);
    void scanRow(std::uint64_t r);
    void finish(Principal& p);
    void byIds(Principal& p, std::vector<HeaderRef>& list, bool& namesSelf, std::string& tdIds);
    bool overlapped(std::size_t k, std::uint32_t col) const;

    TableHeads& t_;
    const IdOwner& owner_;
    PassRoom::Parts& room_;
    std::vector<std::size_t>& order_;  // the row groups in the standard's order
    std::vector<Scan>& columns_;
    std::vector<std::uint64_t>& lastMet_;  // per column: the cell its scan met last
    std::vector<Principal>& row_;          // the cells covering the row being read, by column
    std::vector<Principal>& anchored_;     // room for readRow, kept from row to row
    std::vector<Principal>& left_;
    std::vector<Item>& rowGroupHeaders_;
    std::vector<std::vector<Item>> columnGroupHeaders_;
    bool overlaps_ = false;  // some slot of the row is covered twice
    std::uint32_t group_ = 0;
};

HeaderState Assigner::stateOf(const CellRecord& c) const
{
    if (!c.th)
        return HeaderState::notHeader;
    const bool automatic = c.scope == Scope::missing || c.scope == Scope::invalid;
    const bool column = c.scope == Scope::column || (automatic && !anyBit(t_.rowData_, c.y, c.y + c.height));
    if (column)
        return HeaderState::column;
    if (c.scope == Scope::row || (automatic && !anyBit(t_.columnData_, c.x, c.x + c.width)))
        return HeaderState::row;
    return c.scope == Scope::columnGroup ? HeaderState::columnGroup
           : c.scope == Scope::rowGroup  ? HeaderState::rowGroup
                                         : HeaderState::none;
}

void Assigner::run()
{
    columnGroupHeaders_.assign(t_.columnGroups_.size(), {});
    Standard::order(t_, order_);
    for (std::size_t g : order_) {
        const Group& group = t_.groups_[g];
        group_ = static_cast<std::uint32_t>(g);
        rowGroupHeaders_.clear();
        std::uint64_t i = group.firstCell;
        const std::uint64_t end = group.firstCell + group.cells;
        for (std::uint64_t r = group.y; r < group.y + group.height; r = nextRow(r, i, end))
            readRow(r, i, end);
        // What the group's cells did not reach is finished with it (none should be left).
        for (Principal& p : row_)
            finish(p);
        row_.clear();
    }
}

// The next row where anything changes: a cell is anchored in it, or a cell that covers row r
// ends in it. The rows between are covered by the same cells as row r, so their scans would
// find nothing that row r's did not.
std::uint64_t Assigner::nextRow(std::uint64_t r, std::uint64_t i, std::uint64_t end)
{
    std::uint64_t next = std::numeric_limits<std::uint64_t>::max();
    for (CellRecord c; i < end; ++i) {
        if ((c = t_.cells_.get(i)).inModel) {
            next = c.y;
            break;
        }
    }
    for (const Principal& p : row_)
        next = std::min(next, p.item.y + p.item.height - 1);
    return std::max(next, r + 1);
}

// Reads row r: the cells anchored in it join those that cover it from above; the columns' scans
// find for the new ones, then meet the row; the row's own scan runs; the cells that end in it
// are finished.
void Assigner::readRow(std::uint64_t r, std::uint64_t& i, std::uint64_t end)
{
    std::vector<Principal>& anchored = anchored_;
    anchored.clear();
    for (CellRecord c; i < end && ((c = t_.cells_.get(i)).y == r || !c.inModel); ++i) {
        if (!c.inModel)
            continue;
        Principal p{
            {i, c.y, c.height, c.x, c.width, c.th, c.empty, stateOf(c)}, c.group, c.hasHeaders, false, {}};
        if (!room_.spare.empty()) {
            p.found.swap(room_.spare.back());
            room_.spare.pop_back();
        }
        if (p.item.state == HeaderState::rowGroup)
            rowGroupHeaders_.push_back(p.item);
        if (p.item.state == HeaderState::columnGroup) {
            for (std::size_t g = 0; g < t_.columnGroups_.size(); ++g) {
                const ColumnGroup& cg = t_.columnGroups_[g];
                if (c.x >= cg.x && c.x < cg.x + cg.width && columnGroupHeaders_[g].size() < kMaxHeaders)
                    columnGroupHeaders_[g].push_back(p.item);
            }
        }
        if (room_.used < std::uint64_t{c.x} + c.width) {
            const std::size_t want = std::size_t{c.x} + c.width;
            if (columns_.size() < want)
                columns_.resize(want);
            for (std::size_t k = room_.used; k < want; ++k)
                columns_[k].clear();
            room_.used = want;
            lastMet_.resize(want, std::numeric_limits<std::uint64_t>::max());
        }
        for (std::uint32_t col = c.x; col < c.x + c.width; ++col)
            columns_[col].find(p.item, c.x, c.width, HeaderState::column, p.found);
        anchored.push_back(std::move(p));
    }
    // The row's cells by column: those from above are in order already, and so are the new ones.
    const auto byColumn = [](const Principal& a, const Principal& b) { return a.item.x < b.item.x; };
    const std::size_t above = row_.size();
    for (Principal& p : anchored)
        row_.push_back(std::move(p));
    if (above > 0 && !anchored.empty())
        std::inplace_merge(row_.begin(), row_.begin() + static_cast<std::ptrdiff_t>(above), row_.end(),
                           byColumn);
    overlaps_ = false;
    for (std::size_t k = 1; k < row_.size() && !overlaps_; ++k)
        overlaps_ = row_[k].item.x < row_[k - 1].item.x + row_[k - 1].item.width;
    if (overlaps_) {
        for (std::size_t k = 0; k < row_.size(); ++k) {
            for (std::uint32_t col = row_[k].item.x; col < row_[k].item.x + row_[k].item.width; ++col)
                row_[k].dirty = row_[k].dirty || overlapped(k, col);
        }
    }
    meetColumns(r);
    scanRow(r);
    std::vector<Principal>& left = left_;
    left.clear();
    for (Principal& p : row_) {
        if (p.item.y + p.item.height - 1 <= r)
            finish(p);
        else
            left.push_back(std::move(p));
    }
    row_.swap(left);
}

// Whether the slot of column `col` in the row is covered by a cell besides row_[k].
bool Assigner::overlapped(std::size_t k, std::uint32_t col) const
{
    if (!overlaps_)
        return false;
    for (std::size_t j = 0; j < row_.size(); ++j) {
        if (j != k && row_[j].item.x <= col && col < row_[j].item.x + row_[j].item.width)
            return true;
    }
    return false;
}

// The scans up the columns meet the row's cells: each cell once, where it is the only cell of
// its slot, in order down the column.
void Assigner::meetColumns(std::uint64_t r)
{
    for (std::size_t k = 0; k < row_.size(); ++k) {
        Principal& p = row_[k];
        if (p.item.y != r && !p.dirty)
            continue;  // met where it was anchored, and alone in its slots since
        for (std::uint32_t col = p.item.x; col < p.item.x + p.item.width; ++col) {
            if (lastMet_[col] == p.item.index || overlapped(k, col))
                continue;
            columns_[col].meet(p.item, p.item.x, p.item.width);
            lastMet_[col] = p.item.index;
        }
    }
}

// The scan along the row, from the left: each cell finds what lies before it, then is met, at
// the first slot where it is alone.
void Assigner::scanRow(std::uint64_t)
{
    Scan& scan = room_.rowScan;
    scan.clear();
    for (std::size_t k = 0; k < row_.size(); ++k) {
        Principal& p = row_[k];
        scan.find(p.item, p.item.y, p.item.height, HeaderState::row, p.found);
        bool alone = !overlaps_;
        for (std::uint32_t col = p.item.x; col < p.item.x + p.item.width && !alone; ++col)
            alone = !overlapped(k, col);
        if (alone)
            scan.meet(p.item, p.item.y, p.item.height);
    }
}

// The cell's headers: those its headers attribute names, or those the scans found and the group
// headers before it; no empty cell, none twice, not itself, by anchor.
void Assigner::finish(Principal& p)
{
    std::vector<HeaderRef>& list = room_.list;
    list.clear();
    // What its headers attribute names besides th cells: itself, td cells (by id).
    bool namesSelf = false;
    std::string tdIds;
    if (p.hasHeaders) {
        byIds(p, list, namesSelf, tdIds);
    } else {
        list.swap(p.found);
        const std::uint64_t lastRow = p.item.y + p.item.height - 1;
        const std::uint64_t lastColumn = std::uint64_t{p.item.x} + p.item.width - 1;
        const auto before = [&](const Item& h) { return h.x <= lastColumn && h.y <= lastRow; };
        if (p.group == group_) {
            for (const Item& h : rowGroupHeaders_) {
                if (before(h) && !h.empty)
                    list.push_back({h.index, h.y, h.x});
            }
        }
        for (std::size_t g = 0; g < t_.columnGroups_.size(); ++g) {
            const ColumnGroup& cg = t_.columnGroups_[g];
            if (p.item.x < cg.x || p.item.x >= cg.x + cg.width)
                continue;
            for (const Item& h : columnGroupHeaders_[g]) {
                if (before(h) && !h.empty)
                    list.push_back({h.index, h.y, h.x});
            }
        }
    }
    // Empty cells were left out as they were found (they still block a scan).
    list.erase(
        std::remove_if(list.begin(), list.end(), [&](const HeaderRef& h) { return h.cell == p.item.index; }),
        list.end());
    std::sort(list.begin(), list.end(), [](const HeaderRef& a, const HeaderRef& b) {
        return a.y != b.y ? a.y < b.y : a.x != b.x ? a.x < b.x : a.cell < b.cell;
    });
    list.erase(std::unique(list.begin(), list.end(),
                           [](const HeaderRef& a, const HeaderRef& b) { return a.cell == b.cell; }),
               list.end());
    if (list.size() > kMaxHeaders)
        list.resize(kMaxHeaders);
    for (const HeaderRef& h : list)
        setBits(t_.heads_, h.cell, h.cell + 1);
    const std::vector<HeaderRef>& out = list;
    CellRecord c = t_.cells_.get(p.item.index);
    c.state = p.item.state;
    c.namesSelf = namesSelf;
    if (!tdIds.empty()) {
        c.tdIdsAt = t_.bytes_.add(tdIds.data(), tdIds.size());
        c.tdIdsLength = static_cast<std::uint32_t>(tdIds.size());
    }
    c.listAt = t_.addList(out);
    c.headerCount = static_cast<std::uint32_t>(out.size());
    t_.cells_.put(p.item.index, c);
    // Its list (the room's old one, after the swap) serves a cell to come, if small.
    p.found.clear();
    if (p.found.capacity() > 0 && p.found.capacity() <= PassRoom::kKept)
        room_.spare.push_back(std::move(p.found));
}

// The cells a headers attribute names: each id whose first cell in the page is a cell of this
// table, other than the cell itself.
void Assigner::byIds(Principal& p, std::vector<HeaderRef>& list, bool& namesSelf, std::string& tdIds)
{
    const CellRecord self = t_.cells_.get(p.item.index);
    std::string value(self.headersLength, '\0');
    if (!value.empty())
        t_.bytes_.read(self.headersAt, &value[0], value.size());
    std::size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && isHtmlWhite(static_cast<unsigned char>(value[i])))
            ++i;
        const std::size_t start = i;
        while (i < value.size() && !isHtmlWhite(static_cast<unsigned char>(value[i])))
            ++i;
        if (i == start)
            continue;
        std::uint64_t cell = 0;
        const std::string id = value.substr(start, i - start);
        if (owner_(id, cell) != t_.facts_.number)
            continue;
        if (cell == p.item.index) {
            namesSelf = true;
            continue;
        }
        const CellRecord h = t_.cells_.get(cell);
        if (!h.th && tdIds.size() < 1024)
            tdIds += (tdIds.empty() ? "" : " ") + id;
        if (h.inModel && !h.empty)
            list.push_back({cell, h.y, h.x});
    }
}

}  // namespace

void Standard::assign(TableHeads& table, const IdOwner& owner, PassRoom& room)
{
    Assigner(table, owner, *room.parts, room.order).run();
}

}  // namespace zelko::heads
