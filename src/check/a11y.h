// With --a11y the check also hears who heads each cell (heads/) and reports what goes wrong for
// the people who meet a table through a screen reader: a th that heads nothing, a data cell
// without a header, a headers attribute that names a td or the cell itself, a scope that means
// nothing, and a cell whose headers Chromium gives otherwise than the standard assigns. The
// table's note says Chromium's verdict: it and the findings of the table's end wait for it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "heads/reader.h"
#include "html/findings.h"

namespace zelko::check {

class A11yCheck : public html::FindingSink, public heads::HeadsSink {
public:
    // The findings go on to `report`.
    explicit A11yCheck(html::FindingSink& report) : report_(report) {}

    // The structure's findings: passed on, those from a table's note to its end held.
    void add(const html::Finding& finding) override;
    void tableEnded() override;
    // Who heads each cell of a table that has ended.
    void tableEnded(heads::TableHeads& table) override;
    // Hands on whatever is held, at the page's end.
    void finish();

private:
    // A finding held, what it points to copied into the shared rooms below: its list from
    // `list` on in heldLists_, its texts from `text` on in heldTexts_ (each an end in heldEnds_).
    struct Held {
        html::Finding finding;
        std::size_t list, text;
    };
    void release(std::string_view chromium);
    void cellFindings(heads::TableHeads& table, const heads::CellRecord& c, bool headsSome,
                      heads::Verdict verdict);
    void report(html::Kind kind, Severity severity, const heads::CellRecord& c, std::uint64_t table);

    html::FindingSink& report_;
    std::vector<Held> held_;
    std::vector<std::uint64_t> heldLists_;
    std::string heldTexts_;
    std::vector<std::size_t> heldEnds_;
    std::vector<std::string_view> heldViews_;
    bool holding_ = false, endHeld_ = false;
    // Room for the findings of a cell.
    html::Finding finding_;
    std::string texts_[2];
    std::string_view views_[2];
    std::vector<heads::HeaderRef> headers_, columns_, rows_;
};

}  // namespace zelko::check
