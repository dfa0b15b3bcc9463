#include "heads/reader.h"

#include <algorithm>
#include <string_view>
#include <system_error>

#include "heads/passes.h"
#include "heads/worker.h"
#include "html/numbers.h"
#include "text/append.h"
#include "text/bytes.h"

namespace zelko::heads {

using html::Tag;

const html::AttributeWish kHeadsAttributes[HeadsAttribute::count] = {
    {html::tagsOf({Tag::td, Tag::th}), "scope", html::ValueKind::text},
    {html::tagsOf({Tag::td, Tag::th}), "headers", html::ValueKind::text},
    {html::tagsOf({Tag::td, Tag::th}), "id", html::ValueKind::text},
    {html::tagsOf({Tag::td, Tag::th}), "abbr", html::ValueKind::text},
    {html::tagsOf({Tag::td, Tag::th}), "axis", html::ValueKind::text},
    {html::tagsOf({Tag::td, Tag::th}), "hidden", html::ValueKind::text},
    {html::tagsOf({Tag::table}), "role", html::ValueKind::text},
    {html::tagsOf({Tag::table}), "summary", html::ValueKind::text},
    {html::tagsOf({Tag::table}), "rules", html::ValueKind::text},
    {html::tagsOf({Tag::table}), "border", html::ValueKind::text},
    {html::tagsOf({Tag::table}), "contenteditable", html::ValueKind::text},
};

namespace {

// The bytes of ids the reader keeps to resolve headers attributes.
constexpr std::size_t kIdBudget = 1024 * 1024;
// With TableWork::apart, the tables of a page worked out where they end before its thread starts.
constexpr std::uint64_t kTablesHere = 64;

// Whether `value`, compared whole in any ASCII letter case, is `lower`.
bool isValue(const std::string& value, const char* lower)
{
    std::size_t i = 0;
    for (; i < value.size() && lower[i] != '\0'; ++i) {
        if (lowerAscii(static_cast<unsigned char>(value[i])) != static_cast<unsigned char>(lower[i]))
            return false;
    }
    return i == value.size() && lower[i] == '\0';
}

Scope scopeOf(const html::Token& cell, html::Slot slot)
{
    if (!cell.has(slot))
        return Scope::missing;
    const std::string& v = cell.value(slot);
    return isValue(v, "row")        ? Scope::row
           : isValue(v, "col")      ? Scope::column
           : isValue(v, "rowgroup") ? Scope::rowGroup
           : isValue(v, "colgroup") ? Scope::columnGroup
                                    : Scope::invalid;
}

// The roles Chromium knows by name (ARIA's, and those of its graphics and DPUB modules that it
// maps), each between spaces: a table's role attribute counts by the first of them its value
// names.
const char kRoles[] =
    " alert alertdialog application article banner blockquote button caption cell checkbox code"
    " columnheader combobox comment complementary contentinfo definition deletion dialog directory"
    " document emphasis feed figure form generic graphics-document graphics-object graphics-symbol"
    " grid gridcell group heading img image insertion link list listbox listitem log main mark"
    " marquee math menu menubar menuitem menuitemcheckbox menuitemradio meter navigation none note"
    " option paragraph presentation progressbar radio radiogroup region row rowgroup rowheader"
    " scrollbar search searchbox sectionfooter sectionheader separator slider spinbutton status"
    " strong subscript suggestion superscript switch tab table tablist tabpanel term textbox time"
    " timer toolbar tooltip tree treegrid treeitem ";

bool knownRole(const std::string& token)
{
    return std::string_view(kRoles).find(" " + token + " ") != std::string_view::npos;
}

// Whether the first role of `value` Chromium knows is presentation or none.
bool presentational(const std::string& value)
{
    std::size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && isHtmlWhite(static_cast<unsigned char>(value[i])))
            ++i;
        std::string token;
        while (i < value.size() && !isHtmlWhite(static_cast<unsigned char>(value[i])))
            token += static_cast<char>(lowerAscii(static_cast<unsigned char>(value[i++])));
        if (!token.empty() && knownRole(token))
            return token == "presentation" || token == "none";
    }
    return false;
}

// The border a table's border attribute gives its cells: none for 0.
bool givesBorder(const std::string& value)
{
    const long n = html::parseNonNegative(value, 1 << 30);
    return n != 0;  // an empty or unreadable value is a border of 1
}

}  // namespace

struct HeadsReader::Open {
    std::unique_ptr<TableHeads> table;  // none while its last table is with the worker
    bool inGroup = false;
    std::vector<CellRecord> row;  // the open row's cells
    std::vector<Node> nodes;      // the open row's nodes, its cells among them
    std::vector<Node> elements;   // room for those that are elements
    CellRecord cell{};            // the open cell
    bool nameWanted = false;      // its text is kept
    // Column groups of the standard's table model: only those before the first row group.
    bool rowsSeen = false, inColumnGroup = false, groupHasColumns = false;
    std::uint32_t groupSpan = 0, groupColumns = 0, nextColumn = 0;
};

HeadsReader::HeadsReader(HeadsSink& sink, const html::Slot* slots, std::size_t memory, ScratchMaker scratches,
                         CellNames names, TableWork work)
    : sink_(sink), slots_(slots), budget_{memory, std::move(scratches)}, passRoom_(new PassRoom),
      names_(names), work_(work)
{}

// The worker goes first, handing on what waits for it, while the rest still stands.
HeadsReader::~HeadsReader() { worker_.reset(); }

void HeadsReader::finish()
{
    if (worker_)
        worker_->finish();
}

void HeadsReader::tableStart(std::uint64_t number, const html::Token& table)
{
    if (depth_ == open_.size())
        open_.push_back(std::make_unique<Open>());
    Open& t = *open_[depth_++];
    if (!t.table)
        t.table = std::make_unique<TableHeads>(budget_);
    // With the worker, a table starts with no more room than the worker takes, so that a large
    // table before it does not keep it from the worker.
    if (worker_ && !TableWorker::takes(*t.table))
        t.table->release();
    else
        t.table->reset();
    t.inGroup = t.rowsSeen = t.inColumnGroup = false;
    t.nextColumn = 0;
    t.row.clear();
    t.nodes.clear();
    TableFacts& f = t.table->facts_;
    f = TableFacts{};
    f.number = number;
    f.where = table.where;
    const auto value = [&](std::size_t a) -> const std::string* {
        return table.has(slots_[a]) ? &table.value(slots_[a]) : nullptr;
    };
    if (const std::string* role = value(HeadsAttribute::role)) {
        f.hasRole = true;
        f.rolePresentation = presentational(*role);
    }
    const std::string* editable = value(HeadsAttribute::editable);
    f.editable = editable != nullptr && !isValue(*editable, "false");
    f.summary = value(HeadsAttribute::summary) != nullptr && !value(HeadsAttribute::summary)->empty();
    f.rules = value(HeadsAttribute::rules) != nullptr && !value(HeadsAttribute::rules)->empty();
    f.border = value(HeadsAttribute::border) != nullptr && givesBorder(*value(HeadsAttribute::border));
}

void HeadsReader::captionStart()
{
    if (depth_ > 0)
        top().table->facts_.caption = true;
}

void HeadsReader::columnGroupStart(const html::Token*, std::uint32_t, std::uint32_t span)
{
    Open& t = top();
    t.table->facts_.columnElements = true;
    t.inColumnGroup = !t.rowsSeen;
    t.groupSpan = span;
    t.groupColumns = 0;
    t.groupHasColumns = false;
}

void HeadsReader::column(std::uint32_t, std::uint32_t span)
{
    Open& t = top();
    t.groupHasColumns = true;
    t.groupColumns += span;
}

void HeadsReader::columnGroupEnd()
{
    Open& t = top();
    if (!t.inColumnGroup)
        return;
    const std::uint32_t width = t.groupHasColumns ? t.groupColumns : t.groupSpan;
    t.table->columnGroups_.push_back({t.nextColumn, width});
    t.nextColumn += width;
    t.inColumnGroup = false;
}

void HeadsReader::rowGroupStart(Tag tag, bool)
{
    Open& t = top();
    t.rowsSeen = true;
    t.inGroup = true;
    TableHeads& table = *t.table;
    table.facts_.head = table.facts_.head || tag == Tag::thead;
    table.facts_.foot = table.facts_.foot || tag == Tag::tfoot;
    table.facts_.heads += tag == Tag::thead ? 1 : 0;
    table.facts_.feet += tag == Tag::tfoot ? 1 : 0;
    Group g;
    g.kind = tag;
    g.firstCell = table.cells_.size();
    g.firstRow = table.facts_.rows;
    table.groups_.push_back(g);
}

void HeadsReader::rowGroupEnd() { top().inGroup = false; }

void HeadsReader::rowStart(std::uint64_t)
{
    Open& t = top();
    TableHeads& table = *t.table;
    if (!t.inGroup && (table.groups_.empty() || table.groups_.back().kind != Tag::other ||
                       table.groups_.back().firstRow + table.groups_.back().rows != table.facts_.rows)) {
        // A row directly in the table, as only the nesting limit builds one.
        Group g;
        g.kind = Tag::other;
        g.firstCell = table.cells_.size();
        g.firstRow = table.facts_.rows;
        table.groups_.push_back(g);
    }
    t.rowsSeen = true;
    t.row.clear();
    t.nodes.clear();
}

void HeadsReader::cellStart(const html::Token& token, const html::CellPlace& place)
{
    Open& t = top();
    TableHeads& table = *t.table;
    CellRecord& c = t.cell;
    c = CellRecord{};
    c.where = token.where;
    c.checkRow = place.row;
    c.checkColumn = place.column;
    c.group = static_cast<std::uint32_t>(table.groups_.size() - 1);
    c.domRow = table.facts_.rows;
    c.colspan = place.colspan;
    c.rowspan = place.rowspan;
    c.th = token.tag == Tag::th;
    c.scope = scopeOf(token, slots_[HeadsAttribute::scope]);
    if (c.scope == Scope::invalid || (c.scope != Scope::missing && !c.th)) {
        const std::string& scope = token.value(slots_[HeadsAttribute::scope]);
        c.scopeAt = table.bytes_.add(scope.data(), scope.size());
        c.scopeLength = static_cast<std::uint32_t>(scope.size());
    }
    c.hidden = token.has(slots_[HeadsAttribute::hidden]);
    c.empty = true;
    const auto nonEmpty = [&](std::size_t a) {
        return token.has(slots_[a]) && !token.value(slots_[a]).empty();
    };
    TableFacts& f = table.facts_;
    f.anyTh = f.anyTh || c.th;
    f.headerAttributes = f.headerAttributes || nonEmpty(HeadsAttribute::headers) ||
                         nonEmpty(HeadsAttribute::abbr) || nonEmpty(HeadsAttribute::axis) ||
                         nonEmpty(HeadsAttribute::scope);
    if (token.has(slots_[HeadsAttribute::headers])) {
        const std::string& headers = token.value(slots_[HeadsAttribute::headers]);
        c.hasHeaders = true;
        c.headersAt = table.bytes_.add(headers.data(), headers.size());
        c.headersLength = static_cast<std::uint32_t>(headers.size());
    }
    const std::string* id =
        token.has(slots_[HeadsAttribute::id]) ? &token.value(slots_[HeadsAttribute::id]) : nullptr;
    t.nameWanted = names_ == CellNames::every ||
                   (names_ == CellNames::ofHeaders && (c.th || (id != nullptr && !id->empty())));
    if (id != nullptr && !id->empty() && idBytes_ < kIdBudget) {
        // The first cell of the page with the id is the one a headers attribute names.
        std::lock_guard<std::mutex> hold(idsLock_);
        if (ids_.emplace(*id, Owner{f.number, table.cells_.size() + t.row.size()}).second)
            idBytes_ += id->size() + 48;
    }
}

void HeadsReader::cellContent(const html::CellContent& content)
{
    Open& t = top();
    CellRecord& c = t.cell;
    c.empty = content.empty();
    c.full = content.node;
    c.nameAt = t.table->bytes_.add(content.name.data(), content.name.size());
    c.nameLength = static_cast<std::uint32_t>(content.name.size());
}

void HeadsReader::cellEnd()
{
    Open& t = top();
    t.row.push_back(t.cell);
    t.nodes.push_back(t.cell.th ? Node::th : t.cell.full ? Node::fullTd : Node::emptyTd);
    TableFacts& f = t.table->facts_;
    ++f.cells;
    f.renderedCells += t.cell.hidden ? 0 : 1;
}

bool HeadsReader::wantsCellName() const { return depth_ > 0 && open_[depth_ - 1]->nameWanted; }

void HeadsReader::rowNode(html::NodeKind kind)
{
    top().nodes.push_back(kind == html::NodeKind::element ? Node::element : Node::other);
}

void HeadsReader::rowEnd() { endRow(top()); }

// A row's cells go to the store with their roles, which the row as a whole decides.
void HeadsReader::endRow(Open& t)
{
    assignRoles(t);
    TableHeads& table = *t.table;
    for (const CellRecord& c : t.row)
        table.cells_.add(c);
    Group& g = table.groups_.back();
    g.cells += t.row.size();
    ++g.rows;
    ++table.facts_.rows;
    t.row.clear();
    t.nodes.clear();
}

// Chromium's role for each cell of the row: a td is a cell; a th a row or column header by its
// scope, else by the nodes around it and the row's first and last elements.
void HeadsReader::assignRoles(Open& t)
{
    const std::vector<Node>& nodes = t.nodes;
    std::vector<Node>& elements = t.elements;  // the row's element children, its cells among them
    elements.clear();
    for (Node n : nodes) {
        if (n != Node::other)
            elements.push_back(n);
    }
    const std::size_t e = elements.size();
    const auto fullAt = [&](std::size_t i) { return i < e && elements[i] == Node::fullTd; };
    const bool edgeFull = e > 0 && (fullAt(0) || fullAt(e - 1));
    const bool nextToEdgeFull = e > 1 && (fullAt(1) || fullAt(e - 2));
    std::size_t cell = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i] != Node::th && nodes[i] != Node::fullTd && nodes[i] != Node::emptyTd)
            continue;
        CellRecord& c = t.row[cell++];
        if (!c.th)
            c.role = Role::cell;
        else if (c.scope == Scope::row || c.scope == Scope::rowGroup)
            c.role = Role::rowHeader;
        else if (c.scope == Scope::column || c.scope == Scope::columnGroup)
            c.role = Role::columnHeader;
        else {
            const bool before = i > 0, after = i + 1 < nodes.size();
            const bool betweenHeaders =
                before && after && nodes[i - 1] == Node::th && nodes[i + 1] == Node::th;
            const bool besideFull =
                (before && nodes[i - 1] == Node::fullTd) || (after && nodes[i + 1] == Node::fullTd);
            c.role = (!before && !after) || betweenHeaders      ? Role::columnHeader
                     : besideFull || edgeFull || nextToEdgeFull ? Role::rowHeader
                                                                : Role::columnHeader;
        }
    }
}

// A thread costs more to start and to end than a few dozen small tables take, so a page's first
// tables are worked out where they end, and a page of few tables starts none. Without a thread
// to be had, all are.
void HeadsReader::startWorker()
{
    work_ = TableWork::here;
    try {
        worker_ = std::make_unique<TableWorker>([this](TableHeads& table) { endTable(table); });
    } catch (const std::system_error&) {
        worker_.reset();
    }
}

void HeadsReader::tableEnd()
{
    Open& t = top();
    if (work_ == TableWork::apart && ++tablesHere_ > kTablesHere)
        startWorker();
    // A small table goes to the worker; a large one waits for it to be done with the others and
    // is read here, so that no more than one large table at a time holds memory or scratches.
    if (worker_ && TableWorker::takes(*t.table)) {
        t.table = worker_->hand(std::move(t.table));
    } else {
        if (worker_)
            worker_->finish();
        endTable(*t.table);
    }
    --depth_;
}

void HeadsReader::endTable(TableHeads& table)
{
    const auto owner = [this](const std::string& id, std::uint64_t& cell) {
        std::lock_guard<std::mutex> hold(idsLock_);
        auto found = ids_.find(id);
        if (found == ids_.end())
            return std::uint64_t{0};
        cell = found->second.cell;
        return found->second.table;
    };
    Standard::place(table, *passRoom_);
    Standard::assign(table, owner, *passRoom_);
    Chromium::place(table, *passRoom_);
    Chromium::list(table, *passRoom_);
    sink_.tableEnded(table);
}

bool sameHeaders(const std::vector<HeaderRef>& standard, const std::vector<HeaderRef>& columns,
                 const std::vector<HeaderRef>& rows)
{
    if (standard.empty() || columns.size() + rows.size() == 0)
        return standard.empty() && columns.size() + rows.size() == 0;
    // Sorted copies, in room kept from call to call (one per thread: the view asks on its own).
    thread_local std::vector<HeaderRef> a, b;
    a.assign(standard.begin(), standard.end());
    b.assign(columns.begin(), columns.end());
    b.insert(b.end(), rows.begin(), rows.end());
    const auto byCell = [](const HeaderRef& l, const HeaderRef& r) { return l.cell < r.cell; };
    const auto sameCell = [](const HeaderRef& l, const HeaderRef& r) { return l.cell == r.cell; };
    std::sort(a.begin(), a.end(), byCell);
    std::sort(b.begin(), b.end(), byCell);
    b.erase(std::unique(b.begin(), b.end(), sameCell), b.end());
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameCell);
}

void appendHeaderNames(std::string& out, TableHeads& table, const std::vector<HeaderRef>& list)
{
    if (list.empty()) {
        out += "none";
        return;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i > 0)
            out += ", ";
        table.appendQuotedName(out, table.cell(list[i].cell));
        out += " (";
        appendAnchor(out, list[i].y, list[i].x);
        out += ')';
    }
}

std::string TableHeads::text(std::uint64_t at, std::uint32_t length)
{
    std::string text(length, '\0');
    if (length > 0)
        bytes_.read(at, &text[0], length);
    return text;
}

void TableHeads::appendQuotedName(std::string& out, const CellRecord& cell)
{
    char text[html::kCellTextBytes];  // a name is cut at this length
    if (cell.nameLength > sizeof text) {
        appendQuoted(out, name(cell));
        return;
    }
    if (cell.nameLength > 0)
        bytes_.read(cell.nameAt, text, cell.nameLength);
    appendQuoted(out, std::string_view(text, cell.nameLength));
}

std::string TableHeads::name(const CellRecord& cell)
{
    std::string text(cell.nameLength, '\0');
    if (!text.empty())
        bytes_.read(cell.nameAt, &text[0], text.size());
    return text;
}

void TableHeads::refs(std::uint64_t at, std::uint32_t count, std::vector<HeaderRef>& out)
{
    out.resize(count);
    if (count > 0)
        lists_.read(at, out.data(), count * sizeof(HeaderRef));
}

std::uint64_t TableHeads::addList(const std::vector<HeaderRef>& list)
{
    return lists_.add(list.data(), list.size() * sizeof(HeaderRef));
}

void TableHeads::release()
{
    reset();
    cells_.release();
    bytes_.release();
    lists_.release();
}

void TableHeads::reset()
{
    rowData_.clear();
    columnData_.clear();
    starts_.clear();
    heads_.clear();
    cells_.clear();
    bytes_.clear();
    lists_.clear();
    groups_.clear();
    columnGroups_.clear();
    rows_ = 0;
    columns_ = 0;
}

}  // namespace zelko::heads
