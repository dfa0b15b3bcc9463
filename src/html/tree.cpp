#include "html/tree.h"

#include <algorithm>

namespace zelko::html {

TreeBuilder::TreeBuilder(FindingSink& findings, TableEvents* events, const Slot* slots)
    : findings_(findings), events_(events), deepGrid_(findings)
{
    std::copy(slots, slots + TreeAttribute::count, slots_);
}

Content TreeBuilder::startTag(const Token& token)
{
    content_ = Content::data;
    if (collect_)
        noteStartTag(token);
    dispatch(token);
    wantsText = textMatters();
    flagForeignContent();
    flagContent();
    return content_;
}

void TreeBuilder::endTag(const Token& token)
{
    if (collect_ && inRowItself())
        flushRowText();
    dispatch(token);
    wantsText = textMatters();
    flagForeignContent();
    flagContent();
}

// The tree construction dispatcher: a token is read in foreign content while the adjusted
// current node is a foreign element that does not let it in, else in the insertion mode.
// Outside templates and foreign content, as nearly every tag is, only the insertion modes read
// it; the rest takes a function of its own, so that this one stays small.
void TreeBuilder::dispatch(const Token& token)
{
    if (templates_ == 0 && foreignStack().empty() && !(token.endTag && token.tag == Tag::template_)) {
        Step step;
        do
            step = this->step(token);
        while (step == Step::again && foreignStack().empty());
        if (step != Step::again)
            return;
        // A table closed, and its tag is read again in the foreign content of the cell that
        // held it.
    }
    dispatchInFull(token);
}

void TreeBuilder::dispatchInFull(const Token& token)
{
    if (templates_ > 0) {
        inTemplateContents(token);
        return;
    }
    for (;;) {
        ForeignStack& foreign = foreignStack();
        Step step = Step::asHtml;
        if (!foreign.empty() && !readsAsHtml(foreign.back(), token))
            step = inForeignContent(foreign, token);
        if (step == Step::asHtml) {
            if (token.endTag && token.tag == Tag::template_)
                return;  // no template is open: the end tag is ignored
            const bool plain = token.tag == Tag::other || token.tag == Tag::font ||
                               token.tag == Tag::annotationXml || token.tag == Tag::svg ||
                               token.tag == Tag::math;
            if (!foreign.empty() && foreign.back().html && token.endTag && plain) {
                closeInIntegrationPoint(foreign, token);
                return;
            }
            const bool inIntegrationPoint = !foreign.empty();
            const std::size_t tables = depth_;
            step = this->step(token);
            // An HTML element that the step put in an integration point, where it stays.
            if (step == Step::done && inIntegrationPoint && depth_ == tables && !token.endTag)
                openInIntegrationPoint(foreignStack(), token);
        }
        if (step != Step::again)
            return;
    }
}

TreeBuilder::Step TreeBuilder::step(const Token& token)
{
    if (!inTableContext())
        return select_ ? inSelect(select_, token) : inBody(token);
    Open& t = current();
    if (t.select)
        return inSelectInTable(t, token);
    switch (t.mode) {
    case Mode::table:
        return inTable(t, token);
    case Mode::caption:
        return inCaption(t, token);
    case Mode::columnGroup:
        return inColumnGroup(t, token);
    case Mode::tableBody:
        return inTableBody(t, token);
    case Mode::row:
        return inRow(t, token);
    case Mode::cell:
        return inCell(t, token);
    }
    return Step::done;
}

bool TreeBuilder::textMatters() const
{
    return templates_ == 0 && depth_ > 0 && !open_.back().select && open_.back().mode == Mode::columnGroup;
}

void TreeBuilder::text(Location)
{
    // Text that is not white space ends a column group.
    if (textMatters())
        leaveColumnGroup(current());
    wantsText = textMatters();
}

void TreeBuilder::openTable(const Token& token)
{
    if (nextIsDeep()) {
        deepTable(token);
        return;
    }
    ++tables_;
    pushTable(true);
    grid().reset(tables_, token);
    if (events_ != nullptr)
        events_->tableStart(tables_, token);
}

void TreeBuilder::openCaption(Open& t)
{
    t.foreign.clear();
    t.mode = Mode::caption;
    if (deep(1))
        deepCaption();
    else if (events_ != nullptr)
        events_->captionStart();
}

void TreeBuilder::openColumnGroup(Open& t, const Token* colgroup, Location where)
{
    t.foreign.clear();  // every change of the table's structure pops what stands above it
    t.mode = Mode::columnGroup;
    if (deep(1)) {
        deepColumnGroup(colgroup, where);
        return;
    }
    const std::uint32_t number = grid().columnElements();
    const std::uint32_t span = grid().columnGroup(colgroup, where);
    if (events_ != nullptr) {
        if (colgroup != nullptr)
            events_->columnGroupStart(colgroup, number, span);
        else
            events_->columnGroupStart(nullptr, 0, 1);
    }
}

void TreeBuilder::addColumn(Open&, const Token& col)
{
    if (deep(2)) {
        deepColumn(col);
        return;
    }
    const std::uint32_t number = grid().columnElements();
    const std::uint32_t span = grid().column(col);
    if (events_ != nullptr)
        events_->column(number, span);
}

// Opens row group `tag`, or with Tag::other the tbody that a row or cell implies.
void TreeBuilder::openRowGroup(Open& t, Tag tag)
{
    t.foreign.clear();
    t.group = tag == Tag::other ? Tag::tbody : tag;
    t.mode = Mode::tableBody;
    if (deep(1)) {
        deepRowGroup(tag);
        return;
    }
    grid().beginRowGroup();
    if (events_ != nullptr)
        events_->rowGroupStart(t.group, tag == Tag::other);
}

// Opens a row at the tag `where` that opens it.
void TreeBuilder::openRow(Open& t, Location where)
{
    t.foreign.clear();
    t.mode = Mode::row;
    if (deep(2)) {
        deepRow(where);
        return;
    }
    grid().beginRow();
    if (events_ != nullptr)
        events_->rowStart(grid().rows());
}

void TreeBuilder::openCell(Open& t, const Token& token)
{
    t.foreign.clear();
    t.cell = token.tag;
    t.mode = Mode::cell;
    if (deep(3)) {
        deepCell(token);
        return;
    }
    const CellPlace place = grid().cell(token);
    if (events_ != nullptr)
        events_->cellStart(token, place);
    if (collect_)
        cells_[open_.size() - 1].clear(events_ == nullptr || events_->wantsCellName());
}

// Whether `tag` is in table scope in table `t`: the elements of the table that are open.
bool TreeBuilder::inTableScope(const Open& t, Tag tag) const
{
    switch (tag) {
    case Tag::table:
        return true;
    case Tag::caption:
        return t.mode == Mode::caption;
    case Tag::tr:
        return t.mode == Mode::row || t.mode == Mode::cell;
    case Tag::td:
    case Tag::th:
        return t.mode == Mode::cell && t.cell == tag;
    case Tag::tbody:
    case Tag::thead:
    case Tag::tfoot:
        return (t.mode == Mode::tableBody || t.mode == Mode::row || t.mode == Mode::cell) && t.group == tag;
    default:
        return false;
    }
}

// The closing of an element built deeper than Chromium nests hands nothing on: it was built
// whole when it opened.
void TreeBuilder::leaveCaption(Open& t)
{
    t.foreign.clear();
    t.mode = Mode::table;
    if (!deep(1) && events_ != nullptr)
        events_->captionEnd();
}

void TreeBuilder::leaveColumnGroup(Open& t)
{
    t.foreign.clear();
    t.mode = Mode::table;
    if (deep(1))
        return;
    grid().endColumnGroup();
    if (events_ != nullptr)
        events_->columnGroupEnd();
}

void TreeBuilder::closeCell(Open& t)
{
    t.foreign.clear();
    if (!deep(3) && events_ != nullptr) {
        if (collect_)
            handContent(&cells_[open_.size() - 1]);
        events_->cellEnd();
    }
    t.cell = Tag::other;
    t.mode = Mode::row;
}

void TreeBuilder::closeRow(Open& t, Location where)
{
    t.foreign.clear();
    if (t.mode == Mode::cell)
        closeCell(t);
    t.mode = Mode::tableBody;
    if (deep(2))
        return;
    endHeldCell();
    grid().endRow(where);
    if (events_ != nullptr)
        events_->rowEnd();
}

void TreeBuilder::closeRowGroup(Open& t, Location where)
{
    t.foreign.clear();
    if (t.mode == Mode::row || t.mode == Mode::cell)
        closeRow(t, where);
    t.group = Tag::other;
    t.mode = Mode::table;
    if (deep(1))
        return;
    grid().endRowGroup();
    if (events_ != nullptr)
        events_->rowGroupEnd();
}

void TreeBuilder::closeTable(Location where)
{
    Open& t = current();
    if (t.mode == Mode::columnGroup)
        leaveColumnGroup(t);
    else if (t.mode == Mode::caption)
        leaveCaption(t);
    else if (t.mode == Mode::tableBody || t.mode == Mode::row || t.mode == Mode::cell)
        closeRowGroup(t, where);
    if (!deep(0)) {
        grid().endTable();
        if (events_ != nullptr)
            events_->tableEnd();
    }
    popTable();
}

void TreeBuilder::endOfPage(Location where)
{
    if (collect_ && inRowItself())
        flushRowText();
    while (depth_ > 0)
        closeTable(where);
}

}  // namespace zelko::html
