// --html5 --a11y: who heads each cell, in the view. When a table ends and its headers are known,
// a style element after it gives every cell's label a second line with its headers by the
// standard (by their text), marked where Chromium gives others; shades every header cell by
// its state; and has the table's caption say Chromium's verdict. The rules reach the elements
// written before by their ids, so the view is still written in one pass.
#pragma once

#include <string>
#include <vector>

#include "heads/reader.h"
#include "html/events.h"
#include "view/picture.h"

namespace zelko::view {

// Hands every table event to two listeners, in order.
class BothEvents : public html::TableEvents {
public:
    BothEvents(html::TableEvents& first, html::TableEvents& second) : first_(first), second_(second) {}

#define ZELKO_BOTH_EVENT(name, parameters, arguments)                                                        \
    void name parameters override                                                                            \
    {                                                                                                        \
        first_.name arguments;                                                                               \
        second_.name arguments;                                                                              \
    }
    ZELKO_TABLE_EVENTS(ZELKO_BOTH_EVENT)
#undef ZELKO_BOTH_EVENT
    bool wantsCellName() const override { return first_.wantsCellName() || second_.wantsCellName(); }

private:
    html::TableEvents& first_;
    html::TableEvents& second_;
};

class HeadsView : public heads::HeadsSink {
public:
    // `borders`: border mode, whose captions say the verdict.
    HeadsView(Picture& picture, bool borders) : picture_(picture), borders_(borders) {}
    void tableEnded(heads::TableHeads& table) override;

private:
    void cellRule(heads::TableHeads& table, const heads::CellRecord& c, Buffer& out);

    Picture& picture_;
    bool borders_;
    std::vector<heads::HeaderRef> headers_, columns_, rows_;
    std::string text_;
};

}  // namespace zelko::view
