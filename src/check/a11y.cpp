#include "check/a11y.h"

#include <algorithm>

namespace zelko::check {

using heads::CellRecord;
using heads::Verdict;
using html::Kind;

void A11yCheck::add(const html::Finding& finding)
{
    if (finding.kind == Kind::table)
        holding_ = true;
    if (!holding_) {
        report_.add(finding);
        return;
    }
    held_.push_back({finding, heldLists_.size(), heldEnds_.size()});
    heldLists_.insert(heldLists_.end(), finding.list, finding.list + finding.listSize);
    for (std::size_t i = 0; i < finding.textCount; ++i) {
        heldTexts_ += finding.texts[i];
        heldEnds_.push_back(heldTexts_.size());
    }
}

void A11yCheck::tableEnded()
{
    if (holding_)
        endHeld_ = true;
    else
        report_.tableEnded();
}

// The held findings go on, the table's note with Chromium's verdict.
void A11yCheck::release(std::string_view chromium)
{
    std::vector<std::string_view>& views = heldViews_;
    for (const Held& held : held_) {
        html::Finding f = held.finding;
        f.list = f.listSize > 0 ? &heldLists_[held.list] : nullptr;
        views.clear();
        for (std::size_t i = held.text; i < held.text + f.textCount; ++i) {
            const std::size_t start = i == 0 ? 0 : heldEnds_[i - 1];
            views.emplace_back(heldTexts_.data() + start, heldEnds_[i] - start);
        }
        f.texts = views.data();
        if (f.kind == Kind::table)
            f.chromium = chromium;
        report_.add(f);
    }
    held_.clear();
    heldLists_.clear();
    heldTexts_.clear();
    heldEnds_.clear();
    holding_ = false;
}

void A11yCheck::tableEnded(heads::TableHeads& table)
{
    const heads::Judgement judgement = table.judgement();
    release(heads::verdictWords(judgement));
    for (std::uint64_t i = 0; i < table.cellCount(); ++i) {
        const CellRecord c = table.cell(i);
        if (c.inModel)
            cellFindings(table, c, table.headsSome(i), judgement.verdict);
    }
    if (endHeld_)
        report_.tableEnded();
    endHeld_ = false;
}

void A11yCheck::finish()
{
    release({});
    if (endHeld_)
        report_.tableEnded();
    endHeld_ = false;
}

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
