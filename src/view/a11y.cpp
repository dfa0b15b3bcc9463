#include "view/a11y.h"

#include "text/append.h"
#include "view/escape.h"

namespace zelko::view {

namespace {

// A header cell's shade by its state, laid over whatever marks the cell: column headers blue,
// row headers yellow, group headers violet, headers of neither grey.
const char* shade(heads::HeaderState state)
{
    switch (state) {
    case heads::HeaderState::column:
        return "rgba(40,110,255,.18)";
    case heads::HeaderState::row:
        return "rgba(255,190,0,.25)";
    case heads::HeaderState::columnGroup:
    case heads::HeaderState::rowGroup:
        return "rgba(130,60,255,.18)";
    default:
        return "rgba(0,0,0,.12)";
    }
}

const char kLabelStyle[] = "white-space: pre-wrap; font: normal 9px Courier New;";

}  // namespace

void HeadsView::tableEnded(heads::TableHeads& table)
{
    Buffer& out = picture_.output();
    const std::uint64_t number = table.facts().number;
    out += "<style>";
    if (borders_) {
        out += "#t";
        appendNumber(out, number);
        out += " > caption::after {content: \" \\B7  Chromium: ";
        appendCssString(out, heads::verdictWords(table.judgement()));
        out += "\";}";
    }
    for (std::uint64_t i = 0; i < table.cellCount(); ++i) {
        const heads::CellRecord c = table.cell(i);
        if (c.inModel)
            cellRule(table, c, out);
    }
    out += "</style>\n";
}

// "#t1r2c3::after {content: "\A H: "Stop" (1,1)"}", in red with Chromium's where they differ; and
// the shade of a header cell.
void HeadsView::cellRule(heads::TableHeads& table, const heads::CellRecord& c, Buffer& out)
{
    const html::Target target{html::Target::Kind::cell, table.facts().number, c.checkRow, c.checkColumn};
    out += "\n#";
    appendElementId(out, target);
    out += "::after {";
    out += kLabelStyle;
    table.headers(c, headers_);
    text_ = "\nH: ";
    heads::appendHeaderNames(text_, table, headers_);
    if (!c.th && c.role == heads::Role::cell) {
        table.columnHeaders(c, columns_);
        table.rowHeaders(c, rows_);
        if (!heads::sameHeaders(headers_, columns_, rows_)) {
            text_ += "\n\xe2\x89\xa0 Chromium: ";
            columns_.insert(columns_.end(), rows_.begin(), rows_.end());
            heads::appendHeaderNames(text_, table, columns_);
            out += " color: #C00000;";
        }
    }
    out += " content: \"";
    appendCssString(out, text_);
    out += "\";}";
    if (c.th) {
        out += " #";
        appendElementId(out, target);
        out += " {background-image: linear-gradient(";
        out += shade(c.state);
        out += ',';
        out += shade(c.state);
        out += ");}";
    }
}

}  // namespace zelko::view
