#include "check/report.h"

#include "text/append.h"

namespace zelko::check {

std::unique_ptr<ReportForm> makeForm(Format format, bool color, const std::string& version, bool a11y)
{
    switch (format) {
    case Format::json:
        return jsonForm();
    case Format::sarif:
        return sarifForm(version, a11y);
    case Format::github:
        return githubForm();
    case Format::gnu:
        break;
    }
    return gnuForm(color);
}

RunReport::RunReport(ReportStyle style, const std::string& version, Writer write)
    : style_(style), form_(makeForm(style.format, style.color, version, style.a11y)), write_(std::move(write))
{}

void RunReport::begin()
{
    if (!started_)
        form_->head(out_);
    started_ = true;
}

void RunReport::add(const std::string& page, const html::Finding& finding)
{
    if (finding.severity == Severity::error)
        ++totals_.errors;
    else if (finding.severity == Severity::warning)
        ++totals_.warnings;
    else if (!style_.notes)
        return;
    begin();
    form_->line(out_, page, finding);
    if (out_.size() >= 64 * 1024)
        flush();
}

void RunReport::finish()
{
    begin();
    form_->tail(out_);
    flush();
}

void RunReport::flush()
{
    if (!out_.empty())
        write_(out_);
    out_.clear();
}

Report::Report(RunReport& run, const std::string& page) : run_(&run), page_(run.form_->pageName(page)) {}

Report::Report(const std::string& page, RunReport::Writer write)
    : own_(new RunReport(ReportStyle{}, "", std::move(write))), run_(own_.get()), page_(page)
{}

void Report::add(const html::Finding& finding) { run_->add(page_, finding); }

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

}  // namespace zelko::check
