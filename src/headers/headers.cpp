#include "headers/headers.h"

#include <algorithm>

#include "heads/reader.h"
#include "html/grid.h"
#include "html/reading.h"
#include "text/append.h"
#include "text/json.h"

namespace zelko::headers {

namespace {

using heads::CellRecord;
using heads::HeaderRef;

const char* roleWord(heads::Role role)
{
    return role == heads::Role::columnHeader ? "columnheader"
           : role == heads::Role::rowHeader  ? "rowheader"
                                             : "cell";
}

const char* verdictWord(heads::Verdict verdict)
{
    return verdict == heads::Verdict::data ? "data" : verdict == heads::Verdict::layout ? "layout" : "css";
}

// What a header cell heads by the standard, in words.
const char* stateWords(heads::HeaderState state)
{
    switch (state) {
    case heads::HeaderState::column:
        return "column header";
    case heads::HeaderState::row:
        return "row header";
    case heads::HeaderState::columnGroup:
        return "column group header";
    case heads::HeaderState::rowGroup:
        return "row group header";
    default:
        return "header of neither a column nor a row";
    }
}

void appendJsonList(std::string& out, const std::vector<HeaderRef>& list)
{
    out += '[';
    for (std::size_t i = 0; i < list.size(); ++i) {
        out += i == 0 ? "[" : ",[";
        heads::appendAnchor(out, list[i].y, list[i].x);
        out += ']';
    }
    out += ']';
}

class LineWriter : public heads::HeadsSink {
public:
    LineWriter(const std::string& page, Format format, PageHeaders::Writer write)
        : format_(format), write_(std::move(write))
    {
        if (format == Format::json)
            appendJsonString(page_, page);
        else
            page_ = page;
    }
    ~LineWriter() override { flush(); }

    void tableEnded(heads::TableHeads& table) override
    {
        tableLine(table);
        if (format_ == Format::json) {
            // What every cell line of the table repeats, written once.
            head_ = "{\"page\":" + page_ + ",\"line\":";
            tableAt_ = ",\"table\":";
            appendNumber(tableAt_, table.facts().number);
            tableAt_ += ",\"at\":[";
        }
        for (std::uint64_t i = 0; i < table.cellCount(); ++i) {
            const CellRecord c = table.cell(i);
            if (c.inModel)
                cellLine(table, c);
            if (out_.size() >= 64 * 1024)
                flush();
        }
    }
    void flush()
    {
        if (!out_.empty())
            write_(out_);
        out_.clear();
    }

private:
    void start(const html::Location& where)
    {
        if (format_ == Format::json) {
            out_ += "{\"page\":";
            out_ += page_;
            out_ += ",\"line\":";
            appendNumber(out_, where.line);
            out_ += ",\"column\":";
            appendNumber(out_, where.column);
        } else {
            out_ += page_;
            out_ += ':';
            appendNumber(out_, where.line);
            out_ += ':';
            appendNumber(out_, where.column);
            out_ += ": ";
        }
    }
    void tableLine(heads::TableHeads& t);
    void cellLine(heads::TableHeads& t, const CellRecord& c);

    Format format_;
    PageHeaders::Writer write_;
    std::string page_, out_, head_, tableAt_;
    std::vector<HeaderRef> headers_, columns_, rows_;  // of the cell being written
};

void LineWriter::tableLine(heads::TableHeads& t)
{
    const heads::TableFacts& f = t.facts();
    const heads::Judgement j = t.judgement();
    start(f.where);
    if (format_ == Format::json) {
        out_ += ",\"table\":";
        appendNumber(out_, f.number);
        out_ += ",\"rows\":";
        appendNumber(out_, t.rows());
        out_ += ",\"columns\":";
        appendNumber(out_, t.columns());
        out_ += ",\"chromium\":\"";
        out_ += verdictWord(j.verdict);
        out_ += "\",\"why\":";
        appendJsonString(out_, j.why);
        out_ += "}\n";
        return;
    }
    out_ += "table ";
    appendNumber(out_, f.number);
    out_ += ": ";
    appendCounted(out_, t.rows(), "row");
    out_ += " x ";
    appendCounted(out_, t.columns(), "column");
    out_ += "; Chromium: ";
    out_ += heads::verdictWords(j);
    out_ += '\n';
}

void LineWriter::cellLine(heads::TableHeads& t, const CellRecord& c)
{
    std::vector<HeaderRef>& headers = headers_;
    std::vector<HeaderRef>& columns = columns_;
    std::vector<HeaderRef>& rows = rows_;
    t.headers(c, headers);
    t.columnHeaders(c, columns);
    t.rowHeaders(c, rows);
    if (format_ == Format::json) {
        out_ += head_;
        appendNumber(out_, c.where.line);
        out_ += ",\"column\":";
        appendNumber(out_, c.where.column);
        out_ += tableAt_;
        heads::appendAnchor(out_, c.y, c.x);
        out_ += "],\"span\":[";
        appendNumber(out_, c.height);
        out_ += ',';
        appendNumber(out_, c.width);
        out_ += "],\"cell\":\"";
        out_ += c.th ? "th" : "td";
        out_ += "\",\"empty\":";
        out_ += c.empty ? "true" : "false";
        out_ += ",\"headers\":";
        appendJsonList(out_, headers);
        out_ += ",\"chromium\":{\"role\":\"";
        out_ += roleWord(c.role);
        out_ += "\",\"columnHeaders\":";
        appendJsonList(out_, columns);
        out_ += ",\"rowHeaders\":";
        appendJsonList(out_, rows);
        out_ += "}}\n";
        return;
    }
    start(c.where);
    out_ += "table ";
    appendNumber(out_, t.facts().number);
    out_ += ", cell ";
    heads::appendAnchor(out_, c.y, c.x);
    out_ += c.th ? " (th " : " (td ";
    appendNumber(out_, c.height);
    out_ += 'x';
    appendNumber(out_, c.width);
    if (c.empty) {
        out_ += ", empty)";
    } else {
        out_ += ' ';
        appendQuoted(out_, t.name(c));
        out_ += ')';
    }
    if (c.th) {
        out_ += ", a ";
        out_ += stateWords(c.state);
    }
    out_ += ": headers ";
    heads::appendHeaderNames(out_, t, headers);
    if (c.role != heads::Role::cell) {
        out_ += c.role == heads::Role::rowHeader ? "; Chromium: a row header" : "; Chromium: a column header";
    } else {
        const bool same = heads::sameHeaders(headers, columns, rows);
        if (c.th)
            out_ +=
                same ? "; Chromium: a cell with the same headers" : "; Chromium: a cell with column headers ";
        else
            out_ += same ? "; Chromium: the same" : "; Chromium differs: column headers ";
        if (!same) {
            heads::appendHeaderNames(out_, t, columns);
            out_ += ", row headers ";
            heads::appendHeaderNames(out_, t, rows);
        }
    }
    out_ += '\n';
}

}  // namespace

struct PageHeaders::Parts {
    Parts(const std::string& page, Format format, PageHeaders::Writer write, heads::ScratchMaker scratches,
          html::Transcode transcode, std::size_t memory)
        : writer(page, format, std::move(write)),
          reader(writer, slots, memory, std::move(scratches),
                 format == Format::json ? heads::CellNames::none : heads::CellNames::every),
          reading(noFindings, &reader, heads::kHeadsAttributes, heads::HeadsAttribute::count, slots,
                  std::move(transcode))
    {
        reading.collectCellContent();
    }
    struct NoFindings : html::FindingSink {
        void add(const html::Finding&) override {}
    } noFindings;
    html::Slot slots[heads::HeadsAttribute::count];
    LineWriter writer;
    heads::HeadsReader reader;
    html::PageReading reading;
};

PageHeaders::PageHeaders(const std::string& page, Format format, Writer write, heads::ScratchMaker scratches,
                         html::Transcode transcode, std::size_t memory)
    : parts_(new Parts(page, format, std::move(write), std::move(scratches), std::move(transcode), memory))
{}

PageHeaders::~PageHeaders() = default;

void PageHeaders::feed(const char* bytes, std::size_t n) { parts_->reading.feed(bytes, n); }

void PageHeaders::finish()
{
    parts_->reading.finish();
    parts_->writer.flush();
}

int PageHeaders::scratchError() const { return parts_->reader.error(); }

std::string headersText(const std::string& text, Format format, const std::string& page, std::size_t piece,
                        std::size_t memory)
{
    std::string lines;
    PageHeaders headers(
        page, format, [&lines](const std::string& batch) { lines += batch; }, heads::memoryScratches(), {},
        memory);
    html::feedInPieces(text, piece, [&headers](const char* bytes, std::size_t n) { headers.feed(bytes, n); });
    headers.finish();
    return lines;
}

}  // namespace zelko::headers
