#include "html/tables.h"

#include <initializer_list>

namespace zelko::html {

namespace {

// How the content after a start tag is read, wherever the tag opens an element.
Content contentOf(Tag tag)
{
    switch (tag) {
    case Tag::script:
        return Content::scriptData;
    case Tag::style:
    case Tag::xmp:
    case Tag::iframe:
    case Tag::noembed:
    case Tag::noframes:
        return Content::rawtext;
    case Tag::textarea:
    case Tag::title:
        return Content::rcdata;
    case Tag::plaintext:
        return Content::plaintext;
    default:
        return Content::data;
    }
}

bool isOneOf(Tag tag, std::initializer_list<Tag> tags)
{
    for (Tag t : tags) {
        if (t == tag)
            return true;
    }
    return false;
}

bool isRowGroup(Tag tag) { return isOneOf(tag, {Tag::tbody, Tag::thead, Tag::tfoot}); }

// The tags that close a select box opened inside a table.
bool closesSelectInTable(Tag tag)
{
    return isOneOf(tag,
                   {Tag::caption, Tag::table, Tag::tbody, Tag::tfoot, Tag::thead, Tag::tr, Tag::td, Tag::th});
}

}  // namespace

Content TableBuilder::inBody(const Token& token)
{
    switch (token.tag) {
    case Tag::table: {
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
        return Content::data;
    }
    case Tag::select:
        (!inTableContext() ? select_ : current().select) = true;
        return Content::data;
    case Tag::template_:
        ++templates_;
        return Content::data;
    default:
        // Cell, row, row group, caption and column tags outside a table are dropped.
        return contentOf(token.tag);
    }
}

TableBuilder::Step TableBuilder::inTable(Open& t, const Token& token, Content& content)
{
    switch (token.tag) {
    case Tag::caption:
        t.mode = Mode::caption;
        if (events_ != nullptr)
            events_->captionStart();
        return Step::done;
    case Tag::colgroup: {
        std::uint32_t number = t.grid.columnElements();
        std::uint32_t span = t.grid.columnGroup(token, false);
        t.mode = Mode::columnGroup;
        if (events_ != nullptr)
            events_->columnGroupStart(&token, number, span);
        return Step::done;
    }
    case Tag::col: {
        Token implied;
        implied.where = token.where;
        t.grid.columnGroup(implied, true);
        t.mode = Mode::columnGroup;
        if (events_ != nullptr)
            events_->columnGroupStart(nullptr, 0, 1);
        return Step::again;
    }
    case Tag::tbody:
    case Tag::thead:
    case Tag::tfoot:
    case Tag::td:
    case Tag::th:
    case Tag::tr:
        // A row or cell directly in the table opens the implied tbody, and is read again in it.
        t.grid.beginRowGroup();
        t.group = isRowGroup(token.tag) ? token.tag : Tag::tbody;
        t.mode = Mode::rowGroup;
        if (events_ != nullptr)
            events_->rowGroupStart(t.group, !isRowGroup(token.tag));
        return isRowGroup(token.tag) ? Step::done : Step::again;
    case Tag::table:
        // A table cannot stand directly in a table: this one ends, and the new one follows it.
        closeTable(token.where);
        return Step::again;
    default:
        // Scripts, styles and templates are read as in the body; anything else is moved out in
        // front of the table and read as in the body too.
        content = inBody(token);
        return Step::done;
    }
}

Content TableBuilder::startTag(const Token& token)
{
    Content content = startTagIn(token);
    wantsText = textMatters();
    return content;
}

void TableBuilder::endTag(const Token& token)
{
    endTagIn(token);
    wantsText = textMatters();
}

Content TableBuilder::startTagIn(const Token& token)
{
    if (templates_ > 0) {
        if (token.tag == Tag::template_)
            ++templates_;
        return contentOf(token.tag);
    }
    for (;;) {
        bool& select = !inTableContext() ? select_ : current().select;
        if (select) {
            if (inTableContext() && closesSelectInTable(token.tag)) {
                select = false;
                continue;
            }
            switch (token.tag) {
            case Tag::select:
                select = false;
                return Content::data;
            case Tag::input:
            case Tag::keygen:
            case Tag::textarea:
                select = false;
                continue;
            case Tag::script:
                return Content::scriptData;
            case Tag::template_:
                ++templates_;
                return Content::data;
            default:
                return Content::data;  // nothing else opens inside a select box
            }
        }
        if (!inTableContext())
            return inBody(token);

        Open& t = current();
        Content content = Content::data;
        Tag tag = token.tag;
        switch (t.mode) {
        case Mode::table:
            if (inTable(t, token, content) == Step::again)
                continue;
            return content;
        case Mode::caption:
            if (isOneOf(tag, {Tag::caption, Tag::col, Tag::colgroup, Tag::tbody, Tag::td, Tag::tfoot, Tag::th,
                              Tag::thead, Tag::tr})) {
                leaveCaption(t);
                continue;
            }
            return inBody(token);
        case Mode::columnGroup:
            if (tag == Tag::col) {
                std::uint32_t number = t.grid.columnElements();
                std::uint32_t span = t.grid.column(token);
                if (events_ != nullptr)
                    events_->column(number, span);
                return Content::data;
            }
            if (tag == Tag::template_)
                return inBody(token);
            leaveColumnGroup(t);
            continue;
        case Mode::rowGroup:
            if (tag == Tag::tr || tag == Tag::td || tag == Tag::th) {
                t.grid.beginRow();
                t.mode = Mode::row;
                if (events_ != nullptr)
                    events_->rowStart(t.grid.rows());
                if (tag == Tag::tr)
                    return Content::data;
                continue;
            }
            if (isOneOf(tag, {Tag::caption, Tag::col, Tag::colgroup, Tag::tbody, Tag::tfoot, Tag::thead})) {
                closeRowGroup(t, token.where);
                continue;
            }
            if (inTable(t, token, content) == Step::again)
                continue;
            return content;
        case Mode::row:
            if (tag == Tag::td || tag == Tag::th) {
                CellPlace place = t.grid.cell(token);
                t.cell = tag;
                t.mode = Mode::cell;
                if (events_ != nullptr)
                    events_->cellStart(token, place);
                return Content::data;
            }
            if (isOneOf(tag, {Tag::caption, Tag::col, Tag::colgroup, Tag::tbody, Tag::tfoot, Tag::thead,
                              Tag::tr})) {
                closeRow(t, token.where);
                continue;
            }
            if (inTable(t, token, content) == Step::again)
                continue;
            return content;
        case Mode::cell:
            if (isOneOf(tag, {Tag::caption, Tag::col, Tag::colgroup, Tag::tbody, Tag::td, Tag::tfoot, Tag::th,
                              Tag::thead, Tag::tr})) {
                closeCell(t);
                continue;
            }
            return inBody(token);
        }
    }
}

bool TableBuilder::inTableScope(const Open& t, Tag tag) const
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
        return (t.mode == Mode::rowGroup || t.mode == Mode::row || t.mode == Mode::cell) && t.group == tag;
    default:
        return false;
    }
}

void TableBuilder::endTagIn(const Token& token)
{
    Tag tag = token.tag;
    if (tag == Tag::template_) {
        if (templates_ > 0)
            --templates_;
        return;
    }
    if (templates_ > 0)
        return;
    for (;;) {
        if (!inTableContext()) {
            if (tag == Tag::select)
                select_ = false;
            return;
        }
        Open& t = current();
        if (t.select) {
            if (closesSelectInTable(tag)) {
                if (!inTableScope(t, tag))
                    return;
                t.select = false;
                continue;
            }
            if (tag == Tag::select)
                t.select = false;
            return;
        }
        switch (t.mode) {
        case Mode::table:
            if (tag == Tag::table)
                closeTable(token.where);
            return;
        case Mode::caption:
            if (tag == Tag::caption || tag == Tag::table) {
                leaveCaption(t);
                if (tag == Tag::table)
                    continue;
            }
            return;
        case Mode::columnGroup:
            if (tag == Tag::col)
                return;
            leaveColumnGroup(t);
            if (tag == Tag::colgroup)
                return;
            continue;
        case Mode::rowGroup:
            if (isRowGroup(tag) || tag == Tag::table) {
                if (tag != Tag::table && tag != t.group)
                    return;
                closeRowGroup(t, token.where);
                if (tag == Tag::table)
                    continue;
            }
            return;
        case Mode::row:
            if (tag == Tag::tr) {
                closeRow(t, token.where);
                return;
            }
            if (tag == Tag::table || (isRowGroup(tag) && tag == t.group)) {
                closeRow(t, token.where);
                continue;
            }
            return;
        case Mode::cell:
            if (tag == Tag::td || tag == Tag::th) {
                if (tag == t.cell)
                    closeCell(t);
                return;
            }
            if (isOneOf(tag, {Tag::table, Tag::tbody, Tag::tfoot, Tag::thead, Tag::tr}) &&
                inTableScope(t, tag)) {
                closeCell(t);
                continue;
            }
            return;
        }
    }
}

bool TableBuilder::textMatters() const
{
    return templates_ == 0 && depth_ > 0 && !open_[depth_ - 1].select &&
           open_[depth_ - 1].mode == Mode::columnGroup;
}

void TableBuilder::text(Location)
{
    // Text that is not white space ends a column group.
    if (textMatters())
        leaveColumnGroup(current());
    wantsText = textMatters();
}

void TableBuilder::leaveCaption(Open& t)
{
    t.mode = Mode::table;
    if (events_ != nullptr)
        events_->captionEnd();
}

void TableBuilder::leaveColumnGroup(Open& t)
{
    t.grid.endColumnGroup();
    t.mode = Mode::table;
    if (events_ != nullptr)
        events_->columnGroupEnd();
}

void TableBuilder::closeCell(Open& t)
{
    t.cell = Tag::other;
    t.mode = Mode::row;
    if (events_ != nullptr)
        events_->cellEnd();
}

void TableBuilder::closeRow(Open& t, Location where)
{
    if (t.mode == Mode::cell)
        closeCell(t);
    t.grid.endRow(where);
    t.mode = Mode::rowGroup;
    if (events_ != nullptr)
        events_->rowEnd();
}

void TableBuilder::closeRowGroup(Open& t, Location where)
{
    if (t.mode == Mode::row || t.mode == Mode::cell)
        closeRow(t, where);
    t.grid.endRowGroup(where);
    t.group = Tag::other;
    t.mode = Mode::table;
    if (events_ != nullptr)
        events_->rowGroupEnd();
}

void TableBuilder::closeTable(Location where)
{
    Open& t = current();
    if (t.mode == Mode::columnGroup)
        leaveColumnGroup(t);
    else if (t.mode == Mode::caption)
        leaveCaption(t);
    else if (t.mode == Mode::rowGroup || t.mode == Mode::row || t.mode == Mode::cell)
        closeRowGroup(t, where);
    t.grid.endTable();
    --depth_;
    if (events_ != nullptr)
        events_->tableEnd();
}

void TableBuilder::endOfPage(Location where)
{
    while (depth_ > 0)
        closeTable(where);
}

}  // namespace zelko::html
