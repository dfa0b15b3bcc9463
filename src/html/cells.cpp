// What cells and rows hold, for a writer that asks: every element, text and comment in an open
// cell is noted in its collector, handed on just before the cell ends; and the nodes that stand
// directly in a row beside its cells (white space, comments, the script, style, template, hidden
// input and form elements the table rules put there) are handed on as they come.
#include "html/tree.h"

#include "text/bytes.h"

namespace zelko::html {

namespace {

bool closesCell(Tag tag)
{
    switch (tag) {
    case Tag::caption:
    case Tag::col:
    case Tag::colgroup:
    case Tag::tbody:
    case Tag::td:
    case Tag::tfoot:
    case Tag::th:
    case Tag::thead:
    case Tag::tr:
        return true;
    default:
        return false;
    }
}

// Whether `value` is `lower` in any ASCII letter case.
bool equalsInAnyCase(const std::string& value, const char* lower)
{
    std::size_t i = 0;
    for (; i < value.size() && lower[i] != '\0'; ++i) {
        if ((static_cast<unsigned char>(value[i]) | 0x20) != static_cast<unsigned char>(lower[i]))
            return false;
    }
    return i == value.size() && lower[i] == '\0';
}

}  // namespace

// The collector of the innermost table's open cell, when that table is built as nested (a deep
// one's cells are empty) and content is collected.
CellCollector* TreeBuilder::openCellContent()
{
    if (!collect_ || templates_ > 0 || depth_ == 0 || open_.size() > real_ || current().mode != Mode::cell)
        return nullptr;
    return &cells_[open_.size() - 1];
}

// Whether what comes now stands directly in the innermost table's open row.
bool TreeBuilder::inRowItself() const
{
    if (!collect_ || templates_ > 0 || depth_ == 0 || open_.size() > real_)
        return false;
    const Open& t = open_.back();
    return t.mode == Mode::row && !t.select && t.foreign.empty() && !deep(2);
}

// A start tag: in a cell it opens an element of the cell, but for the tags that end the cell;
// in a row, an element that the table rules put in the row.
void TreeBuilder::noteStartTag(const Token& token)
{
    if (CellCollector* cell = openCellContent()) {
        if (!closesCell(token.tag))
            cell->addElement();
        return;
    }
    if (!inRowItself())
        return;
    flushRowText();
    const Slot type = slots_[TreeAttribute::type];
    const bool hidden =
        token.tag == Tag::input && token.has(type) && equalsInAnyCase(token.value(type), "hidden");
    const bool inRow = token.tag == Tag::script || token.tag == Tag::style || token.tag == Tag::template_ ||
                       hidden || (token.tag == Tag::other && token.name() == "form" && token.nameLength == 4);
    if (inRow && events_ != nullptr)
        events_->rowNode(NodeKind::element);
}

// Text directly in a row stays there only when it is all white space: else the whole run, up to
// the next tag or comment, is moved out in front of the table.
void TreeBuilder::flushRowText()
{
    if (rowText_ && !rowTextPlain_ && events_ != nullptr)
        events_->rowNode(NodeKind::text);
    rowText_ = rowTextPlain_ = false;
}

void TreeBuilder::characters(const char* bytes, std::size_t n)
{
    if (CellCollector* cell = openCellContent()) {
        cell->addText(bytes, n);
        return;
    }
    if (!inRowItself())
        return;
    rowText_ = true;
    for (std::size_t i = 0; i < n && !rowTextPlain_; ++i)
        rowTextPlain_ = !isHtmlWhite(static_cast<unsigned char>(bytes[i]));
}

void TreeBuilder::comment()
{
    if (CellCollector* cell = openCellContent()) {
        cell->addComment();
        return;
    }
    if (!inRowItself())
        return;
    flushRowText();
    if (events_ != nullptr)
        events_->rowNode(NodeKind::comment);
}

// After a tag: text, comments and every tag are wanted in a cell and in a row (a form is no
// tag the tree builder names).
void TreeBuilder::flagContent()
{
    if (!collect_)
        return;
    wantsContent = openCellContent() != nullptr || inRowItself();
    wantsEveryTag = wantsEveryTag || wantsContent;
}

// Hands on what the closing cell held: `cell`, or nothing for one built empty.
void TreeBuilder::handContent(CellCollector* cell)
{
    if (!collect_ || events_ == nullptr)
        return;
    events_->cellContent(cell != nullptr ? cell->finish(decodeText_) : CellContent{});
}

}  // namespace zelko::html
