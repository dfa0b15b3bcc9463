#include "headers/headers.h"

#include <algorithm>
#include <cstring>

#include "heads/reader.h"
#include "html/grid.h"
#include "html/reading.h"
#include "text/append.h"
#include "text/buffer.h"
#include "text/json.h"

namespace zelko::headers {

namespace {

using heads::CellRecord;
using heads::HeaderRef;

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

// Writes `text` at `at`; returns the end.
template <std::size_t N>
char* put(char* at, const char (&text)[N])
{
    std::memcpy(at, text, N - 1);
    return at + N - 1;
}

// The most bytes a cell line writes besides its page, its table number and its lists.
constexpr std::size_t kCellLineBytes = 192;
// The most bytes a header in a list takes: "[ROW,COL],".
constexpr std::size_t kHeaderBytes = 44;

void appendJsonList(Buffer& out, const std::vector<HeaderRef>& list)
{
    out += '[';
    for (std::size_t i = 0; i < list.size(); ++i) {
        char* at = out.room(kHeaderBytes);
        at = i == 0 ? put(at, "[") : put(at, ",[");
        at = putNumber(at, list[i].y + 1);
        *at++ = ',';
        at = putNumber(at, std::uint64_t{list[i].x} + 1);
        *at++ = ']';
        out.commit(at);
    }
    out += ']';
}

class LineWriter : public heads::HeadsSink {
public:
    LineWriter(const std::string& page, Format format, PageHeaders::Writer write)
        : format_(format), write_(std::move(write)),
          out_(kBlock, [this](const char* bytes, std::size_t n) { write_(std::string_view(bytes, n)); })
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
        }
    }
    void flush() { out_.flush(); }

private:
    static constexpr std::size_t kBlock = 64 * 1024;
    static_assert(kCellLineBytes <= kBlock && kHeaderBytes <= kBlock, "the buffer holds what is asked of it");

    template <typename Out>
    void start(Out& out, const html::Location& where)
    {
        if (format_ == Format::json) {
            out += "{\"page\":";
            out += page_;
            out += ",\"line\":";
            appendNumber(out, where.line);
            out += ",\"column\":";
            appendNumber(out, where.column);
        } else {
            out += page_;
            out += ':';
            appendNumber(out, where.line);
            out += ':';
            appendNumber(out, where.column);
            out += ": ";
        }
    }
    void tableLine(heads::TableHeads& t);
    void cellLine(heads::TableHeads& t, const CellRecord& c);

    Format format_;
    PageHeaders::Writer write_;
    Buffer out_;
    std::string page_, head_, tableAt_, line_;
    std::vector<HeaderRef> headers_, columns_, rows_;  // of the cell being written
};

void LineWriter::tableLine(heads::TableHeads& t)
{
    const heads::TableFacts& f = t.facts();
    const heads::Judgement j = t.judgement();
    start(out_, f.where);
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
        line_.clear();
        appendJsonString(line_, j.why);
        out_ += line_;
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
        char* at = out_.room(kCellLineBytes);
        at = putNumber(at, c.where.line);
        at = put(at, ",\"column\":");
        at = putNumber(at, c.where.column);
        out_.commit(at);
        out_ += tableAt_;
        at = out_.room(kCellLineBytes);
        at = putNumber(at, c.y + 1);
        *at++ = ',';
        at = putNumber(at, std::uint64_t{c.x} + 1);
        at = put(at, "],\"span\":[");
        at = putNumber(at, c.height);
        *at++ = ',';
        at = putNumber(at, c.width);
        at = c.th ? put(at, "],\"cell\":\"th\",\"empty\":") : put(at, "],\"cell\":\"td\",\"empty\":");
        at = c.empty ? put(at, "true,\"headers\":") : put(at, "false,\"headers\":");
        out_.commit(at);
        appendJsonList(out_, headers);
        at = out_.room(kCellLineBytes);
        at = put(at, ",\"chromium\":{\"role\":\"");
        at = c.role == heads::Role::columnHeader ? put(at, "columnheader")
             : c.role == heads::Role::rowHeader  ? put(at, "rowheader")
                                                 : put(at, "cell");
        at = put(at, "\",\"columnHeaders\":");
        out_.commit(at);
        appendJsonList(out_, columns);
        out_ += ",\"rowHeaders\":";
        appendJsonList(out_, rows);
        out_ += "}}\n";
        return;
    }
    // People's lines are made in a string, which the helpers that name cells write to.
    std::string& line = line_;
    line.clear();
    start(line, c.where);
    line += "table ";
    appendNumber(line, t.facts().number);
    line += ", cell ";
    heads::appendAnchor(line, c.y, c.x);
    line += c.th ? " (th " : " (td ";
    appendNumber(line, c.height);
    line += 'x';
    appendNumber(line, c.width);
    if (c.empty) {
        line += ", empty)";
    } else {
        line += ' ';
        t.appendQuotedName(line, c);
        line += ')';
    }
    if (c.th) {
        line += ", a ";
        line += stateWords(c.state);
    }
    line += ": headers ";
    heads::appendHeaderNames(line, t, headers);
    if (c.role != heads::Role::cell) {
        line += c.role == heads::Role::rowHeader ? "; Chromium: a row header" : "; Chromium: a column header";
    } else {
        const bool same = heads::sameHeaders(headers, columns, rows);
        if (c.th)
            line +=
                same ? "; Chromium: a cell with the same headers" : "; Chromium: a cell with column headers ";
        else
            line += same ? "; Chromium: the same" : "; Chromium differs: column headers ";
        if (!same) {
            heads::appendHeaderNames(line, t, columns);
            line += ", row headers ";
            heads::appendHeaderNames(line, t, rows);
        }
    }
    line += '\n';
    out_ += line;
}

}  // namespace

struct PageHeaders::Parts {
    Parts(const std::string& page, Format format, PageHeaders::Writer write, heads::ScratchMaker scratches,
          html::Transcode transcode, std::size_t memory)
        : writer(page, format, std::move(write)),
          reader(writer, slots, memory, std::move(scratches),
                 format == Format::json ? heads::CellNames::none : heads::CellNames::every,
                 heads::TableWork::apart),
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
    parts_->reader.finish();
    parts_->writer.flush();
}

int PageHeaders::scratchError() const { return parts_->reader.error(); }

std::string headersText(const std::string& text, Format format, const std::string& page, std::size_t piece,
                        std::size_t memory)
{
    std::string lines;
    PageHeaders headers(
        page, format, [&lines](std::string_view batch) { lines += batch; }, heads::memoryScratches(), {},
        memory);
    html::feedInPieces(text, piece, [&headers](const char* bytes, std::size_t n) { headers.feed(bytes, n); });
    headers.finish();
    return lines;
}

}  // namespace zelko::headers
