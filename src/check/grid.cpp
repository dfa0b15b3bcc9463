#include "check/grid.h"

#include <algorithm>

namespace zelko::check {

namespace {

// colspan and span: no number or zero is 1, at most 1000.
std::uint32_t spanOf(bool present, const std::string& value)
{
    long n = present ? parseNonNegative(value, 1000) : -1;
    return n <= 0 ? 1 : static_cast<std::uint32_t>(n);
}

std::string place(std::uint64_t row, std::uint64_t column)
{
    return "row " + std::to_string(row) + ", column " + std::to_string(column);
}

std::string at(Location where)
{
    return "line " + std::to_string(where.line) + ", column " + std::to_string(where.column);
}

// "a", "a and b", "a, b and c".
std::string listed(const std::vector<std::string>& items)
{
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += i + 1 == items.size() ? " and " : ", ";
        out += items[i];
    }
    return out;
}

bool isWhite(char c) { return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

std::vector<std::string> tokens(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isWhite(text[i]))
            ++i;
        std::size_t start = i;
        while (i < text.size() && !isWhite(text[i]))
            ++i;
        if (i > start)
            out.push_back(text.substr(start, i - start));
    }
    return out;
}

}  // namespace

Grid::Grid(Report& report, std::uint64_t number, const Token& table)
    : report_(report), number_(number), where_(table.where), hasClass_(table.hasClass),
      class_(table.className)
{
}

void Grid::widen(std::uint32_t width, Location where)
{
    if (width <= width_)
        return;
    establishers_.push_back({width_, where});
    width_ = width;
    coverEnd_.resize(width, 0);
    begun_.resize(width, 0);
}

void Grid::columnGroup(const Token& colgroup)
{
    inColumnGroup_ = true;
    groupHasColumns_ = false;
    colgroup_.where = colgroup.where;
    colgroup_.hasSpan = colgroup.hasSpan;
    colgroup_.span = colgroup.span;
}

void Grid::column(const Token& col)
{
    groupHasColumns_ = true;
    if (rowGroupSeen_)
        return;
    std::uint32_t span = spanOf(col.hasSpan, col.span);
    std::uint32_t width = std::min<std::uint64_t>(std::uint64_t{width_} + span, kMaxColumns);
    clipped_ = clipped_ || width < width_ + span;
    widen(width, col.where);
    elementColumns_ = width_;
}

void Grid::endColumnGroup()
{
    if (inColumnGroup_ && !groupHasColumns_ && !rowGroupSeen_) {
        // A column group without columns stands for as many as its own span says.
        std::uint32_t span = spanOf(colgroup_.hasSpan, colgroup_.span);
        std::uint32_t width = std::min<std::uint64_t>(std::uint64_t{width_} + span, kMaxColumns);
        clipped_ = clipped_ || width < width_ + span;
        widen(width, colgroup_.where);
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

void Grid::cell(const Token& cell)
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
    if (x >= kMaxColumns) {
        clipped_ = true;
        x_ = x;
        return;
    }
    if (x + colspan > kMaxColumns) {
        colspan = kMaxColumns - x;
        clipped_ = true;
    }
    widen(x + colspan, cell.where);

    bool overlaps = false;
    for (std::uint32_t i = x; i < x + colspan && !overlaps; ++i)
        overlaps = coverEnd_[i] > y;
    if (overlaps) {
        std::vector<std::string> earlier;
        for (const Spanning& s : spanning_) {
            if (s.row < y && s.endRow > y && s.x < x + colspan && x < s.x + s.colspan)
                earlier.push_back(place(s.row + 1, s.x + 1) + " (" + at(s.where) + ")");
        }
        report_.add(cell.where, Severity::error,
                    "cell at " + place(y + 1, x + 1) + " overlaps the " +
                        (earlier.size() == 1 ? "cell at " : "cells at ") + listed(earlier),
                    "cell-overlap");
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
        return;
    if (cell.tag == Tag::th && cell.hasId && !cell.id.empty()) {
        keepHeaders(cell.id.size() + 32);
        if (!headersCut_)
            thIds_.insert(cell.id);
    }
    if (cell.hasHeaders) {
        keepHeaders(cell.headers.size() + 48);
        if (!headersCut_)
            references_.push_back({cell.where, cell.headers});
    }
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
    std::uint32_t width = rowEnd_;
    for (const Spanning& s : spanning_) {
        if (s.endRow > y)
            width = std::max(width, s.x + s.colspan);
    }
    if (!countKnown_) {
        count_ = width;
        countKnown_ = true;
    } else if (width != count_) {
        std::string message = "row " + std::to_string(y + 1) + " has " + counted(width, "column") +
                              (width < count_ ? ", fewer than the " : ", more than the ") +
                              std::to_string(count_) + " that the " +
                              (countFromElements_ ? "column elements set" : "first row sets");
        report_.add(where, countFromElements_ ? Severity::error : Severity::warning, message,
                    width < count_ ? "row-short" : "row-long");
    }
    if (!rowHasCell_)
        report_.add(where, Severity::error, "no cell begins in row " + std::to_string(y + 1),
                    "row-no-cells");
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
        std::uint64_t kept = rows_ - s.row;
        report_.add(s.where, Severity::error,
                    "cell at " + place(s.row + 1, s.x + 1) + " has rowspan " +
                        std::to_string(s.rowspan) + ", but its row group ends after row " +
                        std::to_string(rows_) + ": it spans " + counted(kept, "row"),
                    "rowspan-clipped");
    }
    spanning_.clear();
    std::fill(coverEnd_.begin(), coverEnd_.end(), 0);
}

void Grid::endTable()
{
    std::string message = "table " + std::to_string(number_) + " (" +
                          (hasClass_ ? "class " + quoted(class_) : std::string("no class")) + "): " +
                          counted(rows_, "row") + " x " + counted(width_, "column") + ", " +
                          counted(groups_, "row group");
    if (clipped_)
        message += "; checked over its first " + std::to_string(kMaxColumns) + " columns";
    report_.add(where_, Severity::note, message, "table");
    if (headersCut_)
        report_.add(where_, Severity::note,
                    "the headers check of table " + std::to_string(number_) +
                        " was cut short: it keeps at most " + std::to_string(kHeadersBudget) +
                        " bytes of ids and headers",
                    "headers-limit");

    for (std::size_t i = 0; i < establishers_.size(); ++i) {
        std::uint32_t first = establishers_[i].first;
        std::uint32_t last = i + 1 < establishers_.size() ? establishers_[i + 1].first : width_;
        std::vector<std::string> ranges;
        std::uint64_t empty = 0;
        for (std::uint32_t x = first; x < last; ++x) {
            if (begun_[x])
                continue;
            std::uint32_t run = x;
            while (run + 1 < last && !begun_[run + 1])
                ++run;
            ranges.push_back(run == x ? std::to_string(x + 1)
                                      : std::to_string(x + 1) + "-" + std::to_string(run + 1));
            empty += run - x + 1;
            x = run;
        }
        if (ranges.empty())
            continue;
        std::string list;
        for (std::size_t k = 0; k < ranges.size(); ++k)
            list += (k > 0 ? ", " : "") + ranges[k];
        report_.add(establishers_[i].where, Severity::error,
                    std::string("no cell begins in ") + (empty == 1 ? "column " : "columns ") + list,
                    "column-no-cells");
    }

    for (const Reference& r : references_) {
        std::vector<std::string> unknown;
        for (const std::string& id : tokens(r.headers)) {
            std::string shown = quoted(id);
            if (thIds_.count(id) == 0 && std::find(unknown.begin(), unknown.end(), shown) == unknown.end())
                unknown.push_back(shown);
        }
        if (!unknown.empty())
            report_.add(r.where, Severity::error,
                        "headers names " + listed(unknown) + ", which no th of this table has as its id",
                        "headers-unknown");
    }
}

}  // namespace zelko::check
