#include "html/tree.h"

namespace zelko::html {

Content TreeBuilder::startTag(const Token& token)
{
    content_ = Content::data;
    dispatch(token);
    wantsText = textMatters();
    return content_;
}

void TreeBuilder::endTag(const Token& token)
{
    dispatch(token);
    wantsText = textMatters();
}

void TreeBuilder::dispatch(const Token& token)
{
    if (templates_ > 0) {
        inTemplateContents(token);
        return;
    }
    if (token.endTag && token.tag == Tag::template_)
        return;  // no template is open: the end tag is ignored
    while (step(token) == Step::again) {}
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
    return templates_ == 0 && depth_ > 0 && !open_[depth_ - 1].select &&
           open_[depth_ - 1].mode == Mode::columnGroup;
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
    ++tables_;
    if (depth_ == open_.size())
        open_.push_back(Open{Mode::table, Tag::other, Tag::other, false, Grid(findings_)});
    Open& t = open_[depth_++];
    t.mode = Mode::table;
    t.group = t.cell = Tag::other;
    t.select = false;
    t.grid.reset(tables_, token);
    if (events_ != nullptr)
        events_->tableStart(tables_, token);
}

void TreeBuilder::openColumnGroup(Open& t, const Token* colgroup, Location where)
{
    const std::uint32_t number = t.grid.columnElements();
    const std::uint32_t span = t.grid.columnGroup(colgroup, where);
    t.mode = Mode::columnGroup;
    if (events_ != nullptr) {
        if (colgroup != nullptr)
            events_->columnGroupStart(colgroup, number, span);
        else
            events_->columnGroupStart(nullptr, 0, 1);
    }
}

// Opens row group `tag`, or with Tag::other the tbody that a row or cell implies.
void TreeBuilder::openRowGroup(Open& t, Tag tag)
{
    t.grid.beginRowGroup();
    t.group = tag == Tag::other ? Tag::tbody : tag;
    t.mode = Mode::tableBody;
    if (events_ != nullptr)
        events_->rowGroupStart(t.group, tag == Tag::other);
}

void TreeBuilder::openRow(Open& t)
{
    t.grid.beginRow();
    t.mode = Mode::row;
    if (events_ != nullptr)
        events_->rowStart(t.grid.rows());
}

void TreeBuilder::openCell(Open& t, const Token& token)
{
    const CellPlace place = t.grid.cell(token);
    t.cell = token.tag;
    t.mode = Mode::cell;
    if (events_ != nullptr)
        events_->cellStart(token, place);
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

void TreeBuilder::leaveCaption(Open& t)
{
    t.mode = Mode::table;
    if (events_ != nullptr)
        events_->captionEnd();
}

void TreeBuilder::leaveColumnGroup(Open& t)
{
    t.grid.endColumnGroup();
    t.mode = Mode::table;
    if (events_ != nullptr)
        events_->columnGroupEnd();
}

void TreeBuilder::closeCell(Open& t)
{
    t.cell = Tag::other;
    t.mode = Mode::row;
    if (events_ != nullptr)
        events_->cellEnd();
}

void TreeBuilder::closeRow(Open& t, Location where)
{
    if (t.mode == Mode::cell)
        closeCell(t);
    t.grid.endRow(where);
    t.mode = Mode::tableBody;
    if (events_ != nullptr)
        events_->rowEnd();
}

void TreeBuilder::closeRowGroup(Open& t, Location where)
{
    if (t.mode == Mode::row || t.mode == Mode::cell)
        closeRow(t, where);
    t.grid.endRowGroup();
    t.group = Tag::other;
    t.mode = Mode::table;
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
    t.grid.endTable();
    --depth_;
    if (events_ != nullptr)
        events_->tableEnd();
}

void TreeBuilder::endOfPage(Location where)
{
    while (depth_ > 0)
        closeTable(where);
}

}  // namespace zelko::html
