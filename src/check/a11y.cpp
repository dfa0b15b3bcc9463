#include "check/a11y.h"

#include <algorithm>

namespace zelko::check {

using heads::CellRecord;
using heads::Verdict;
using html::Kind;

A11yCheck::A11yCheck(html::FindingSink& report) : report_(report), open_(new Batch) {}

A11yCheck::~A11yCheck() = default;

void A11yCheck::hold(Batch& batch, const html::Finding& finding)
{
    batch.held.push_back({finding, batch.lists.size(), batch.ends.size()});
    batch.lists.insert(batch.lists.end(), finding.list, finding.list + finding.listSize);
    for (std::size_t i = 0; i < finding.textCount; ++i) {
        batch.texts += finding.texts[i];
        batch.ends.push_back(batch.texts.size());
    }
}

void A11yCheck::release(Batch& batch, std::string_view chromium)
{
    for (const Batch::Held& held : batch.held) {
        html::Finding f = held.finding;
        f.list = f.listSize > 0 ? &batch.lists[held.list] : nullptr;
        batch.views.clear();
        for (std::size_t i = held.text; i < held.text + f.textCount; ++i) {
            const std::size_t start = i == 0 ? 0 : batch.ends[i - 1];
            batch.views.emplace_back(batch.texts.data() + start, batch.ends[i] - start);
        }
        f.texts = batch.views.data();
        if (f.kind == Kind::table)
            f.chromium = chromium;
        report_.add(f);
    }
    batch.held.clear();
    batch.lists.clear();
    batch.texts.clear();
    batch.ends.clear();
}

void A11yCheck::add(const html::Finding& finding)
{
    if (finding.kind == Kind::table)
        noteSeen_ = true;
    // Nothing waits for the headers reader: what was held while something did goes on first.
    if (!noteSeen_ && waiting_.load(std::memory_order_acquire) == 0) {
        if (!open_->held.empty())
            release(*open_, {});
        report_.add(finding);
        return;
    }
    hold(*open_, finding);
}

// The table's note and the findings held with it wait, as a batch, for who heads its cells.
void A11yCheck::tableEnded()
{
    noteSeen_ = false;
    std::lock_guard<std::mutex> guard(lock_);
    ended_.push_back(std::move(open_));
    if (spares_.empty()) {
        open_.reset(new Batch);
    } else {
        open_ = std::move(spares_.back());
        spares_.pop_back();
    }
    waiting_.fetch_add(1, std::memory_order_relaxed);
}

void A11yCheck::tableEnded(heads::TableHeads& table)
{
    std::unique_ptr<Batch> batch;
    {
        std::lock_guard<std::mutex> guard(lock_);
        batch = std::move(ended_.front());
        ended_.pop_front();
    }
    const heads::Judgement judgement = table.judgement();
    release(*batch, heads::verdictWords(judgement));
    for (std::uint64_t i = 0; i < table.cellCount(); ++i) {
        const CellRecord c = table.cell(i);
        if (c.inModel)
            cellFindings(table, c, table.headsSome(i), judgement.verdict);
    }
    report_.tableEnded();
    {
        std::lock_guard<std::mutex> guard(lock_);
        spares_.push_back(std::move(batch));
    }
    waiting_.fetch_sub(1, std::memory_order_release);
}

void A11yCheck::finish() { release(*open_, {}); }

void A11yCheck::report(Kind kind, Severity severity, const CellRecord& c, std::uint64_t table)
{
    finding_.kind = kind;
    finding_.severity = severity;
    finding_.where = c.where;
    finding_.target = {html::Target::Kind::cell, table, c.checkRow, c.checkColumn};
    report_.add(finding_);
    finding_ = html::Finding{};
}

// A cell's findings, in the order of the catalogue.
void A11yCheck::cellFindings(heads::TableHeads& table, const CellRecord& c, bool headsSome, Verdict verdict)
{
    const std::uint64_t number = table.facts().number;
    const auto texts = [this](std::size_t count) {
        for (std::size_t k = 0; k < count; ++k)
            views_[k] = texts_[k];
        finding_.texts = views_;
        finding_.textCount = count;
    };
    if (c.th && !headsSome && verdict != Verdict::layout) {
        texts_[0] = table.name(c);
        texts(1);
        report(Kind::thNoCells, Severity::warning, c, number);
    }
    table.headers(c, headers_);
    const bool dataCell = !c.th && !c.empty && verdict == Verdict::data;
    if (dataCell && headers_.empty() && table.rows() >= 3 && table.columns() >= 3) {
        finding_.numbers[0] = table.rows();
        finding_.numbers[1] = table.columns();
        report(Kind::cellNoHeaders, Severity::warning, c, number);
    }
    if (c.namesSelf || c.tdIdsLength > 0) {
        finding_.numbers[0] = c.namesSelf ? 1 : 0;
        texts_[0] = table.tdIds(c);
        // The ids as texts of their own: split where the reader joined them.
        std::vector<std::string_view> ids;
        std::string_view all = texts_[0];
        while (!all.empty()) {
            const std::size_t space = all.find(' ');
            ids.push_back(all.substr(0, space));
            all = space == std::string_view::npos ? std::string_view() : all.substr(space + 1);
        }
        finding_.texts = ids.data();
        finding_.textCount = ids.size();
        report(Kind::headersNotTh, Severity::error, c, number);
    }
    if (c.scopeLength > 0 || c.scope == heads::Scope::invalid) {
        finding_.numbers[0] = c.th ? 0 : 1;
        texts_[0] = table.scope(c);
        texts(1);
        report(Kind::scopeInvalid, c.th ? Severity::error : Severity::warning, c, number);
    }
    if (dataCell && c.role == heads::Role::cell) {
        table.columnHeaders(c, columns_);
        table.rowHeaders(c, rows_);
        if (!heads::sameHeaders(headers_, columns_, rows_)) {
            texts_[0].clear();
            heads::appendHeaderNames(texts_[0], table, headers_);
            columns_.insert(columns_.end(), rows_.begin(), rows_.end());
            std::sort(columns_.begin(), columns_.end(),
                      [](const heads::HeaderRef& a, const heads::HeaderRef& b) {
                          return a.y != b.y ? a.y < b.y : a.x < b.x;
                      });
            columns_.erase(std::unique(columns_.begin(), columns_.end(),
                                       [](const heads::HeaderRef& a, const heads::HeaderRef& b) {
                                           return a.cell == b.cell;
                                       }),
                           columns_.end());
            texts_[1].clear();
            heads::appendHeaderNames(texts_[1], table, columns_);
            texts(2);
            report(Kind::headersDiffer, Severity::warning, c, number);
        }
    }
}

}  // namespace zelko::check
