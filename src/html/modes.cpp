// The insertion modes of the tree builder that tables have, each named as the standard names
// it, each reading a start or an end tag.
#include <initializer_list>

#include "html/tree.h"

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

// The start tags that end a caption, a cell, or (but for td and th) a row.
bool isTablePart(Tag tag)
{
    return isOneOf(tag, {Tag::caption, Tag::col, Tag::colgroup, Tag::tbody, Tag::td, Tag::tfoot, Tag::th,
                         Tag::thead, Tag::tr});
}

// The tags that close a select box opened inside a table.
bool closesSelectInTable(Tag tag)
{
    return isOneOf(tag,
                   {Tag::caption, Tag::table, Tag::tbody, Tag::tfoot, Tag::thead, Tag::tr, Tag::td, Tag::th});
}

}  // namespace

// "In body", and every mode outside a table, as far as tables care: a table opens, a select
// box opens, a template's contents begin, raw text and RCDATA elements say how their content
// is read. Cell, row, row group, caption and column tags are dropped; end tags change nothing.
TreeBuilder::Step TreeBuilder::inBody(const Token& token)
{
    if (token.endTag)
        return Step::done;
    switch (token.tag) {
    case Tag::table:
        openTable(token);
        break;
    case Tag::select:
        (!inTableContext() ? select_ : current().select) = true;
        break;
    case Tag::template_:
        ++templates_;
        break;
    case Tag::svg:
    case Tag::math:
        // Foreign content begins, unless the element closes itself at once.
        if (!token.selfClosing)
            foreignStack().push_back(foreignElement(token, token.tag == Tag::math));
        break;
    default:
        content_ = contentOf(token.tag);
        break;
    }
    return Step::done;
}

// "In table".
TreeBuilder::Step TreeBuilder::inTable(Open& t, const Token& token)
{
    if (token.endTag) {
        if (token.tag == Tag::table)
            closeTable(token.where);
        return Step::done;
    }
    switch (token.tag) {
    case Tag::caption:
        openCaption(t);
        return Step::done;
    case Tag::colgroup:
        openColumnGroup(t, &token, token.where);
        return Step::done;
    case Tag::col:
        openColumnGroup(t, nullptr, token.where);
        return Step::again;
    case Tag::tbody:
    case Tag::thead:
    case Tag::tfoot:
        openRowGroup(t, token.tag);
        return Step::done;
    case Tag::td:
    case Tag::th:
    case Tag::tr:
        // A row or cell directly in the table opens the implied tbody, and is read again in it.
        openRowGroup(t, Tag::other);
        return Step::again;
    case Tag::table:
        // A table cannot stand directly in a table: this one ends, and the new one follows it.
        closeTable(token.where);
        return Step::again;
    default:
        // Scripts, styles and templates are read as in the body; anything else is moved out in
        // front of the table and read as in the body too.
        return inBody(token);
    }
}

// "In caption".
TreeBuilder::Step TreeBuilder::inCaption(Open& t, const Token& token)
{
    const Tag tag = token.tag;
    if (token.endTag) {
        if (tag != Tag::caption && tag != Tag::table)
            return Step::done;
        leaveCaption(t);
        return tag == Tag::table ? Step::again : Step::done;
    }
    if (isTablePart(tag)) {
        leaveCaption(t);
        return Step::again;
    }
    return inBody(token);
}

// "In column group". Text that is not white space ends it too (see text).
TreeBuilder::Step TreeBuilder::inColumnGroup(Open& t, const Token& token)
{
    const Tag tag = token.tag;
    if (token.endTag) {
        if (tag == Tag::col)
            return Step::done;
        leaveColumnGroup(t);
        return tag == Tag::colgroup ? Step::done : Step::again;
    }
    if (tag == Tag::col) {
        addColumn(t, token);
        return Step::done;
    }
    if (tag == Tag::template_)
        return inBody(token);
    leaveColumnGroup(t);
    return Step::again;
}

// "In table body".
TreeBuilder::Step TreeBuilder::inTableBody(Open& t, const Token& token)
{
    const Tag tag = token.tag;
    if (token.endTag) {
        if (tag == Tag::table || tag == t.group) {
            closeRowGroup(t, token.where);
            return tag == Tag::table ? Step::again : Step::done;
        }
        return Step::done;
    }
    if (tag == Tag::tr || tag == Tag::td || tag == Tag::th) {
        openRow(t, token.where);
        return tag == Tag::tr ? Step::done : Step::again;
    }
    if (isOneOf(tag, {Tag::caption, Tag::col, Tag::colgroup, Tag::tbody, Tag::tfoot, Tag::thead})) {
        closeRowGroup(t, token.where);
        return Step::again;
    }
    return inTable(t, token);
}

// "In row".
TreeBuilder::Step TreeBuilder::inRow(Open& t, const Token& token)
{
    const Tag tag = token.tag;
    if (token.endTag) {
        if (tag == Tag::tr) {
            closeRow(t, token.where);
            return Step::done;
        }
        if (tag == Tag::table || (isRowGroup(tag) && tag == t.group)) {
            closeRow(t, token.where);
            return Step::again;
        }
        return Step::done;
    }
    if (tag == Tag::td || tag == Tag::th) {
        openCell(t, token);
        return Step::done;
    }
    if (isTablePart(tag)) {  // td and th are taken above
        closeRow(t, token.where);
        return Step::again;
    }
    return inTable(t, token);
}

// "In cell".
TreeBuilder::Step TreeBuilder::inCell(Open& t, const Token& token)
{
    const Tag tag = token.tag;
    if (token.endTag) {
        if (tag == Tag::td || tag == Tag::th) {
            if (tag == t.cell)
                closeCell(t);
            return Step::done;
        }
        if (isOneOf(tag, {Tag::table, Tag::tbody, Tag::tfoot, Tag::thead, Tag::tr}) && inTableScope(t, tag)) {
            closeCell(t);
            return Step::again;
        }
        return Step::done;
    }
    if (isTablePart(tag)) {
        closeCell(t);
        return Step::again;
    }
    return inBody(token);
}

// "In select in table": a table's own tags end the select box and are read again; everything
// else is read "in select".
TreeBuilder::Step TreeBuilder::inSelectInTable(Open& t, const Token& token)
{
    if (closesSelectInTable(token.tag)) {
        if (token.endTag && !inTableScope(t, token.tag))
            return Step::done;
        t.select = false;
        return Step::again;
    }
    return inSelect(t.select, token);
}

// "In select": nothing else opens inside a select box, which `select` says is open.
TreeBuilder::Step TreeBuilder::inSelect(bool& select, const Token& token)
{
    if (token.endTag) {
        if (token.tag == Tag::select)
            select = false;
        return Step::done;
    }
    switch (token.tag) {
    case Tag::select:
        select = false;
        return Step::done;
    case Tag::input:
    case Tag::keygen:
    case Tag::textarea:
        select = false;
        return Step::again;
    case Tag::script:
        content_ = Content::scriptData;
        return Step::done;
    case Tag::template_:
        ++templates_;
        return Step::done;
    default:
        return Step::done;
    }
}

// The contents of a template are no part of the page: only templates nested in it count, so
// that its end is found, and raw text elements still hide what they hold.
void TreeBuilder::inTemplateContents(const Token& token)
{
    if (token.tag == Tag::template_) {
        templates_ = token.endTag ? templates_ - 1 : templates_ + 1;
        return;
    }
    if (!token.endTag)
        content_ = contentOf(token.tag);
}

}  // namespace zelko::html
