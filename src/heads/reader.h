// The headers reader: hears a page's table events and what its cells hold, keeps every cell of
// each open table in a store (store.h), and when a table ends works out who heads each cell, by
// the standard (standard.cpp) and as Chromium does (chromium.cpp), and hands the table to a
// sink that reads its cells in source order.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "heads/model.h"
#include "heads/store.h"
#include "html/attributes.h"
#include "html/events.h"
#include "text/append.h"

namespace zelko::heads {

struct PassRoom;
class TableWorker;

// The attributes the reader reads: of cells, and of tables.
struct HeadsAttribute {
    enum : std::size_t {
        scope,
        headers,
        id,
        abbr,
        axis,
        hidden,
        role,
        summary,
        rules,
        border,
        editable,
        count
    };
};
extern const html::AttributeWish kHeadsAttributes[HeadsAttribute::count];

// The headers of a cell a list holds at most: a cell named by more is cut there.
constexpr std::uint32_t kMaxHeaders = 512;
// The bytes the open tables of a page keep in memory before the rest waits in scratches.
constexpr std::size_t kTableMemory = 2 * 1024 * 1024;

// A table that has ended, its cells read in source order.
class TableHeads {
public:
    const TableFacts& facts() const { return facts_; }
    Judgement judgement() const { return judge(facts_); }
    // Its size in the standard's table model.
    std::uint64_t rows() const { return rows_; }
    std::uint32_t columns() const { return columns_; }
    std::uint64_t cellCount() { return cells_.size(); }
    CellRecord cell(std::uint64_t i) { return cells_.get(i); }
    // A cell's text (what names it), and into `out` its headers by the standard, and Chromium's.
    std::string name(const CellRecord& cell);
    // Its text in quotes, as appendQuoted writes it.
    void appendQuotedName(std::string& out, const CellRecord& cell);
    // Its invalid scope (or a td's), and the ids of td cells its headers attribute names.
    std::string scope(const CellRecord& cell) { return text(cell.scopeAt, cell.scopeLength); }
    std::string tdIds(const CellRecord& cell) { return text(cell.tdIdsAt, cell.tdIdsLength); }
    void headers(const CellRecord& cell, std::vector<HeaderRef>& out)
    {
        refs(cell.listAt, cell.headerCount, out);
    }
    void columnHeaders(const CellRecord& cell, std::vector<HeaderRef>& out)
    {
        refs(cell.columnAt, cell.columnHeaderCount, out);
    }
    void rowHeaders(const CellRecord& cell, std::vector<HeaderRef>& out)
    {
        refs(cell.rowAt, cell.rowHeaderCount, out);
    }
    // Whether cell `i` is among the headers of some cell by the standard.
    bool headsSome(std::uint64_t i) const
    {
        return i / 64 < heads_.size() && (heads_[i / 64] >> (i % 64) & 1) != 0;
    }

    // What the reader and the passes (passes.h) keep of the table, and change.
    explicit TableHeads(Budget& budget) : cells_(budget), bytes_(budget), lists_(budget) {}
    void refs(std::uint64_t at, std::uint32_t count, std::vector<HeaderRef>& out);
    std::string text(std::uint64_t at, std::uint32_t length);
    std::uint64_t addList(const std::vector<HeaderRef>& list);
    void reset();
    // The bytes of the budget its stores hold, and whether any waits in a scratch.
    std::size_t taken() const { return cells_.taken() + bytes_.taken() + lists_.taken(); }
    bool spilled() const { return cells_.spilled() || bytes_.spilled() || lists_.spilled(); }
    // Empties it and gives its stores' memory back.
    void release();

    TableFacts facts_;
    RecordStore<CellRecord> cells_;
    ByteStore bytes_;  // names and headers attributes
    ByteStore lists_;  // header lists, as HeaderRef runs
    std::vector<Group> groups_;
    std::vector<ColumnGroup> columnGroups_;
    std::uint64_t rows_ = 0;
    std::uint32_t columns_ = 0;
    // Bits: the standard's rows and columns a data cell covers, the columns a cell starts in,
    // and the cells that head some cell.
    std::vector<std::uint64_t> rowData_, columnData_, starts_, heads_;
};

// Whether the headers by the standard are those Chromium gives (its column and row headers
// together), as sets of cells.
bool sameHeaders(const std::vector<HeaderRef>& standard, const std::vector<HeaderRef>& columns,
                 const std::vector<HeaderRef>& rows);
// A slot as people count it: "2,3" for row 2, column 3 (y and x count from 0).
template <typename Out>
void appendAnchor(Out& out, std::uint64_t y, std::uint64_t x)
{
    appendNumber(out, y + 1);
    out += ',';
    appendNumber(out, x + 1);
}
// Each header by its text and its anchor: "Name" (1,2), "Year" (1,3); "none" for no header.
void appendHeaderNames(std::string& out, TableHeads& table, const std::vector<HeaderRef>& list);

class HeadsSink {
public:
    virtual ~HeadsSink() = default;
    // A table has ended; its cells may be read until the call returns.
    virtual void tableEnded(TableHeads& table) = 0;
};

// The cells whose text a sink reads (TableHeads::name): every cell, those that may head another
// (a th, or a cell with an id, which a headers attribute may name), or none.
enum class CellNames : std::uint8_t { every, ofHeaders, none };
// Where the passes over a table that has ended, and its sink, run: on the thread that feeds the
// reader, or, once a page has many tables, on a thread of the reader's own while the page reads
// on (the sink then takes the tables in the order they end, on either thread, one at a time,
// and is done with all once finish() returns).
enum class TableWork : std::uint8_t { here, apart };

class HeadsReader : public html::SomeTableEvents {
public:
    // `slots`: where tokens keep kHeadsAttributes, read from the first tag on; `memory`: the bytes the open tables may keep
    // in memory before `scratches` take the rest; `names`: the cells whose text is kept.
    HeadsReader(HeadsSink& sink, const html::Slot* slots, std::size_t memory, ScratchMaker scratches,
                CellNames names = CellNames::every, TableWork work = TableWork::here);
    // Hands the tables that have ended to the sink, if finish() has not.
    ~HeadsReader() override;
    // Returns once the sink has had every table that has ended; passes on what the reader's own
    // thread threw.
    void finish();
    // The error number of the first scratch that could not be had, written or read; 0 if none.
    int error() { return budget_.firstError(); }

    void tableStart(std::uint64_t number, const html::Token& table) override;
    void tableEnd() override;
    void captionStart() override;
    void columnGroupStart(const html::Token* colgroup, std::uint32_t number, std::uint32_t span) override;
    void column(std::uint32_t number, std::uint32_t span) override;
    void columnGroupEnd() override;
    void rowGroupStart(html::Tag tag, bool implied) override;
    void rowGroupEnd() override;
    void rowStart(std::uint64_t row) override;
    void rowEnd() override;
    void cellStart(const html::Token& cell, const html::CellPlace& place) override;
    void cellContent(const html::CellContent& content) override;
    void cellEnd() override;
    void rowNode(html::NodeKind kind) override;
    bool wantsCellName() const override;

private:
    // A node of the open row, as Chromium's rules for a th's role look at it.
    enum class Node : std::uint8_t { th, fullTd, emptyTd, element, other };
    struct Open;
    Open& top() { return *open_[depth_ - 1]; }
    // The passes over a table that has ended, and its sink.
    void endTable(TableHeads& table);
    void startWorker();
    void endRow(Open& t);
    void assignRoles(Open& t);

    HeadsSink& sink_;
    const html::Slot* slots_;  // the reading fills them when it starts
    Budget budget_;
    std::vector<std::unique_ptr<Open>> open_;  // the open tables, and closed ones kept for their room
    std::size_t depth_ = 0;
    // The first cell of the page with each id (while they fit in kIdBudget): its table's number
    // and its number there.
    struct Owner {
        std::uint64_t table, cell;
    };
    std::unordered_map<std::string, Owner> ids_;
    std::mutex idsLock_;  // the passes read ids_ while the page may add to it
    std::unique_ptr<PassRoom> passRoom_;
    std::size_t idBytes_ = 0;
    CellNames names_;
    TableWork work_;  // apart until the worker starts
    std::uint64_t tablesHere_ = 0;
    std::unique_ptr<TableWorker> worker_;  // made last, stopped first
};

}  // namespace zelko::heads
