// With --a11y the check also hears who heads each cell (heads/) and reports what goes wrong for
// the people who meet a table through a screen reader: a th that heads nothing, a data cell
// without a header, a headers attribute that names a td or the cell itself, a scope that means
// nothing, and a cell whose headers Chromium gives otherwise than the standard assigns. The
// table's note says Chromium's verdict: it and the findings of the table's end wait for it.
//
// Who heads each cell is worked out on the headers reader's own thread while the page reads
// on; the findings that come meanwhile wait in turn, so that the report is as it would be were
// every table worked out where it ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "heads/reader.h"
#include "html/findings.h"

namespace zelko::check {

class A11yCheck : public html::FindingSink, public heads::HeadsSink {
public:
    // The findings go on to `report`.
    explicit A11yCheck(html::FindingSink& report);
    ~A11yCheck() override;

    // The reading's thread: the structure's findings, passed on or held, and a table's end.
    void add(const html::Finding& finding) override;
    void tableEnded() override;
    // The headers reader's thread: who heads each cell of a table that has ended. What was
    // held until its end goes on first.
    void tableEnded(heads::TableHeads& table) override;
    // Hands on whatever is held, at the page's end, once the headers reader has finished.
    void finish();

private:
    // Findings held, what they point to copied into the batch's rooms: a finding's list from
    // `list` on in `lists`, its texts from `text` on in `texts` (each an end in `ends`).
    struct Batch {
        struct Held {
            html::Finding finding;
            std::size_t list, text;
        };
        std::vector<Held> held;
        std::vector<std::uint64_t> lists;
        std::string texts;
        std::vector<std::size_t> ends;
        std::vector<std::string_view> views;  // room for a finding's texts as it goes on
    };
    void hold(Batch& batch, const html::Finding& finding);
    // Hands on what `batch` holds, the tables' notes with Chromium's verdict, and empties it.
    void release(Batch& batch, std::string_view chromium);
    void cellFindings(heads::TableHeads& table, const heads::CellRecord& c, bool headsSome,
                      heads::Verdict verdict);
    void report(html::Kind kind, Severity severity, const heads::CellRecord& c, std::uint64_t table);

    html::FindingSink& report_;
    // The reading's thread's own: what it holds now, and whether a table's note is among it.
    std::unique_ptr<Batch> open_;
    bool noteSeen_ = false;
    // Shared, under the lock: the batches of tables that have ended, in order, each waiting for
    // who heads the table's cells; spare batches. `waiting_` falls only once a table's findings
    // have all gone on: while it is above 0, the reading's thread holds what it hears.
    std::mutex lock_;
    std::deque<std::unique_ptr<Batch>> ended_;
    std::vector<std::unique_ptr<Batch>> spares_;
    std::atomic<std::size_t> waiting_{0};
    // The headers reader's thread's own: room for the findings of a cell.
    html::Finding finding_;
    std::string texts_[2];
    std::string_view views_[2];
    std::vector<heads::HeaderRef> headers_, columns_, rows_;
};

}  // namespace zelko::check
