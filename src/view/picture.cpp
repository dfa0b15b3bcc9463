#include "view/picture.h"

#include <charconv>
#include <cstring>

#include "html/catalogue.h"
#include "text/append.h"
#include "view/escape.h"

namespace zelko::view {

using html::Tag;

const html::AttributeWish kViewAttributes[ViewAttribute::count] = {
    {html::tagsOf({Tag::table, Tag::td, Tag::th}), "class", html::ValueKind::text},
    {html::tagsOf({Tag::table}), "border", html::ValueKind::text},
    {html::tagsOf({Tag::table}), "frame", html::ValueKind::text},
    {html::tagsOf({Tag::table}), "rules", html::ValueKind::text},
    {html::tagsOf({Tag::table}), "cellspacing", html::ValueKind::text},
    {html::tagsOf({Tag::table}), "cellpadding", html::ValueKind::text},
};

namespace {

// The same looks as the default mode's border mode, given to every table and cell by one style
// sheet rather than by an attribute on each.
const char kBorderSheet[] =
    "<style>table {border: 1px solid #FF0000; border-width: 1px 1px 1px 1px;} "
    "td, th {border: 1px dotted #A0A0A0; border-width: 1px 1px 1px 1px;}</style>\n";
const char kCaptionStyle[] = " style=\"color: #FF0000; font: normal 9px Courier New;\"";
// The background of an element that a finding concerns, and the look of a table's list.
const char kMarkRule[] = "{background-color: #FFD6D6;}";
const char kListStyle[] = " style=\"color: #C00000; font: normal 11px Courier New; margin: 2px 0 8px 0;\"";

// Nothing may run or load: no script, no style sheet or image from anywhere, no form, no base.
const char kHead[] =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
    "style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'\">\n<title>zelko: ";

// The most digits of a number, and the longest id of a row: 't', the table's number, 'r', the
// row's.
constexpr std::size_t kMaxDigits = 20;
constexpr std::size_t kMaxRowId = 2 + 2 * kMaxDigits;

// Writes `text` at `to`, returning the end.
template <std::size_t N>
char* put(char* to, const char (&text)[N])
{
    return std::copy(text, text + N - 1, to);
}

char* putNumber(char* to, std::uint64_t number) { return std::to_chars(to, to + kMaxDigits, number).ptr; }

// The ids of a table's elements: t3, t3r5 (row 5), t3r5c2 (the cell at row 5, column 2), t3k1
// (its first column element).
template <typename Out>
void appendId(Out& out, const html::Target& target)
{
    out += 't';
    appendNumber(out, target.table);
    switch (target.kind) {
    case html::Target::Kind::table:
        break;
    case html::Target::Kind::row:
        out += 'r';
        appendNumber(out, target.row + 1);
        break;
    case html::Target::Kind::cell:
        out += 'r';
        appendNumber(out, target.row + 1);
        out += 'c';
        appendNumber(out, std::uint64_t{target.column} + 1);
        break;
    case html::Target::Kind::column:
        out += 'k';
        appendNumber(out, std::uint64_t{target.column} + 1);
        break;
    }
}

}  // namespace

void Picture::Open::reset(std::uint64_t table)
{
    number = table;
    group = Tag::tbody;
    cell = Tag::td;
    inCaption = captionWritten = overflowFailed = false;
    rowId.clear();
    list.clear();
    overflow = nullptr;
    unlisted = 0;
}

Picture::Picture(const std::string& page, bool borders, const html::Slot* slots, Writer write)
    : borders_(borders), out_(64 * 1024, std::move(write))
{
    std::copy(slots, slots + ViewAttribute::count, slots_);
    out_ += kHead;
    appendEscaped(out_, page);
    out_ += "</title>\n";
    if (borders_)
        out_ += kBorderSheet;
    out_ += "</head><body>\n";
}

Picture::~Picture()
{
    for (Open& t : open_) {
        if (t.overflow != nullptr)
            std::fclose(t.overflow);
    }
}

void Picture::finish()
{
    out_ += "\n</body></html>\n";
    out_.flush();
}

void Picture::tableStart(std::uint64_t number, const html::Token& table)
{
    if (depth_ > 0)
        captionForNested();
    // A closed table's place is used again, with the room its list made.
    if (depth_ == open_.size())
        open_.emplace_back();
    open_[depth_++].reset(number);
    out_ += "\n<table id=\"t";
    appendNumber(out_, number);
    out_ += '"';
    if (!borders_)
        writeLooks(table);
    out_ += '>';
    if (borders_)
        writeCaption(number, table);
}

// Without borders of the view's own, a table keeps the page's border attributes.
void Picture::writeLooks(const html::Token& table)
{
    for (std::size_t i = ViewAttribute::border; i <= ViewAttribute::cellpadding; ++i) {
        if (!table.has(slots_[i]))
            continue;
        out_ += ' ';
        out_ += kViewAttributes[i].name;
        out_ += "=\"";
        appendEscaped(out_, table.value(slots_[i]));
        out_ += '"';
    }
}

// In border mode: "table N · class "CLASS" · line L", in the default mode's caption look.
void Picture::writeCaption(std::uint64_t number, const html::Token& table)
{
    out_ += "<caption";
    out_ += kCaptionStyle;
    out_ += ">table ";
    appendNumber(out_, number);
    const html::Slot className = slots_[ViewAttribute::className];
    if (table.has(className)) {
        out_ += " \xc2\xb7 class &quot;";
        appendEscaped(out_, table.value(className));
        out_ += "&quot;";
    } else {
        out_ += " \xc2\xb7 no class";
    }
    out_ += " \xc2\xb7 line ";
    appendNumber(out_, table.where.line);
    out_ += "</caption>";
}

void Picture::tableEnd()
{
    Open& t = top();
    out_ += "\n</table>";
    if (!t.list.empty() || t.overflow != nullptr) {
        out_ += "\n<ol";
        out_ += kListStyle;
        out_ += '>';
        if (t.overflow != nullptr)
            copyOverflow(t);
        out_.append(t.list.data(), t.list.size());
        if (t.unlisted > 0) {
            out_ += "<li>and ";
            appendNumber(out_, t.unlisted);
            out_ += t.unlisted == 1 ? " more finding" : " more findings";
            out_ += " (no temporary file could hold them), marked above but not listed</li>";
        }
        out_ += "</ol>";
    }
    out_ += '\n';
    --depth_;
}

void Picture::captionStart()
{
    top().inCaption = true;
    top().captionWritten = false;
}

void Picture::captionEnd()
{
    Open& t = top();
    if (t.captionWritten)
        out_ += "</caption>";
    t.inCaption = t.captionWritten = false;
}

void Picture::columnGroupStart(const html::Token* colgroup, std::uint32_t number, std::uint32_t span)
{
    out_ += "\n<colgroup";
    if (colgroup != nullptr) {
        appendIdAttribute(html::Target{html::Target::Kind::column, top().number, 0, number});
        appendSpan(" span=\"", span);
    }
    out_ += '>';
}

void Picture::column(std::uint32_t number, std::uint32_t span)
{
    out_ += "<col";
    appendIdAttribute(html::Target{html::Target::Kind::column, top().number, 0, number});
    appendSpan(" span=\"", span);
    out_ += '>';
}

void Picture::columnGroupEnd() { out_ += "</colgroup>"; }

void Picture::rowGroupStart(Tag tag, bool)
{
    top().group = tag;
    out_ += "\n<";
    out_ += html::nameOf(tag);
    out_ += '>';
}

void Picture::rowGroupEnd()
{
    out_ += "\n</";
    out_ += html::nameOf(top().group);
    out_ += '>';
}

void Picture::rowStart(std::uint64_t row)
{
    Open& t = top();
    t.rowId.clear();
    appendId(t.rowId, html::Target{html::Target::Kind::row, t.number, row, 0});
    out_ += "\n<tr id=\"";
    out_ += t.rowId;
    out_ += "\">";
}

void Picture::rowEnd() { out_ += "</tr>"; }

// A cell: its tag with id and spans, and its label, written in one piece but for the class.
void Picture::cellStart(const html::Token& cell, const html::CellPlace& place)
{
    Open& t = top();
    t.cell = cell.tag;
    constexpr std::size_t kMost =
        8 + kMaxRowId + 1 + kMaxDigits + 1 + 2 * (10 + kMaxDigits + 1) + 7 + 2 * kMaxDigits + 2;
    char* to = out_.room(kMost);
    to = put(to, cell.tag == Tag::th ? "<th id=\"" : "<td id=\"");
    to = std::copy(t.rowId.begin(), t.rowId.end(), to);  // the cell's row is the open one
    *to++ = 'c';
    to = putNumber(to, std::uint64_t{place.column} + 1);
    *to++ = '"';
    if (place.colspan != 1) {  // a span browsers read as 1 is left out
        to = putNumber(put(to, " colspan=\""), place.colspan);
        *to++ = '"';
    }
    if (place.rowspan != 1) {
        to = putNumber(put(to, " rowspan=\""), place.rowspan);
        *to++ = '"';
    }
    to = put(to, ">&nbsp;");
    to = putNumber(to, place.colspan);
    *to++ = 'x';
    to = putNumber(to, place.rowspan);
    *to++ = ' ';
    out_.commit(to);
    const html::Slot className = slots_[ViewAttribute::className];
    if (cell.has(className))
        appendEscaped(out_, cell.value(className));
}

void Picture::cellEnd()
{
    out_ += "</";
    out_ += html::nameOf(top().cell);
    out_ += '>';
}

void Picture::add(const html::Finding& finding)
{
    // Errors and warnings mark their element at once, by a rule that also reaches an element
    // written before the finding was known. A style element may stand in a table, a row
    // group, a row or a cell without changing the table.
    if (finding.severity != Severity::note) {
        out_ += "<style>#";
        appendId(out_, finding.target);
        out_ += kMarkRule;
        out_ += "</style>";
    }
    if (depth_ > 0)
        listFinding(top(), finding);
}

// Adds the finding to its table's list. A long list waits in a temporary file, so that memory
// stays bounded whatever the table; without one, the rest of the findings are counted.
void Picture::listFinding(Open& t, const html::Finding& finding)
{
    if (t.list.size() >= kListBlock && !t.overflowFailed) {
        if (t.overflow == nullptr)
            t.overflow = std::tmpfile();
        if (t.overflow == nullptr ||
            std::fwrite(t.list.data(), 1, t.list.size(), t.overflow) != t.list.size())
            t.overflowFailed = true;
        else
            t.list.clear();
    }
    if (t.overflowFailed && t.list.size() >= kListBlock) {
        ++t.unlisted;
        return;
    }
    t.list += "<li><a href=\"#";
    appendId(t.list, finding.target);
    t.list += "\">";
    appendNumber(t.list, finding.where.line);
    t.list += ':';
    appendNumber(t.list, finding.where.column);
    t.list += "</a> ";
    t.list += severityWord(finding.severity);
    t.list += ": ";
    message_.clear();
    html::appendMessage(message_, finding);
    appendEscaped(t.list, message_);
    t.list += " [";
    t.list += html::kindInfo(finding.kind).id;
    t.list += "]</li>";
}

// Hands on the earlier part of a long list from its temporary file, which it closes.
void Picture::copyOverflow(Open& t)
{
    std::rewind(t.overflow);
    char block[16 * 1024];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, t.overflow)) > 0;)
        out_.append(block, n);
    std::fclose(t.overflow);
    t.overflow = nullptr;
}

// A table nested in the page's caption of a table gets a caption of its own to stand in.
void Picture::captionForNested()
{
    Open& parent = top();
    if (parent.inCaption && !parent.captionWritten) {
        out_ += "<caption>";
        parent.captionWritten = true;
    }
}

void Picture::appendIdAttribute(const html::Target& target)
{
    out_ += " id=\"";
    appendId(out_, target);
    out_ += '"';
}

// A span browsers read as 1 is left out.
void Picture::appendSpan(const char* attribute, std::uint32_t span)
{
    if (span == 1)
        return;
    out_ += attribute;
    appendNumber(out_, span);
    out_ += '"';
}

}  // namespace zelko::view
