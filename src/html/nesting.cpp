// Nesting without end, as Chromium builds it. Its stack of open elements grows as deep as the
// page asks, but an element that would stand deeper than kMaxNesting is attached to the
// element at that depth, the anchor, and so is everything the stack puts inside it: what comes
// deeper is built flat, as the anchor's children, each of them empty.
//
// The depth counted here is that of the elements the tree builder follows: html and body, the
// elements of tables, foreign content and select boxes. A table deeper than kMaxNesting is built
// empty; its rows are the anchor's table's rows when the anchor is a table or a row group, its
// cells the anchor's row's cells when the anchor is a row. Each such element is handed on whole
// as it opens, and its end hands on nothing.
#include "html/tree.h"

namespace zelko::html {

// The elements of its own that a table's insertion mode has open above the table element.
std::uint64_t TreeBuilder::partsOpen(Mode mode)
{
    switch (mode) {
    case Mode::table:
        return 0;
    case Mode::caption:
    case Mode::columnGroup:
    case Mode::tableBody:
        return 1;
    case Mode::row:
        return 2;
    case Mode::cell:
        return 3;
    }
    return 0;
}

// The elements open above a table's element: its own, and what stands above them.
std::uint64_t TreeBuilder::contentDepth(const Open& t)
{
    return partsOpen(t.mode) + t.foreign.size() + (t.select ? 1 : 0);
}

// The depth of the current node.
std::uint64_t TreeBuilder::stackDepth() const
{
    if (open_.empty())
        return 2 + bodyForeign_.size() + (select_ ? 1 : 0);
    return base_ + contentDepth(open_.back());
}

TreeBuilder::Anchor TreeBuilder::anchor() const
{
    if (stackDepth() < kMaxNesting)
        return {Anchor::Kind::none, 0};
    if (real_ == 0)
        return {Anchor::Kind::other, 0};
    const std::size_t level = real_ - 1;
    const Open& t = open_[level];
    const std::uint64_t part = kMaxNesting - t.base;
    using Kind = Anchor::Kind;
    Kind kind = Kind::other;
    if (part == 0)
        kind = Kind::table;
    else if (part == 1 && t.mode == Mode::caption)
        kind = Kind::caption;
    else if (part == 1 && t.mode == Mode::columnGroup)
        kind = Kind::columnGroup;
    else if (part <= partsOpen(t.mode) && t.mode != Mode::caption && t.mode != Mode::columnGroup) {
        const Kind parts[] = {Kind::rowGroup, Kind::row, Kind::cell};
        kind = parts[part - 1];
    }
    return {kind, level};
}

void TreeBuilder::pushTable(bool real)
{
    const std::uint64_t base = stackDepth() + 1;
    // The table below the new one is frozen until the new one closes: a run of deep ones alike
    // is kept once.
    const std::size_t n = open_.size();
    if (!real && n >= 2 && n - 2 >= real_) {
        Open& below = open_[n - 2];
        const Open& last = open_[n - 1];
        if (below.mode == last.mode && below.group == last.group && below.cell == last.cell &&
            below.select == last.select && below.foreign.empty() && last.foreign.empty()) {
            ++below.repeat;
            open_.pop_back();
        }
    }
    open_.push_back(Open{});
    open_.back().base = base;
    base_ = base;
    ++depth_;
    if (real) {
        if (real_ == grids_.size())
            grids_.emplace_back(findings_);
        if (collect_ && cells_.size() <= real_)
            cells_.resize(real_ + 1);
        grid_ = &grids_[real_++];
    }
}

void TreeBuilder::popTable()
{
    if (open_.size() <= real_) {
        --real_;
        grid_ = real_ > 0 ? &grids_[real_ - 1] : nullptr;
    }
    open_.pop_back();
    --depth_;
    if (open_.empty())
        return;
    Open& below = open_.back();
    if (below.repeat > 1) {
        --below.repeat;
        open_.push_back(below);
        open_.back().repeat = 1;
    }
    base_ = base_ - 1 - contentDepth(open_.back());
}

// A table built empty: it is handed on whole, with its note.
void TreeBuilder::deepTable(const Token& token)
{
    ++tables_;
    if (events_ != nullptr)
        events_->tableStart(tables_, token);
    deepGrid_.reset(tables_, token);
    deepGrid_.endTable();
    if (events_ != nullptr)
        events_->tableEnd();
    pushTable(false);
}

void TreeBuilder::deepCaption()
{
    if (anchor().kind == Anchor::Kind::table && events_ != nullptr) {
        events_->captionStart();
        events_->captionEnd();
    }
}

void TreeBuilder::deepColumnGroup(const Token* colgroup, Location where)
{
    const Anchor a = anchor();
    if (a.kind != Anchor::Kind::table)
        return;
    Grid& g = grids_[a.level];
    const std::uint32_t number = g.columnElements();
    const std::uint32_t span = g.columnGroup(colgroup, where);
    g.endColumnGroup();
    if (events_ != nullptr) {
        if (colgroup != nullptr)
            events_->columnGroupStart(colgroup, number, span);
        else
            events_->columnGroupStart(nullptr, 0, 1);
        events_->columnGroupEnd();
    }
}

void TreeBuilder::deepColumn(const Token& col)
{
    const Anchor a = anchor();
    if (a.kind != Anchor::Kind::columnGroup)
        return;
    Grid& g = grids_[a.level];
    const std::uint32_t number = g.columnElements();
    const std::uint32_t span = g.column(col);
    if (events_ != nullptr)
        events_->column(number, span);
}

void TreeBuilder::deepRowGroup(Tag tag)
{
    const Anchor a = anchor();
    if (a.kind != Anchor::Kind::table)
        return;
    Grid& g = grids_[a.level];
    g.beginRowGroup();
    if (events_ != nullptr)
        events_->rowGroupStart(tag == Tag::other ? Tag::tbody : tag, tag == Tag::other);
    g.endRowGroup();
    if (events_ != nullptr)
        events_->rowGroupEnd();
}

// A row in a table or a row group is one of its table's rows.
void TreeBuilder::deepRow(Location where)
{
    const Anchor a = anchor();
    if (a.kind != Anchor::Kind::table && a.kind != Anchor::Kind::rowGroup)
        return;
    Grid& g = grids_[a.level];
    g.beginRow();
    if (events_ != nullptr)
        events_->rowStart(g.rows());
    g.endRow(where);
    if (events_ != nullptr)
        events_->rowEnd();
}

// A cell in a row is one of its cells. Its end waits for what comes next, so that a table
// built after it, beside it in the row, is handed on in a cell as tables are.
void TreeBuilder::deepCell(const Token& token)
{
    const Anchor a = anchor();
    if (a.kind != Anchor::Kind::row)
        return;
    endHeldCell();
    const CellPlace place = grids_[a.level].cell(token);
    if (events_ != nullptr) {
        events_->cellStart(token, place);
        cellHeld_ = true;
    }
}

void TreeBuilder::endHeldCell()
{
    if (cellHeld_) {
        handContent(nullptr);
        events_->cellEnd();
    }
    cellHeld_ = false;
}

}  // namespace zelko::html
