// Who heads each cell: the standard's "forming relationships between data cells and header
// cells" on the standard's own example and on the shapes its scan rules are about, Chromium's
// model on the clauses that decide it, and the headers writer's lines.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "headers/headers.h"

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
