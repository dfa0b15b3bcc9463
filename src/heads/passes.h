// The passes over a table's cells when it ends, each reading its store in the order of its rows:
// the standard's table model and header assignment, then Chromium's grid and header lists.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "heads/reader.h"

namespace zelko::heads {

// The table a page's first cell with an id belongs to (its number in the page; 0 for none), and
// its number there.
using IdOwner = std::function<std::uint64_t(const std::string& id, std::uint64_t& cell)>;

// What the passes keep from table to table, so that they allocate little.
struct PassRoom {
    PassRoom();
    ~PassRoom();
    // The entries a list of the room keeps after its cell or its table; a larger one is given
    // back, so that what a wide table took does not stay.
    static constexpr std::size_t kKept = 16;
    struct Parts;  // the standard's assignment's
    std::unique_ptr<Parts> parts;
    std::vector<std::size_t> order;  // the row groups in the order a pass reads them
    // The standard's model: per column the first row no placed cell covers, and the cells of a
    // group that grow to its end.
    std::vector<std::uint64_t> coverEnd, growing;
    // Chromium's grid: per column the row a cell holds it to and the column just past that cell.
    struct Hold {
        std::uint64_t end, column;
    };
    std::vector<Hold> held;
    // Chromium's lists: the column headers of each column (as many as the table has) and where
    // each list was written; the row headers that reach the row being read, its cells, its list.
    std::vector<std::vector<HeaderRef>> columns;
    std::vector<std::uint64_t> columnAt;
    struct Active {
        HeaderRef ref;
        std::uint64_t end;
    };
    std::vector<Active> active;
    std::vector<std::uint64_t> rowCells;
    std::vector<HeaderRef> heads;
};

struct Standard {
    // "Forming a table": every cell's anchor and size, row groups in source order but the
    // tfoot ones last, a rowspan past its group lengthening the table.
    static void place(TableHeads& table, PassRoom& room);
    // "Forming relationships between data cells and header cells", for every cell.
    static void assign(TableHeads& table, const IdOwner& owner, PassRoom& room);
    // The row groups in the standard's order, into `order`.
    static void order(const TableHeads& table, std::vector<std::size_t>& order);
};

struct Chromium {
    // Every cell's place in Chromium's grid.
    static void place(TableHeads& table, PassRoom& room);
    // Every cell's column and row headers as Chromium gives them.
    static void list(TableHeads& table, PassRoom& room);
};

// Bit `i` of `bits`, and setting bits [from, to).
inline bool bitAt(const std::vector<std::uint64_t>& bits, std::uint64_t i)
{
    return i / 64 < bits.size() && (bits[i / 64] >> (i % 64) & 1) != 0;
}
void setBits(std::vector<std::uint64_t>& bits, std::uint64_t from, std::uint64_t to);
// Whether any bit in [from, to) is set; how many are.
bool anyBit(const std::vector<std::uint64_t>& bits, std::uint64_t from, std::uint64_t to);
std::uint64_t countBits(const std::vector<std::uint64_t>& bits, std::uint64_t from, std::uint64_t to);

}  // namespace zelko::heads
