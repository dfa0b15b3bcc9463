// The check mode's report, in the form the user picked:
//   gnu     PAGE:LINE:COLUMN: SEVERITY: MESSAGE [KIND], as compilers write it
//   json    one JSON object per finding and line
//   sarif   one SARIF 2.1.0 log for the whole run
//   github  GitHub Actions workflow commands (::error file=...::MESSAGE)
// A run's report is written as it is found and handed on in batches of some 64 KiB, so that a
// report of any length takes little memory.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "html/findings.h"

namespace zelko::check {

using html::appendCounted;
using html::appendNumber;
using html::appendQuoted;
using html::Location;
using html::Severity;
enum class Format : std::uint8_t { gnu, json, sarif, github };

struct ReportStyle {
    Format format = Format::gnu;
    bool color = false;  // the gnu form's severity words in colour, for a terminal
    bool notes = true;   // false leaves the notes out
};

// What a run found, over all its pages.
struct Totals {
    std::uint64_t pages = 0, tables = 0, errors = 0, warnings = 0;
};

// The report of a whole run, over any number of pages.
class RunReport {
public:
    using Writer = std::function<void(const std::string&)>;
    // `version` is the tool's, for the SARIF log's tool record.
    RunReport(ReportStyle style, std::string version, Writer write);
    ~RunReport() { flush(); }
    RunReport(const RunReport&) = delete;
    RunReport& operator=(const RunReport&) = delete;

    // Ends the report (the SARIF log is closed) and hands on the rest. Call it once, last.
    void finish();
    // Hands on the lines not yet handed on.
    void flush();
    const Totals& totals() const { return totals_; }
    const ReportStyle& style() const { return style_; }

private:
    friend class Report;
    void add(const std::string& page, Location where, Severity severity, std::string_view message,
             std::string_view kind);

    ReportStyle style_;
    std::string version_;
    Writer write_;
    std::string out_;
    bool started_ = false, firstResult_ = true;
    Totals totals_;
};

// One page's part of a run's report.
class Report : public html::FindingSink {
public:
    // `page` is the page as the user named it.
    Report(RunReport& run, const std::string& page);
    // A page of its own, reported in the gnu form.
    Report(const std::string& page, RunReport::Writer write);
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    void add(const html::Finding& finding) override;
    void tableEnded() override;
    void pageEnded();  // the page was read to its end
    void flush() { run_->flush(); }

private:
    std::unique_ptr<RunReport> own_;  // for a page of its own
    RunReport* run_;
    std::string page_;  // the page's name as the report's form writes it
};

// The kinds of finding, with the texts that describe them in a SARIF log.
struct KindInfo {
    const char* id;
    Severity level;  // the usual severity; some findings of a kind may have another
    const char* shortText;
    const char* fullText;
    const char* help;
};
extern const KindInfo kKinds[];
extern const std::size_t kKindCount;

// The run's summary: "zelko: 2 pages, 1 table, 0 errors, 3 warnings".
std::string summaryLine(const Totals& totals);

// Appends `text` as a JSON string; bytes that are no UTF-8 are written as U+FFFD.
void appendJsonString(std::string& out, std::string_view text);
// Appends `name` as a relative URI reference: every byte but the unreserved ones and '/' is
// percent-encoded (on Windows '\' is a '/' first).
void appendUriReference(std::string& out, std::string_view name);
// Appends `text` escaped as GitHub Actions escapes a workflow command's message (`property`
// false) or a property value (`property` true).
void appendActionsEscaped(std::string& out, std::string_view text, bool property);

}  // namespace zelko::check
