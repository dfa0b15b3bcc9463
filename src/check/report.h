// The check mode's report of a whole run, in the form the user picked (form.h). It is written
// as it is found and handed on in batches of some 64 KiB, so that a report of any length takes
// little memory.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "check/form.h"
#include "html/findings.h"

namespace zelko::check {

struct ReportStyle {
    Format format = Format::gnu;
    bool color = false;  // the gnu form's severity words in colour, for a terminal
    bool notes = true;   // false leaves the notes out
    bool a11y = false;   // who heads each cell is checked too (--a11y)
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
    RunReport(ReportStyle style, const std::string& version, Writer write);
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
    void add(const std::string& page, const html::Finding& finding);
    void begin();

    ReportStyle style_;
    std::unique_ptr<ReportForm> form_;
    Writer write_;
    std::string out_;
    bool started_ = false;
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

// The run's summary: "zelko: 2 pages, 1 table, 0 errors, 3 warnings".
std::string summaryLine(const Totals& totals);

}  // namespace zelko::check
