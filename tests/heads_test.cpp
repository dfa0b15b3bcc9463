// Who heads each cell: the standard's "forming relationships between data cells and header
// cells" on the standard's own example and on the shapes its scan rules are about, Chromium's
// model on the clauses that decide it, and the headers writer's lines.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>
#include <string>

#include "headers/headers.h"
#include "heads/reader.h"
#include "heads/store.h"
#include "html/reading.h"

namespace {

using zelko::headers::Format;
using zelko::headers::headersText;

// The headers of every cell, by the standard, as "ROW,COL" -> "[[ROW,COL],...]", read from the
// json lines; and Chromium's column and row headers as "columns|rows".
struct Cells {
    std::map<std::string, std::string> standard, chromium, role;
};

std::string field(const std::string& line, const std::string& name, char close)
{
    const std::string key = "\"" + name + "\":";
    const std::size_t at = line.find(key);
    if (at == std::string::npos)
        return "";
    const std::size_t from = at + key.size();
    if (close == '"')
        return line.substr(from + 1, line.find('"', from + 1) - from - 1);
    // A list of lists ends at the first "]]" or is "[]".
    if (line.compare(from, 2, "[]") == 0)
        return "[]";
    return line.substr(from, line.find("]]", from) + 2 - from);
}

Cells cellsOf(const std::string& page)
{
    Cells cells;
    const std::string lines = headersText(page, Format::json);
    for (std::size_t at = 0, end; at < lines.size(); at = end + 1) {
        end = lines.find('\n', at);
        const std::string line = lines.substr(at, end - at);
        if (line.find("\"at\":") == std::string::npos)
            continue;
        const std::size_t from = line.find("\"at\":[") + 6;
        const std::string place = line.substr(from, line.find(']', from) - from);
        cells.standard[place] = field(line, "headers", ']');
        cells.chromium[place] = field(line, "columnHeaders", ']') + "|" + field(line, "rowHeaders", ']');
        cells.role[place] = field(line, "role", '"');
    }
    return cells;
}

// The example of the th element's scope attribute, with row group headers.
const char kSmithsonian[] =
    "<table><thead><tr><th> ID <th> Measurement <th> Average <th> Maximum\n"
    "<tbody><tr><td> <th scope=rowgroup> Cats <td> <td>\n"
    "<tr><td> 93 <th scope=row> Legs <td> 3.5 <td> 4\n"
    "<tr><td> 10 <th scope=row> Tails <td> 1 <td> 1\n"
    "<tbody><tr><td> <th scope=rowgroup> English speakers <td> <td>\n"
    "<tr><td> 32 <th scope=row> Legs <td> 2.67 <td> 4\n"
    "<tr><td> 35 <th scope=row> Tails <td> 0.33 <td> 1\n"
    "</table>";

TEST(StandardHeaders, AssignsTheExampleOfRowGroupHeadersAsTheStandardDoes)
{
    const Cells cells = cellsOf(kSmithsonian);
    const std::map<std::string, std::string> expected = {
        {"3,1", "[[1,1]]"},              // 93: ID; the row headers stand to its right
        {"3,2", "[[1,2],[2,2]]"},        // Legs: Measurement, Cats
        {"3,3", "[[1,3],[2,2],[3,2]]"},  // 3.5: Average, Cats, Legs
        {"4,4", "[[1,4],[2,2],[4,2]]"},  // 1: Maximum, Cats, Tails
        {"2,1", "[[1,1]]"},              // the empty cell left of Cats
        {"7,3", "[[1,3],[5,2],[7,2]]"},  // 0.33: Average, English speakers, Tails
        {"1,1", "[]"},
    };
    for (const auto& [place, headers] : expected)
        EXPECT_EQ(cells.standard.at(place), headers) << place;
}

TEST(StandardHeaders, ScansAsHeaderBlocksAndOpaqueHeadersAllow)
{
    struct Case {
        const char* what;
        const char* page;
        const char* place;
        const char* headers;
    };
    const Case cases[] = {
        {"two header rows make one block", "<table><tr><th>A<th>B<tr><th>C<th>D<tr><td>1<td>2</table>", "3,1",
         "[[1,1],[2,1]]"},
        {"a header below data hides the one above", "<table><tr><th>A<tr><td>x<tr><th>B<tr><td>y</table>",
         "4,1", "[[3,1]]"},
        {"the one above still heads the data before", "<table><tr><th>A<tr><td>x<tr><th>B<tr><td>y</table>",
         "2,1", "[[1,1]]"},
        {"a th in a column of th heads its row", "<table><tr><th>R<td>v<tr><th>S<td>w</table>", "2,2",
         "[[2,1]]"},
        {"a spanning cell takes the headers of every slot it covers",
         "<table><tr><th>A<th>B<tr><td colspan=2>x</table>", "2,1", "[[1,1],[1,2]]"},
        {"a headers attribute replaces the scan",
         "<table><tr><th id=a>A<th id=b>B<tr><td headers=b>x<td>y</table>", "2,1", "[[1,2]]"},
        {"even when its ids name no cell of the table",
         "<table><tr><th>A<tr><td headers=nothing>x</table><p id=nothing>", "2,1", "[]"},
        {"and when it names only the cell itself", "<table><tr><th>A<tr><td id=me headers=me>x</table>",
         "2,1", "[]"},
        {"a th in the auto state beside data heads neither way",
         "<table><tr><th>H<td>a<tr><td>b<td>c</table>", "1,2", "[]"},
        {"empty header cells head nothing", "<table><tr><th><th>B<tr><td>x<td>y</table>", "2,1", "[]"},
        {"a column group header heads its group",
         "<table><colgroup span=2><tr><th scope=colgroup>G<td>a<tr><td>b<td>c</table>", "2,2", "[[1,1]]"},
        {"a scope=col header heads the column below, not the row",
         "<table><tr><th scope=col>C<td>a<tr><td>b<td>c</table>", "1,2", "[]"},
        {"footers come last in the table model", "<table><tfoot><tr><td>f<tbody><tr><th>H</table>", "2,1",
         "[[1,1]]"},
        {"a rowspan past its group lengthens the table: the next group starts below it",
         "<table><tbody><tr><th scope=col>A<td rowspan=3>x<tbody><tr><td>y</table>", "4,1", "[[1,1]]"},
        {"a row group header heads the rest of its group, not the next",
         "<table><tbody><tr><th scope=rowgroup>G<td>a<tr><td>b<td>c<tbody><tr><td>d<td>e</table>", "3,2",
         "[]"},
        {"and the cells of its group below and to its right",
         "<table><tbody><tr><th scope=rowgroup>G<td>a<tr><td>b<td>c<tbody><tr><td>d<td>e</table>", "2,2",
         "[[1,1]]"},
        {"a header spanning two columns heads both", "<table><tr><th colspan=2>H<tr><td>a<td>b</table>",
         "2,2", "[[1,1]]"},
        {"a headers attribute names ids in any order, each once, sorted by anchor",
         "<table><tr><th id=a>A<th id=b>B<tr><td headers=\"b a b\">x</table>", "2,1", "[[1,1],[1,2]]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cellsOf(c.page).standard[c.place], c.headers) << c.what;
}

TEST(ChromiumHeaders, GivesRolesAndHeaderListsAsChromiumDoes)
{
    struct Case {
        const char* what;
        const char* page;
        const char* place;
        const char* role;
        const char* lists;  // columns|rows
    };
    const Case cases[] = {
        {"a row header heads the cells of its row on both sides", kSmithsonian, "3,1", "cell",
         "[[1,1]]|[[3,2]]"},
        {"a rowgroup header heads only its own row", kSmithsonian, "3,3", "cell", "[[1,3]]|[[3,2]]"},
        {"headers have no lists", kSmithsonian, "3,2", "rowheader", "[]|[]"},
        {"a th beside a full td is a row header", "<table><tr><th>h<td>x</table>", "1,1", "rowheader",
         "[]|[]"},
        {"a th between th is a column header", "<table><tr><th>a<th>b<th>c<tr><td>x<td>y<td>z</table>", "1,2",
         "columnheader", "[]|[]"},
        {"the headers attribute is ignored",
         "<table><tr><th id=a>A<th>B<tr><td headers=a>x<td headers=a>y</table>", "2,2", "cell", "[[1,2]]|[]"},
        {"a header row repeated lower down heads the cells above it too",
         "<table><tr><th>A<th>B<tr><td>x<td>y<tr><th>C<th>D</table>", "2,1", "cell", "[[1,1],[3,1]]|[]"},
        {"a thead written late comes first, and its rowspan pushes the rows after it",
         "<table><tbody><tr><td>1<td>2<td>3</tbody><thead><tr><th scope=col>A<td rowspan=2>x<th "
         "scope=col>C</table>",
         "1,2", "cell", "[[2,3]]|[]"},
        {"but not in a table with a col or colgroup, whose groups stay as they stand",
         "<table><col><tbody><tr><td>1<td>2<td>3</tbody><thead><tr><th scope=col>A<td rowspan=2>x<th "
         "scope=col>C"
         "</table>",
         "1,2", "cell", "[]|[]"},
        {"a slot a rowspan holds stays held when a colspan overlaps it",
         "<table><tr><th scope=col>a<th scope=col>b<th scope=col>c<tr><td>1<td rowspan=3>r<td>3"
         "<tr><td colspan=2>w<td>z<tr><td>p<td>q</table>",
         "4,3", "cell", "[[1,3]]|[]"},
    };
    for (const Case& c : cases) {
        const Cells cells = cellsOf(c.page);
        EXPECT_EQ(cells.role.at(c.place), c.role) << c.what;
        EXPECT_EQ(cells.chromium.at(c.place), c.lists) << c.what;
    }
}

TEST(ChromiumHeaders, JudgesADataTableByTheFirstClauseThatApplies)
{
    struct Case {
        const char* page;
        const char* verdict;
    };
    const Case cases[] = {
        {"<table role=presentation><tr><th>a<td>b</table>", "layout"},
        {"<table role=grid><tr><td>a</table>", "data"},
        {"<table><caption></caption><tr><td>a</table>", "data"},
        {"<table><tr><td>a</table>", "layout"},
        {"<table><tr><th>a</table>", "layout"},
        {"<table></table>", "layout"},
        {"<table><tr><td>a<td abbr=x>b</table>", "data"},
        {"<table><tr><td>a<td hidden>b</table>", "layout"},
        {"<table><tr><td>a<td>b</table>", "css"},
        // A role decides first, by its first token that is a known role, in any case.
        {"<table role=\"x NONE grid\"><tr><th>a<td>b</table>", "layout"},
        {"<table role=\"\"><tr><td>a</table>", "data"},
        {"<table contenteditable><tr><td>a<td>b</table>", "data"},
        // A summary counts only when it holds something; rules with any value.
        {"<table summary=\"\"><tr><td>a<td>b</table>", "css"},
        {"<table summary=s><tr><td>a<td>b</table>", "data"},
        {"<table rules=x><tr><td>a<td>b</table>", "data"},
        {"<table><thead></thead><tr><td>a<td>b</table>", "data"},
        {"<table><col><tr><td>a<td>b</table>", "data"},
        // An empty scope or abbr does not count; any other value does, valid or not.
        {"<table><tr><td scope=\"\">a<td abbr=\"\">b</table>", "css"},
        {"<table><tr><td scope=bogus>a<td>b</table>", "data"},
        // A th of a nested table does not make the outer one a data table.
        {"<table><tr><td>a<td><table><tr><th>x<th>y</table></table>", "css"},
    };
    for (const Case& c : cases) {
        const std::string line = headersText(c.page, Format::json);
        EXPECT_NE(line.find(std::string("\"chromium\":\"") + c.verdict + "\""), std::string::npos)
            << c.page << "\n"
            << line;
    }
}

TEST(HeadersWriter, WritesTableAndCellLinesInEachForm)
{
    const std::string page = "<table>\n<tr><th>Name<th>Age\n<tr><td>Ann<td>\n</table>";
    EXPECT_EQ(headersText(page, Format::json, "a\"b.html"),
              "{\"page\":\"a\\\"b.html\",\"line\":1,\"column\":1,\"table\":1,\"rows\":2,\"columns\":2,"
              "\"chromium\":\"data\",\"why\":\"it has a th\"}\n"
              "{\"page\":\"a\\\"b.html\",\"line\":2,\"column\":5,\"table\":1,\"at\":[1,1],\"span\":[1,1],"
              "\"cell\":\"th\","
              "\"empty\":false,\"headers\":[],\"chromium\":{\"role\":\"columnheader\",\"columnHeaders\":[],"
              "\"rowHeaders\":[]}}\n"
              "{\"page\":\"a\\\"b.html\",\"line\":2,\"column\":13,\"table\":1,\"at\":[1,2],\"span\":[1,1],"
              "\"cell\":\"th\","
              "\"empty\":false,\"headers\":[],\"chromium\":{\"role\":\"columnheader\",\"columnHeaders\":[],"
              "\"rowHeaders\":[]}}\n"
              "{\"page\":\"a\\\"b.html\",\"line\":3,\"column\":5,\"table\":1,\"at\":[2,1],\"span\":[1,1],"
              "\"cell\":\"td\","
              "\"empty\":false,\"headers\":[[1,1]],\"chromium\":{\"role\":\"cell\",\"columnHeaders\":[[1,1]],"
              "\"rowHeaders\":[]}}\n"
              "{\"page\":\"a\\\"b.html\",\"line\":3,\"column\":12,\"table\":1,\"at\":[2,2],\"span\":[1,1],"
              "\"cell\":\"td\","
              "\"empty\":true,\"headers\":[[1,2]],\"chromium\":{\"role\":\"cell\",\"columnHeaders\":[[1,2]],"
              "\"rowHeaders\":[]}}\n");
    // A header by its text, references resolved; an &nbsp; cell is empty; a headers attribute that
    // names nothing gives no headers, where Chromium scans.
    EXPECT_EQ(headersText("<table><tr><th>H&amp;I<th>J<tr><td>&nbsp;<td headers=x>c</table>", Format::gnu),
              "page.html:1:1: table 1: 2 rows x 2 columns; Chromium: a data table, as it has a th\n"
              "page.html:1:12: table 1, cell 1,1 (th 1x1 \"H&I\"), a column header: headers none; Chromium: "
              "a column "
              "header\n"
              "page.html:1:23: table 1, cell 1,2 (th 1x1 \"J\"), a column header: headers none; Chromium: a "
              "column header\n"
              "page.html:1:32: table 1, cell 2,1 (td 1x1, empty): headers \"H&I\" (1,1); Chromium: the same\n"
              "page.html:1:42: table 1, cell 2,2 (td 1x1 \"c\"): headers none; Chromium differs: column "
              "headers \"J\" "
              "(1,2), row headers none\n");
}

// Numbers of one, two and three digits, as the json form writes small ones its own way.
TEST(HeadersWriter, WritesNumbersOfEveryWidth)
{
    std::string page = "<table>\n<tr><th>H\n";
    for (int row = 2; row <= 120; ++row)
        page += "<tr><td>x\n";
    const std::string lines = headersText(page, Format::json, "p");
    for (const char* expected :
         {"\"rows\":120,\"columns\":1,", "\"line\":10,\"column\":5,\"table\":1,\"at\":[9,1],\"span\":[1,1],",
          "\"line\":11,\"column\":5,\"table\":1,\"at\":[10,1],\"span\":[1,1],",
          "\"line\":100,\"column\":5,\"table\":1,\"at\":[99,1],\"span\":[1,1],",
          "\"line\":121,\"column\":5,\"table\":1,\"at\":[120,1],\"span\":[1,1],"
          "\"cell\":\"td\",\"empty\":false,\"headers\":[[1,1]]"})
        EXPECT_NE(lines.find(expected), std::string::npos) << expected;
}

TEST(HeadersWriter, SaysTheSameWhateverPiecesThePageComesInAndWhereverItWaits)
{
    std::string page = "<table><thead><tr><th>A<th colspan=2>B<tbody>";
    for (int row = 0; row < 300; ++row)
        page += "<tr><th scope=row>r" + std::to_string(row) + "<td>x<td rowspan=2>y";
    page += "</table><table><tr><td headers='a b'>z</table>";
    const std::string whole = headersText(page, Format::json);
    EXPECT_EQ(headersText(page, Format::json, "page.html", 7), whole);
    // Past a memory of 256 bytes the cells wait in scratches.
    EXPECT_EQ(headersText(page, Format::json, "page.html", 0, 256), whole);
    EXPECT_EQ(headersText(page, Format::gnu, "page.html", 0, 256), headersText(page, Format::gnu));
}

}  // namespace

namespace zelko::heads {
namespace {

// A scratch that fails every call after the first `good` ones, with `error`.
class FailingScratch : public Scratch {
public:
    FailingScratch(int good, int error) : good_(good), error_(error) {}
    int write(std::uint64_t at, const void* bytes, std::size_t n) override
    {
        return good_-- > 0 ? inner_.write(at, bytes, n) : error_;
    }
    int read(std::uint64_t at, void* bytes, std::size_t n) override
    {
        return good_-- > 0 ? inner_.read(at, bytes, n) : error_;
    }

private:
    MemoryScratch inner_;
    int good_, error_;
};

// A store holds what was written wherever it waits: in memory, or past its budget in a scratch
// read through a few blocks, whatever the order of the writes and reads.
TEST(ByteStore, ReadsBackEveryByteInMemoryAndPastItsBudget)
{
    struct Case {
        const char* what;
        std::size_t budget;
        std::size_t records;
    };
    const Case cases[] = {
        {"all in memory", 1 << 20, 3000},
        {"spilled at once", 16, 3000},
        {"spilled part way, over many blocks", 4096, 40000},
    };
    for (const Case& c : cases) {
        Budget budget{c.budget, memoryScratches()};
        RecordStore<std::uint64_t> store(budget);
        std::vector<std::uint64_t> model;
        for (std::uint64_t i = 0; i < c.records; ++i) {
            store.add(i * 7919);
            model.push_back(i * 7919);
        }
        // Rewrites far apart, so that blocks are written back and read again.
        for (std::uint64_t i = 0; i < c.records; i += 977) {
            store.put(c.records - 1 - i, i);
            model[c.records - 1 - i] = i;
        }
        bool same = store.size() == model.size();
        for (std::uint64_t i = 0; i < c.records && same; i += 13)
            same = store.get(i) == model[i];
        for (std::uint64_t i = c.records; i-- > 0 && same;)
            same = store.get(i) == model[i];
        EXPECT_TRUE(same) << c.what;
        EXPECT_EQ(budget.error, 0) << c.what;
    }
}

// Memory grows only while the new room fits beside the old, which both stand as the bytes move:
// stores that share a budget never hold more than it, even for that moment.
TEST(ByteStore, GrowsOnlyWhileTheNewRoomFitsBesideTheOld)
{
    struct Case {
        const char* what;
        std::size_t budget;
        int spills;  // scratches made after two adds of 1024 bytes
    };
    const Case cases[] = {
        {"1024 then 2048 bytes of room fit in 3072", 3072, 0},
        {"2048 bytes beside 1024 do not fit in 3000", 3000, 1},
        {"the first 1024 do not fit in 1000", 1000, 1},
    };
    for (const Case& c : cases) {
        int spills = 0;
        Budget budget{c.budget, [&spills](int&) -> std::unique_ptr<Scratch> {
                          ++spills;
                          return std::make_unique<MemoryScratch>();
                      }};
        ByteStore store(budget);
        const std::string bytes(1024, 'x');
        store.add(bytes.data(), bytes.size());
        store.add(bytes.data(), bytes.size());
        EXPECT_EQ(spills, c.spills) << c.what;
        std::string back(2048, '\0');
        store.read(0, &back[0], back.size());
        EXPECT_EQ(back, bytes + bytes) << c.what;
    }
}

// A store gives the budget back all it took when it is released, in memory or spilled, and is
// as good as new after.
TEST(ByteStore, GivesItsRoomBackWhenReleased)
{
    const struct {
        const char* what;
        std::size_t budget;
        bool spilled;  // after adding 1024 bytes
    } rows[] = {
        {"in memory", 4096, false},
        {"spilled", 1000, true},
    };
    for (const auto& row : rows) {
        Budget budget{row.budget, memoryScratches()};
        ByteStore store(budget);
        const std::string bytes(1024, 'x');
        store.add(bytes.data(), bytes.size());
        EXPECT_EQ(store.spilled(), row.spilled) << row.what;
        EXPECT_EQ(budget.left + store.taken(), row.budget) << row.what;
        store.clear();
        EXPECT_EQ(budget.left + store.taken(), row.budget) << row.what << ", cleared";
        store.release();
        EXPECT_FALSE(store.spilled()) << row.what;
        EXPECT_EQ(store.taken(), 0u) << row.what;
        EXPECT_EQ(budget.left, row.budget) << row.what;
        EXPECT_EQ(store.add("ab", 2), 0u) << row.what;
        char back[2] = {};
        store.read(0, back, 2);
        EXPECT_EQ(std::string(back, 2), "ab") << row.what;
    }
}

TEST(ByteStore, SaysWhenAScratchCannotBeHadWrittenOrRead)
{
    struct Case {
        const char* what;
        ScratchMaker scratches;
        int error;
        bool keepsBytes;  // the bytes are still there to read
    };
    const Case cases[] = {
        {"no scratch to be had: the bytes stay in memory",
         [](int& error) -> std::unique_ptr<Scratch> {
             error = ENOSPC;
             return nullptr;
         },
         ENOSPC, true},
        {"a maker that says no error still fails the run", [](int&) { return std::unique_ptr<Scratch>(); },
         EIO, true},
        {"a scratch that fails to be written",
         [](int&) -> std::unique_ptr<Scratch> { return std::make_unique<FailingScratch>(0, EFBIG); }, EFBIG,
         false},
        {"a scratch that fails later",
         [](int&) -> std::unique_ptr<Scratch> { return std::make_unique<FailingScratch>(3, EIO); }, EIO,
         false},
    };
    for (const Case& c : cases) {
        Budget budget{64, c.scratches};
        RecordStore<std::uint64_t> store(budget);
        for (std::uint64_t i = 0; i < 100000; ++i)
            store.add(i + 1);
        std::uint64_t sum = 0;
        for (std::uint64_t i = 0; i < store.size(); ++i)
            sum += store.get(i);
        EXPECT_EQ(budget.error, c.error) << c.what;
        if (c.keepsBytes) {
            EXPECT_EQ(sum, 100000ull * 100001 / 2) << c.what;
        }
    }
}

// What a sink hears of each table, in order: its number, size, and every cell's place and
// headers by both models. Throws at table `failAt`, if any.
class Transcript : public HeadsSink {
public:
    explicit Transcript(std::uint64_t failAt = 0) : failAt_(failAt) {}
    void tableEnded(TableHeads& table) override
    {
        if (table.facts().number == failAt_)
            throw std::runtime_error("sink failed");
        text += "table " + std::to_string(table.facts().number) + " " + std::to_string(table.rows()) + "x" +
                std::to_string(table.columns()) + ":";
        std::vector<HeaderRef> list;
        for (std::uint64_t i = 0; i < table.cellCount(); ++i) {
            const CellRecord c = table.cell(i);
            text += " " + std::to_string(c.y) + "," + std::to_string(c.x) + "=" + table.name(c) + "/";
            table.headers(c, list);
            for (const HeaderRef& h : list)
                text += std::to_string(h.cell) + ";";
            table.columnHeaders(c, list);
            text += std::to_string(list.size());
            table.rowHeaders(c, list);
            text += std::to_string(list.size());
        }
        text += "\n";
    }
    std::string text;

private:
    std::uint64_t failAt_;
};

std::string transcriptOf(const std::string& page, TableWork work, std::size_t memory, std::size_t piece,
                         std::uint64_t failAt = 0, ScratchMaker scratches = memoryScratches())
{
    Transcript sink(failAt);
    html::Slot slots[HeadsAttribute::count] = {};
    struct : html::FindingSink {
        void add(const html::Finding&) override {}
    } noFindings;
    HeadsReader reader(sink, slots, memory, std::move(scratches), CellNames::every, work);
    html::PageReading reading(noFindings, &reader, kHeadsAttributes, HeadsAttribute::count, slots, {});
    reading.collectCellContent();
    html::feedInPieces(page, piece, [&reading](const char* bytes, std::size_t n) { reading.feed(bytes, n); });
    reading.finish();
    reader.finish();
    return sink.text;
}

// On a thread of its own, which a page of many tables starts, the reader hands the sink the same
// tables, in the order they end, however many wait at once, nested or spilled to scratches; and
// what the sink throws there reaches the caller.
TEST(HeadsReader, HandsTheSameTablesInTheSameOrderOnAThreadOfItsOwn)
{
    std::string page;  // 134 tables: the thread starts after the 64th
    for (int t = 0; t < 100; ++t) {
        page += "<table><tr><th id=h" + std::to_string(t) + ">H" + std::to_string(t) + "<th>K<tr><td>";
        if (t % 3 == 0)
            page += "<table><tr><th>in<td headers=h" + std::to_string(t) + ">x</table>";
        page += "v<td headers='h" + std::to_string(t) + " h0'>w";
        for (int r = 0; r < (t % 10 == 9 ? 150 : t % 4); ++r)
            page += "<tr><th scope=row>r<td rowspan=2>a<td>b";
        page += "</table>";
    }
    const std::string here = transcriptOf(page, TableWork::here, kTableMemory, 0);
    EXPECT_NE(here.find("table 134 "), std::string::npos);
    for (std::size_t memory : {kTableMemory, std::size_t{512}})
        for (std::size_t piece : {std::size_t{0}, std::size_t{5}})
            EXPECT_EQ(transcriptOf(page, TableWork::apart, memory, piece), here) << memory << " " << piece;
    for (std::uint64_t failAt : {3, 100})
        EXPECT_THROW(transcriptOf(page, TableWork::apart, kTableMemory, 0, failAt), std::runtime_error)
            << failAt;
    EXPECT_THROW(transcriptOf(page, TableWork::here, kTableMemory, 0, 100), std::runtime_error);
}

// Only small tables wait for the thread: tables that each fit in memory alone make no scratch on
// either thread, however many follow each other, and a table past the memory makes as many.
TEST(HeadsReader, MakesNoMoreScratchesOnAThreadOfItsOwn)
{
    const auto tables = [](int count, int rows) {
        std::string page;
        for (int t = 0; t < count; ++t) {
            page += "<table><tr><th>A<th>B<th>C";
            for (int r = 0; r < rows; ++r)
                page += "<tr><th>r<td>x<td>y";
            page += "</table>";
        }
        return page;
    };
    const struct {
        const char* what;
        std::string page;
        bool spills;
    } rows[] = {
        {"300 small tables", tables(300, 2), false},
        {"100 tables of 800 rows, each within the memory", tables(100, 800), false},
        {"small tables, then one of 8,000 rows past the memory", tables(80, 2) + tables(1, 8000), true},
    };
    for (const auto& row : rows) {
        int made[2] = {0, 0};
        std::string text[2];
        for (int k = 0; k < 2; ++k) {
            text[k] = transcriptOf(row.page, k == 0 ? TableWork::here : TableWork::apart, kTableMemory, 0, 0,
                                   [&made, k](int&) -> std::unique_ptr<Scratch> {
                                       ++made[k];
                                       return std::make_unique<MemoryScratch>();
                                   });
        }
        EXPECT_EQ(made[0] > 0, row.spills) << row.what;
        EXPECT_EQ(made[1], made[0]) << row.what;
        EXPECT_EQ(text[1], text[0]) << row.what;
    }
}

}  // namespace
}  // namespace zelko::heads
