#include "html/grid.h"

#include <algorithm>

#include "html/numbers.h"
#include "text/bytes.h"

namespace zelko::html {

const AttributeWish kGridAttributes[GridAttribute::count] = {
    {tagsOf({Tag::td, Tag::th}), "colspan", ValueKind::number},
    {tagsOf({Tag::td, Tag::th}), "rowspan", ValueKind::number},
    {tagsOf({Tag::col, Tag::colgroup}), "span", ValueKind::number},
    {tagsOf({Tag::td, Tag::th}), "headers", ValueKind::text},
    {tagsOf({Tag::th}), "id", ValueKind::text},
    {tagsOf({Tag::table}), "class", ValueKind::text},
};

namespace {

// colspan and span: no number or zero is 1, at most 1000.
std::uint32_t spanOf(const Token& token, Slot slot)
{
    long n = token.has(slot) ? parseNonNegative(token.value(slot), 1000) : -1;
    return n <= 0 ? 1 : static_cast<std::uint32_t>(n);
}

// The white-space separated tokens of `text`.
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

void Grid::report(Kind kind, Severity severity, Location where, Target::Kind on, std::uint64_t row,
                  std::uint32_t column)
{
    finding_.kind = kind;
    finding_.severity = severity;
    finding_.where = where;
    finding_.target = Target{on, number_, row, column};
    findings_.add(finding_);
    finding_ = Finding{};
}

void Grid::reset(std::uint64_t number, const Token& table)
{
    number_ = number;
    where_ = table.where;
    hasClass_ = table.has(GridAttribute::className);
    if (hasClass_)
        class_ = table.value(GridAttribute::className);
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

std::uint32_t Grid::columnGroup(const Token* colgroup, Location where)
{
    inColumnGroup_ = true;
    groupHasColumns_ = false;
    groupWhere_ = where;
    groupSpan_ = colgroup != nullptr ? spanOf(*colgroup, GridAttribute::span) : 1;
    if (colgroup != nullptr)
        colgroupNumber_ = columnElements_++;
    return groupSpan_;
}

std::uint32_t Grid::column(const Token& col)
{
    groupHasColumns_ = true;
    const std::uint32_t number = columnElements_++;
    std::uint32_t span = spanOf(col, GridAttribute::span);
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
        std::uint32_t width = std::min<std::uint64_t>(std::uint64_t{width_} + groupSpan_, kMaxColumns);
        clipped_ = clipped_ || width < width_ + groupSpan_;
        widen(width, groupWhere_, Target{Target::Kind::column, number_, 0, colgroupNumber_});
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
    lastCell_ = 0;
    rowHasCell_ = false;
}

CellPlace Grid::cell(const Token& cell)
{
    const std::uint64_t y = rows_;
    std::uint32_t colspan = spanOf(cell, GridAttribute::colspan);
    long rowspan =
        cell.has(GridAttribute::rowspan) ? parseNonNegative(cell.value(GridAttribute::rowspan), 65534) : -1;
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
    if (overlaps)
        reportOverlap(cell, y, x, colspan);

    std::uint64_t end = growsDown ? UINT64_MAX : y + static_cast<std::uint64_t>(rowspan);
    for (std::uint32_t i = x; i < x + colspan; ++i)
        coverEnd_[i] = std::max(coverEnd_[i], end);
    if (rowspan != 1)
        spanning_.push_back({x, colspan, y, end, rowspan, growsDown, cell.where});
    begun_[x] = 1;
    lastCell_ = x + 1;
    rowEnd_ = std::max(rowEnd_, x + colspan);
    x_ = x + colspan;
    if (!headersCut_ && (cell.has(GridAttribute::id) || cell.has(GridAttribute::headers)))
        keepHeaders(cell, y, x);
    return place;
}

void Grid::reportOverlap(const Token& cell, std::uint64_t y, std::uint32_t x, std::uint32_t colspan)
{
    list_.clear();
    for (const Spanning& s : spanning_) {
        if (s.row < y && s.endRow > y && s.x < x + colspan && x < s.x + s.colspan)
            list_.insert(list_.end(), {s.row + 1, std::uint64_t{s.x} + 1, s.where.line, s.where.column});
    }
    finding_.list = list_.data();
    finding_.listSize = list_.size();
    report(Kind::cellOverlap, Severity::error, cell.where, Target::Kind::cell, y, x);
}

void Grid::keepHeaders(const Token& cell, std::uint64_t y, std::uint32_t x)
{
    const std::string& id = cell.value(GridAttribute::id);
    if (cell.tag == Tag::th && cell.has(GridAttribute::id) && !id.empty()) {
        spendHeaders(id.size() + 32);
        if (!headersCut_)
            thIds_.insert(id);
    }
    if (cell.has(GridAttribute::headers)) {
        const std::string& headers = cell.value(GridAttribute::headers);
        spendHeaders(headers.size() + 48);
        if (!headersCut_)
            references_.push_back({cell.where, headers, y, x});
    }
}

void Grid::spendHeaders(std::size_t bytes)
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
        finding_.numbers[0] = width;
        finding_.numbers[1] = count_;
        finding_.numbers[2] = countFromElements_ ? 1 : 0;
        finding_.numbers[3] = lastCell_;
        report(width < count_ ? Kind::rowShort : Kind::rowLong,
               countFromElements_ ? Severity::error : Severity::warning, where, Target::Kind::row, y);
    }
    if (!rowHasCell_)
        report(Kind::rowNoCells, Severity::error, where, Target::Kind::row, y);
    rows_ = y + 1;
    spanning_.erase(std::remove_if(spanning_.begin(), spanning_.end(),
                                   [this](const Spanning& s) { return s.endRow <= rows_; }),
                    spanning_.end());
}

void Grid::endRowGroup()
{
    for (const Spanning& s : spanning_) {
        if (s.growsDown || s.endRow <= rows_)
            continue;
        finding_.numbers[0] = static_cast<std::uint64_t>(s.rowspan);
        finding_.numbers[1] = rows_;
        finding_.numbers[2] = rows_ - s.row;
        report(Kind::rowspanClipped, Severity::error, s.where, Target::Kind::cell, s.row, s.x);
    }
    spanning_.clear();
    std::fill(coverEnd_.begin(), coverEnd_.end(), 0);
}

void Grid::endTable()
{
    finding_.numbers[0] = rows_;
    finding_.numbers[1] = width_;
    finding_.numbers[2] = groups_;
    finding_.numbers[3] = clipped_ ? kMaxColumns : 0;
    std::string_view className = class_;
    if (hasClass_) {
        finding_.texts = &className;
        finding_.textCount = 1;
    }
    report(Kind::table, Severity::note, where_, Target::Kind::table);
    if (headersCut_) {
        finding_.numbers[0] = kHeadersBudget;
        report(Kind::headersLimit, Severity::note, where_, Target::Kind::table);
    }
    reportEmptyColumns();
    reportUnknownHeaders();
    findings_.tableEnded();
}

// Every element that widened the table, with the columns it made in which no cell begins.
void Grid::reportEmptyColumns()
{
    for (std::size_t i = 0; i < establishers_.size(); ++i) {
        std::uint32_t first = establishers_[i].first;
        std::uint32_t last = i + 1 < establishers_.size() ? establishers_[i + 1].first : width_;
        list_.clear();
        for (std::uint32_t x = first; x < last; ++x) {
            if (begun_[x])
                continue;
            std::uint32_t run = x;
            while (run + 1 < last && !begun_[run + 1])
                ++run;
            list_.insert(list_.end(), {std::uint64_t{x} + 1, std::uint64_t{run} + 1});
            x = run;
        }
        if (list_.empty())
            continue;
        finding_.list = list_.data();
        finding_.listSize = list_.size();
        const Establisher& e = establishers_[i];
        report(Kind::columnNoCells, Severity::error, e.where, e.target.kind, e.target.row, e.target.column);
    }
}

void Grid::reportUnknownHeaders()
{
    for (const Reference& r : references_) {
        texts_.clear();
        for (std::string_view id : tokens(r.headers)) {
            if (thIds_.count(std::string(id)) == 0 &&
                std::find(texts_.begin(), texts_.end(), id) == texts_.end())
                texts_.push_back(id);
        }
        if (texts_.empty())
            continue;
        finding_.texts = texts_.data();
        finding_.textCount = texts_.size();
        report(Kind::headersUnknown, Severity::error, r.where, Target::Kind::cell, r.row, r.column);
    }
}

}  // namespace zelko::html
