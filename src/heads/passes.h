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

// What the standard's assignment keeps from table to table.
struct AssignRoom {
    AssignRoom();
    ~AssignRoom();
    struct Parts;
    std::unique_ptr<Parts> parts;
};

struct Standard {
    // "Forming a table": every cell's anchor and size, row groups in source order but the
    // tfoot ones last, a rowspan past its group lengthening the table.
    static void place(TableHeads& table);
    // "Forming relationships between data cells and header cells", for every cell.
    static void assign(TableHeads& table, const IdOwner& owner, AssignRoom& room);
    // The row groups in the standard's order.
    static std::vector<std::size_t> order(const TableHeads& table);
};

struct Chromium {
    // Every cell's place in Chromium's grid.
    static void place(TableHeads& table);
    // Every cell's column and row headers as Chromium gives them.
    static void list(TableHeads& table);
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
