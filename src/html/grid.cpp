#include "html/grid.h"

#include <algorithm>

namespace zelko::html {

namespace {

// colspan and span: no number or zero is 1, at most 1000.
std::uint32_t spanOf(bool present, const std::string& value)
{
    long n = present ? parseNonNegative(value, 1000) : -1;
    return n <= 0 ? 1 : static_cast<std::uint32_t>(n);
}

void appendPlace(std::string& out, std::uint64_t row, std::uint64_t column)
{
    out += "row ";
    appendNumber(out, row);
    out += ", column ";
    appendNumber(out, column);
}

void appendAt(std::string& out, Location where)
{
    out += "line ";
    appendNumber(out, where.line);
    out += ", column ";
    appendNumber(out, where.column);
}

// The separator before item `i` of `count` in "a", "a and b", "a, b and c".
const char* separator(std::size_t i, std::size_t count)
{
    return i == 0 ? "" : i + 1 == count ? " and " : ", ";
}

std::vector<std::string_view> tokens(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isHtmlWhite(static_cast<unsigned char>(text[i])))
            ++i;
        std::size_t start = i;
        while (i < text.size() && !isHtmlWhite(static_cast<unsigned char>(text[i])))
            ++i;
        if (i > start)
            out.push_back(text.substr(start, i - start));
    }
    return out;
}

}  // namespace

Grid::Grid(FindingSink& findings) : findings_(findings) {}

void Grid::report(Location where, Severity severity, std::string_view message, const char* kind,
                  Target::Kind target, std::uint64_t row, std::uint32_t column)
{
    findings_.add(Finding{where, severity, message, kind, Target{target, number_, row, column}});
}

void Grid::reset(std::uint64_t number, const Token& table)
{
    number_ = number;
    where_ = table.where;
    hasClass_ = table.hasClass;
    if (hasClass_)
        class_ = table.className;
    width_ = 0;
    rowGroupSeen_ = inColumnGroup_ = groupHasColumns_ = false;
    elementColumns_ = 0;
    colgroupNumber_ = columnElements_ = 0;
    countKnown_ = countFromElements_ = false;
    count_ = 0;
    clipped_ = false;
    coverEnd_.clear();
    begun_.clear();
    establishers_.clear();
    spanning_.clear();
    rows_ = groups_ = 0;
    x_ = rowEnd_ = 0;
    rowHasCell_ = false;
    thIds_.clear();
    references_.clear();
    headersBytes_ = 0;
    headersCut_ = false;
}

void Grid::widen(std::uint32_t width, Location where, Target target)
{
    if (width <= width_)
        return;
    establishers_.push_back({width_, where, target});
    width_ = width;
    coverEnd_.resize(width, 0);
    begun_.resize(width, 0);
}

std::uint32_t Grid::columnGroup(const Token& colgroup, bool implied)
{
    inColumnGroup_ = true;
    groupHasColumns_ = false;
    colgroup_.where = colgroup.where;
    colgroup_.hasSpan = colgroup.hasSpan;
    if (colgroup.hasSpan)
        colgroup_.span = colgroup.span;
    if (!implied)
        colgroupNumber_ = columnElements_++;
    return spanOf(colgroup.hasSpan, colgroup.span);
}

std::uint32_t Grid::column(const Token& col)
{
    groupHasColumns_ = true;
    const std::uint32_t number = columnElements_++;
    std::uint32_t span = spanOf(col.hasSpan, col.span);
    if (rowGroupSeen_)
        return span;
    std::uint32_t width = std::min<std::uint64_t>(std::uint64_t{width_} + span, kMaxColumns);
    clipped_ = clipped_ || width < width_ + span;
    widen(width, col.where, Target{Target::Kind::column, number_, 0, number});
    elementColumns_ = width_;
    return span;
}

void Grid::endColumnGroup()
{
    if (inColumnGroup_ && !groupHasColumns_ && !rowGroupSeen_) {
        // A column group without columns stands for as many as its own span says.
        std::uint32_t span = spanOf(colgroup_.hasSpan, colgroup_.span);
        std::uint32_t width = std::min<std::uint64_t>(std::uint64_t{width_} + span, kMaxColumns);
        clipped_ = clipped_ || width < width_ + span;
        widen(width, colgroup_.where, Target{Target::Kind::column, number_, 0, colgroupNumber_});
        elementColumns_ = width_;
    }
    inColumnGroup_ = false;
}

void Grid::beginRowGroup()
{
    ++groups_;
    rowGroupSeen_ = true;
    if (!countKnown_ && elementColumns_ > 0) {
        count_ = elementColumns_;
        countKnown_ = countFromElements_ = true;
    }
}

void Grid::beginRow()
{
    x_ = 0;
    rowEnd_ = 0;
    rowHasCell_ = false;
}

CellPlace Grid::cell(const Token& cell)
{
    const std::uint64_t y = rows_;
    std::uint32_t colspan = spanOf(cell.hasColspan, cell.colspan);
    long rowspan = cell.hasRowspan ? parseNonNegative(cell.rowspan, 65534) : -1;
    if (rowspan < 0)
        rowspan = 1;
    bool growsDown = rowspan == 0;

    rowHasCell_ = true;
    std::uint32_t x = x_;
    while (x < width_ && coverEnd_[x] > y)
        ++x;
    CellPlace place{y, x, colspan, static_cast<std::uint32_t>(rowspan)};
    if (x >= kMaxColumns) {
        clipped_ = true;
        x_ = x;
        return place;
    }
    if (x + colspan > kMaxColumns) {
        colspan = kMaxColumns - x;
        clipped_ = true;
    }
    widen(x + colspan, cell.where, Target{Target::Kind::cell, number_, y, x});

    bool overlaps = false;
    for (std::uint32_t i = x; i < x + colspan && !overlaps; ++i)
        overlaps = coverEnd_[i] > y;
    if (overlaps) {
        auto isEarlier = [&](const Spanning& s) {
            return s.row < y && s.endRow > y && s.x < x + colspan && x < s.x + s.colspan;
        };
        std::size_t count = 0, i = 0;
        for (const Spanning& s : spanning_)
            count += isEarlier(s) ? 1 : 0;
        std::string& m = message_;
        m = "cell at ";
        appendPlace(m, y + 1, x + 1);
        m += count == 1 ? " overlaps the cell at " : " overlaps the cells at ";
        for (const Spanning& s : spanning_) {
            if (!isEarlier(s))
                continue;
            m += separator(i++, count);
            appendPlace(m, s.row + 1, s.x + 1);
            m += " (";
            appendAt(m, s.where);
            m += ')';
        }
        report(cell.where, Severity::error, m, "cell-overlap", Target::Kind::cell, y, x);
    }

    std::uint64_t end = growsDown ? UINT64_MAX : y + static_cast<std::uint64_t>(rowspan);
    for (std::uint32_t i = x; i < x + colspan; ++i)
        coverEnd_[i] = std::max(coverEnd_[i], end);
    if (rowspan != 1)
        spanning_.push_back({x, colspan, y, end, rowspan, growsDown, cell.where});
    begun_[x] = 1;
    rowEnd_ = std::max(rowEnd_, x + colspan);
    x_ = x + colspan;

    if (headersCut_)
        return place;
    if (cell.tag == Tag::th && cell.hasId && !cell.id.empty()) {
        keepHeaders(cell.id.size() + 32);
        if (!headersCut_)
            thIds_.insert(cell.id);
    }
    if (cell.hasHeaders) {
        keepHeaders(cell.headers.size() + 48);
        if (!headersCut_)
            references_.push_back({cell.where, cell.headers, y, x});
    }
    return place;
}

void Grid::keepHeaders(std::size_t bytes)
{
    headersBytes_ += bytes;
    if (headersBytes_ > kHeadersBudget) {
        headersCut_ = true;
        thIds_.clear();
        references_.clear();
        references_.shrink_to_fit();
    }
}

void Grid::endRow(Location where)
{
    const std::uint64_t y = rows_;
    // The row ends just past its last cell, and on over the slots that cells from the rows
    // above cover next to it, as a next cell would be moved on; a slot that nothing covers
    // ends it, whatever lies further right.
    std::uint32_t width = rowEnd_;
    while (width < width_ && coverEnd_[width] > y)
        ++width;
    if (!countKnown_) {
        count_ = width;
        countKnown_ = true;
    } else if (width != count_) {
        std::string& m = message_;
        m = "row ";
        appendNumber(m, y + 1);
        m += " has ";
        appendCounted(m, width, "column");
        m += width < count_ ? ", fewer than the " : ", more than the ";
        appendNumber(m, count_);
        m += countFromElements_ ? " that the column elements set" : " that the first row sets";
        report(where, countFromElements_ ? Severity::error : Severity::warning, m,
               width < count_ ? "row-short" : "row-long", Target::Kind::row, y);
    }
    if (!rowHasCell_) {
        message_ = "no cell begins in row ";
        appendNumber(message_, y + 1);
        report(where, Severity::error, message_, "row-no-cells", Target::Kind::row, y);
    }
    rows_ = y + 1;
    spanning_.erase(std::remove_if(spanning_.begin(), spanning_.end(),
                                   [this](const Spanning& s) { return s.endRow <= rows_; }),
                    spanning_.end());
}

void Grid::endRowGroup(Location)
{
    for (const Spanning& s : spanning_) {
        if (s.growsDown || s.endRow <= rows_)
            continue;
        std::string& m = message_;
        m = "cell at ";
        appendPlace(m, s.row + 1, s.x + 1);
        m += " has rowspan ";
        appendNumber(m, static_cast<std::uint64_t>(s.rowspan));
        m += ", but its row group ends after row ";
        appendNumber(m, rows_);
        m += ": it spans ";
        appendCounted(m, rows_ - s.row, "row");
        report(s.where, Severity::error, m, "rowspan-clipped", Target::Kind::cell, s.row, s.x);
    }
    spanning_.clear();
    std::fill(coverEnd_.begin(), coverEnd_.end(), 0);
}

void Grid::endTable()
{
    std::string& m = message_;
    m = "table ";
    appendNumber(m, number_);
    if (hasClass_) {
        m += " (class ";
        appendQuoted(m, class_);
        m += "): ";
    } else {
        m += " (no class): ";
    }
    appendCounted(m, rows_, "row");
    m += " x ";
    appendCounted(m, width_, "column");
    m += ", ";
    appendCounted(m, groups_, "row group");
    if (clipped_) {
        m += "; checked over its first ";
        appendNumber(m, kMaxColumns);
        m += " columns";
    }
    report(where_, Severity::note, m, "table", Target::Kind::table);
    if (headersCut_) {
        m = "the headers check of table ";
        appendNumber(m, number_);
        m += " was cut short: it keeps at most ";
        appendNumber(m, kHeadersBudget);
        m += " bytes of ids and headers";
        report(where_, Severity::note, m, "headers-limit", Target::Kind::table);
    }

    for (std::size_t i = 0; i < establishers_.size(); ++i) {
        std::uint32_t first = establishers_[i].first;
        std::uint32_t last = i + 1 < establishers_.size() ? establishers_[i + 1].first : width_;
        std::size_t runs = 0;
        std::uint64_t empty = 0;
        std::string list;
        for (std::uint32_t x = first; x < last; ++x) {
            if (begun_[x])
                continue;
            std::uint32_t run = x;
            while (run + 1 < last && !begun_[run + 1])
                ++run;
            list += runs++ > 0 ? ", " : "";
            appendNumber(list, x + 1);
            if (run > x) {
                list += '-';
                appendNumber(list, run + 1);
            }
            empty += run - x + 1;
            x = run;
        }
        if (runs == 0)
            continue;
        m = empty == 1 ? "no cell begins in column " : "no cell begins in columns ";
        m += list;
        findings_.add(
            Finding{establishers_[i].where, Severity::error, m, "column-no-cells", establishers_[i].target});
    }

    for (const Reference& r : references_) {
        std::vector<std::string_view> unknown;
        for (std::string_view id : tokens(r.headers)) {
            if (thIds_.count(std::string(id)) == 0 &&
                std::find(unknown.begin(), unknown.end(), id) == unknown.end())
                unknown.push_back(id);
        }
        if (unknown.empty())
            continue;
        m = "headers names ";
        for (std::size_t i = 0; i < unknown.size(); ++i) {
            m += separator(i, unknown.size());
            appendQuoted(m, unknown[i]);
        }
        m += ", which no th of this table has as its id";
        report(r.where, Severity::error, m, "headers-unknown", Target::Kind::cell, r.row, r.column);
    }
    findings_.tableEnded();
}

}  // namespace zelko::html
