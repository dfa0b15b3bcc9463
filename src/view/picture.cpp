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
// The view's own look: the page's totals written last but shown first, the lists after the
// tables with a colour for each severity, and the element a link jumps to outlined.
const char kSheet[] =
    "<style>body {display: flex; flex-direction: column; align-items: flex-start;} "
    ".totals {order: -1; font: normal 11px Courier New; background-color: #EEEEEE; padding: 3px 6px; "
    "margin: 0 0 8px 0;} "
    ".list {font: normal 11px Courier New; margin: 2px 0 8px 0;} "
    ".error {color: #C00000;} .warning {color: #8A4B00;} .note {color: #5F5F5F;} "
    ":target, :target > td, :target > th {outline: 2px solid #1F5FCC; outline-offset: -2px;}</style>\n";
// How an element that an error or a warning concerns is marked: its background, or for a row's
// width the place the row ends, the right edge of its last cell.
const char* const kMarks[] = {"{background-color: #FFD6D6;}", "{background-color: #FFE9C2;}"};
const char* const kRowEnds[] = {"{box-shadow: inset -4px 0 0 #D00000;}",
                                "{box-shadow: inset -4px 0 0 #C07000;}"};

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

// A row's width is marked where the row ends: its last cell.
bool marksRowEnd(const html::Finding& f)
{
    return (f.kind == html::Kind::rowShort || f.kind == html::Kind::rowLong) && f.numbers[3] > 0;
}

// The element a finding's mark and link are on.
html::Target markedTarget(const html::Finding& f)
{
    if (!marksRowEnd(f))
        return f.target;
    return html::Target{html::Target::Kind::cell, f.target.table, f.target.row,
                        static_cast<std::uint32_t>(f.numbers[3] - 1)};
}

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

void appendElementId(Buffer& out, const html::Target& target) { appendId(out, target); }

void Picture::Open::reset(std::uint64_t table)
{
    number = table;
    group = Tag::tbody;
    cell = Tag::td;
    inCaption = captionWritten = inCell = loose = false;
    rowId.clear();
    list.clear();
    unlisted = errors = warnings = 0;
}

Picture::Picture(const std::string& page, bool borders, const html::Slot* slots, ByteWriter write,
                 SpoolMaker spools)
    : borders_(borders), out_(64 * 1024, std::move(write)), spools_(std::move(spools)),
      links_(spools_, error_)
{
    std::copy(slots, slots + ViewAttribute::count, slots_);
    out_ += kHead;
    appendEscaped(out_, page);
    out_ += "</title>\n";
    out_ += kSheet;
    if (borders_)
        out_ += kBorderSheet;
    out_ += "</head><body>\n";
}

// The page's totals, as --check sums them up, and a link to every table with a fault, written
// last and shown first.
void Picture::finish()
{
    out_ += "\n<div class=\"totals\">";
    appendCounted(out_, tables_, "table");
    out_ += ", ";
    appendCounted(out_, errors_, "error");
    out_ += ", ";
    appendCounted(out_, warnings_, "warning");
    if (!links_.empty()) {
        out_ += " \xc2\xb7 faults in ";
        links_.handOn(out_);
    }
    out_ += "</div>\n</body></html>\n";
    out_.flush();
}

void Picture::tableStart(std::uint64_t number, const html::Token& table)
{
    // A table in a table but in none of its cells or captions (one the browser builds empty,
    // deeper than it nests) is written in a caption of its own, which the markup allows there.
    bool loose = false;
    if (depth_ > 0) {
        captionForNested();
        loose = !top().inCaption && !top().inCell;
        if (loose)
            out_ += "\n<caption>";
    }
    // A closed table's place is used again, with the room its list made.
    if (depth_ == open_.size())
        open_.push_back(std::make_unique<Open>(spools_, error_));
    open_[depth_++]->reset(number);
    top().loose = loose;
    ++tables_;
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
    if (!t.list.empty() || t.unlisted > 0) {
        out_ += "\n<ol class=\"list\">";
        t.list.handOn(out_);
        if (t.unlisted > 0) {
            out_ += "<li>and ";
            appendNumber(out_, t.unlisted);
            out_ += t.unlisted == 1 ? " more finding" : " more findings";
            out_ += " (no temporary file could hold them), marked above but not listed</li>";
        }
        out_ += "</ol>";
    }
    out_ += '\n';
    if (t.errors + t.warnings > 0) {
        if (Buffer* links = links_.room()) {
            if (!links->empty())
                *links += ", ";
            *links += "<a href=\"#t";
            appendNumber(*links, t.number);
            *links += "\">table ";
            appendNumber(*links, t.number);
            *links += "</a> (";
            if (t.errors > 0)
                appendCounted(*links, t.errors, "error");
            if (t.errors > 0 && t.warnings > 0)
                *links += ", ";
            if (t.warnings > 0)
                appendCounted(*links, t.warnings, "warning");
            *links += ')';
        }
    }
    if (t.loose)
        out_ += "</caption>\n";
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
    t.inCell = true;
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
    top().inCell = false;
    out_ += "</";
    out_ += html::nameOf(top().cell);
    out_ += '>';
}

// What cells and rows hold is read only for the headers, which the view does not yet show.
void Picture::rowNode(html::NodeKind) {}
void Picture::cellContent(const html::CellContent&) {}

void Picture::add(const html::Finding& finding)
{
    if (finding.severity != Severity::note)
        mark(finding);
    if (depth_ == 0)
        return;
    Open& t = top();
    t.errors += finding.severity == Severity::error ? 1 : 0;
    t.warnings += finding.severity == Severity::warning ? 1 : 0;
    errors_ += finding.severity == Severity::error ? 1 : 0;
    warnings_ += finding.severity == Severity::warning ? 1 : 0;
    listFinding(t, finding);
}

// An error or a warning marks its element at once, by a rule that also reaches an element
// written before the finding was known. A style element may stand in a table, a row group, a
// row or a cell without changing the table.
void Picture::mark(const html::Finding& finding)
{
    const int severity = finding.severity == Severity::error ? 0 : 1;
    out_ += "<style>#";
    appendId(out_, markedTarget(finding));
    out_ += marksRowEnd(finding) ? kRowEnds[severity] : kMarks[severity];
    out_ += "</style>";
}

// Adds the finding to its table's list, linked to its mark, and says where the mark is. A long
// list waits in a spool, so that memory stays bounded whatever the table; without one, the rest
// of the findings are counted.
void Picture::listFinding(Open& t, const html::Finding& finding)
{
    Buffer* list = t.list.room();
    if (list == nullptr) {
        ++t.unlisted;
        return;
    }
    *list += "<li class=\"";
    *list += severityWord(finding.severity);
    *list += "\"><a href=\"#";
    appendId(*list, markedTarget(finding));
    *list += "\">";
    appendNumber(*list, finding.where.line);
    *list += ':';
    appendNumber(*list, finding.where.column);
    *list += "</a> ";
    *list += severityWord(finding.severity);
    *list += ": ";
    message_.clear();
    html::appendMessage(message_, finding);
    appendEscaped(*list, message_);
    *list += " [";
    *list += html::kindInfo(finding.kind).id;
    *list += ']';
    if (finding.severity != Severity::note)
        appendPlace(*list, finding);
    *list += "</li>";
}

// " · marked: the cell at row 2, column 3", and so on: where the mark of a finding is.
void Picture::appendPlace(Buffer& out, const html::Finding& finding)
{
    const html::Target& target = finding.target;
    out += " \xc2\xb7 marked: ";
    if (marksRowEnd(finding)) {
        out += "the end of row ";
        appendNumber(out, target.row + 1);
        out += ", its last cell at column ";
        appendNumber(out, finding.numbers[3]);
        return;
    }
    switch (target.kind) {
    case html::Target::Kind::table:
        out += "table ";
        appendNumber(out, target.table);
        break;
    case html::Target::Kind::row:
        out += "row ";
        appendNumber(out, target.row + 1);
        break;
    case html::Target::Kind::cell:
        out += "the cell at row ";
        appendNumber(out, target.row + 1);
        out += ", column ";
        appendNumber(out, std::uint64_t{target.column} + 1);
        break;
    case html::Target::Kind::column:
        out += "column element ";
        appendNumber(out, std::uint64_t{target.column} + 1);
        break;
    }
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
