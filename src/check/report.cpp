#include "check/report.h"

#include <charconv>
#include <cstring>

#include "tag/bytes.h"

namespace zelko::check {

const KindInfo kKinds[] = {
    {"row-short", Severity::warning, "A row has fewer columns than the table",
     "A row ends before the table's last column: it is narrower than the first row, or than the "
     "column elements say (then it is an error). A row's width is the position just past its "
     "last cell, moved on over the cells from rows above that cover the slots next to it.",
     "Give the row the cells it lacks, or span its last cell over the missing columns."},
    {"row-long", Severity::warning, "A row has more columns than the table",
     "A row reaches past the table's width that the first row, or the column elements (then it "
     "is an error), set.",
     "Remove the row's extra cells, or make the other rows as wide."},
    {"row-no-cells", Severity::error, "No cell begins in a row",
     "A row has no cell of its own: it is empty, or all its slots are covered by cells from the "
     "rows above.",
     "Remove the empty row, or lower the rowspan of the cells above it."},
    {"column-no-cells", Severity::error, "No cell begins in a column",
     "The table has columns in which no cell begins, made by a col or colgroup span or by a "
     "colspan reaching past every other cell.",
     "Lower the span that made the columns, or give them cells."},
    {"cell-overlap", Severity::error, "Cells overlap",
     "A cell covers a slot that a cell from a row above covers already, so browsers draw one "
     "over the other.",
     "Lower the rowspan of the cell above, or the colspan of this cell."},
    {"rowspan-clipped", Severity::error, "A rowspan runs past its row group",
     "A cell's rowspan reaches past the end of its row group (thead, tbody or tfoot), where "
     "browsers cut it short.",
     "Lower the rowspan to the rows left in the group."},
    {"headers-unknown", Severity::error, "headers names no th of the table",
     "A cell's headers attribute names an id that no th of the same table has.",
     "Give the header cell that id, or correct the headers attribute."},
    {"table", Severity::note, "A table and its size",
     "Every table of the page, with its number, class, rows, columns and row groups.",
     "Nothing to do: this note describes the table."},
    {"headers-limit", Severity::note, "The headers check was cut short",
     "A table has more ids and headers attributes than the check keeps, so its headers check "
     "was left out.",
     "Nothing to do, or check the table's headers by other means."},
};
const std::size_t kKindCount = sizeof kKinds / sizeof kKinds[0];

namespace {

const char* const kSeverityWords[] = {"error", "warning", "note"};
const char* const kActionsWords[] = {"error", "warning", "notice"};
const char* const kColors[] = {"\033[01;31m", "\033[01;35m", "\033[01;36m"};

std::size_t kindIndex(std::string_view kind)
{
    for (std::size_t i = 0; i < kKindCount; ++i) {
        if (kind == kKinds[i].id)
            return i;
    }
    return 0;
}

void appendSarifStart(std::string& out, const std::string& version)
{
    out +=
        "{\"$schema\":\"https://json.schemastore.org/sarif-2.1.0.json\",\"version\":\"2.1.0\","
        "\"runs\":[{\"tool\":{\"driver\":{\"name\":\"zelko\",\"version\":";
    appendJsonString(out, version);
    out += ",\"rules\":[";
    for (std::size_t i = 0; i < kKindCount; ++i) {
        const KindInfo& kind = kKinds[i];
        out += i == 0 ? "\n" : ",\n";
        out += "{\"id\":";
        appendJsonString(out, kind.id);
        out += ",\"shortDescription\":{\"text\":";
        appendJsonString(out, kind.shortText);
        out += "},\"fullDescription\":{\"text\":";
        appendJsonString(out, kind.fullText);
        out += "},\"help\":{\"text\":";
        appendJsonString(out, kind.help);
        out += "},\"defaultConfiguration\":{\"level\":\"";
        out += kSeverityWords[static_cast<int>(kind.level)];
        out += "\"}}";
    }
    out += "]}},\"results\":[";
}

}  // namespace

RunReport::RunReport(ReportStyle style, std::string version, Writer write)
    : style_(style), version_(std::move(version)), write_(std::move(write))
{}

void RunReport::add(const std::string& page, Location where, Severity severity, std::string_view message,
                    std::string_view kind)
{
    if (severity == Severity::error)
        ++totals_.errors;
    else if (severity == Severity::warning)
        ++totals_.warnings;
    else if (!style_.notes)
        return;
    const int level = static_cast<int>(severity);
    std::string& out = out_;
    switch (style_.format) {
    case Format::gnu:
        out += page;
        out += ':';
        appendNumber(out, where.line);
        out += ':';
        appendNumber(out, where.column);
        out += ": ";
        if (style_.color)
            out += kColors[level];
        out += kSeverityWords[level];
        if (style_.color)
            out += "\033[m";
        out += ": ";
        out += message;
        out += " [";
        out += kind;
        out += "]\n";
        break;
    case Format::json:
        out += "{\"page\":";
        out += page;
        out += ",\"line\":";
        appendNumber(out, where.line);
        out += ",\"column\":";
        appendNumber(out, where.column);
        out += ",\"severity\":\"";
        out += kSeverityWords[level];
        out += "\",\"kind\":\"";
        out += kind;
        out += "\",\"message\":";
        appendJsonString(out, message);
        out += "}\n";
        break;
    case Format::sarif:
        if (!started_) {
            appendSarifStart(out, version_);
            started_ = true;
        }
        out += firstResult_ ? "\n" : ",\n";
        firstResult_ = false;
        out += "{\"ruleId\":\"";
        out += kind;
        out += "\",\"ruleIndex\":";
        appendNumber(out, kindIndex(kind));
        out += ",\"level\":\"";
        out += kSeverityWords[level];
        out += "\",\"message\":{\"text\":";
        appendJsonString(out, message);
        out += "},\"locations\":[{\"physicalLocation\":{\"artifactLocation\":{\"uri\":";
        out += page;
        out += "},\"region\":{\"startLine\":";
        appendNumber(out, where.line);
        out += ",\"startColumn\":";
        appendNumber(out, where.column);
        out += "}}}]}";
        break;
    case Format::github:
        out += "::";
        out += kActionsWords[level];
        out += " file=";
        out += page;
        out += ",line=";
        appendNumber(out, where.line);
        out += ",col=";
        appendNumber(out, where.column);
        out += ",title=";
        appendActionsEscaped(out, kind, true);
        out += "::";
        appendActionsEscaped(out, message, false);
        out += '\n';
        break;
    }
    if (out.size() >= 64 * 1024)
        flush();
}

void RunReport::finish()
{
    if (style_.format == Format::sarif) {
        if (!started_)
            appendSarifStart(out_, version_);
        started_ = true;
        out_ += "\n]}]}\n";
    }
    flush();
}

void RunReport::flush()
{
    if (!out_.empty())
        write_(out_);
    out_.clear();
}

Report::Report(RunReport& run, const std::string& page) : run_(&run)
{
    switch (run.style().format) {
    case Format::gnu:
        page_ = page;
        break;
    case Format::json:
        appendJsonString(page_, page);
        break;
    case Format::sarif: {
        std::string uri;
        appendUriReference(uri, page);
        appendJsonString(page_, uri);
        break;
    }
    case Format::github:
        appendActionsEscaped(page_, page, true);
        break;
    }
}

Report::Report(const std::string& page, RunReport::Writer write)
    : own_(new RunReport(ReportStyle{}, "", std::move(write))), run_(own_.get()), page_(page)
{}

void Report::add(const html::Finding& finding)
{
    run_->add(page_, finding.where, finding.severity, finding.message, finding.kind);
}

void Report::pageEnded() { ++run_->totals_.pages; }

void Report::tableEnded() { ++run_->totals_.tables; }

std::string summaryLine(const Totals& totals)
{
    std::string line = "zelko: ";
    appendCounted(line, totals.pages, "page");
    line += ", ";
    appendCounted(line, totals.tables, "table");
    line += ", ";
    appendCounted(line, totals.errors, "error");
    line += ", ";
    appendCounted(line, totals.warnings, "warning");
    return line;
}

void appendJsonString(std::string& out, std::string_view text)
{
    static const char digits[] = "0123456789abcdef";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    out += '"';
    for (std::size_t i = 0; i < n;) {
        // Most of a message needs no escape: it is copied a run at a time.
        std::size_t run = i;
        while (run < n && p[run] >= 0x20 && p[run] < 0x7F && p[run] != '"' && p[run] != '\\')
            ++run;
        out.append(text.data() + i, run - i);
        if ((i = run) == n)
            break;
        unsigned char c = p[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += digits[c >> 4];
            out += digits[c & 15];
        } else if (c >= 0x80) {
            std::size_t length = utf8Length(p + i, n - i);
            if (length == 0) {
                out += "\\ufffd";
                ++i;
                continue;
            }
            out.append(text.data() + i, length);
            i += length;
            continue;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
}

void appendUriReference(std::string& out, std::string_view name)
{
    static const char digits[] = "0123456789ABCDEF";
    for (char ch : name) {
        unsigned char c = static_cast<unsigned char>(ch);
#ifdef _WIN32
        if (c == '\\')
            c = '/';
#endif
        bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (unreserved) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
}

void appendActionsEscaped(std::string& out, std::string_view text, bool property)
{
    std::size_t plain = 0;
    for (; plain < text.size(); ++plain) {
        char c = text[plain];
        if (c == '%' || c == '\r' || c == '\n' || (property && (c == ':' || c == ',')))
            break;
    }
    out += text.substr(0, plain);
    for (char c : text.substr(plain)) {
        switch (c) {
        case '%':
            out += "%25";
            break;
        case '\r':
            out += "%0D";
            break;
        case '\n':
            out += "%0A";
            break;
        case ':':
            property ? out += "%3A" : out += c;
            break;
        case ',':
            property ? out += "%2C" : out += c;
            break;
        default:
            out += c;
        }
    }
}

}  // namespace zelko::check
