// The standard reading's tree builder, heard through its table events: the structure a fragment
// gives as a browser builds it, whole and in pieces of every small size.
#include "html/tree.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "html/reading.h"

namespace zelko::html {
namespace {

// Writes each event as a word: "table1", "tbody*" (an implied group), "tr0", "td@0,1:2x1" (a
// cell's row, column and spans), "colgroup0:2", "col1:1", "colgroup*" (implied by a col), and
// "/" before what an end closes.
class EventRecorder : public TableEvents, public FindingSink {
public:
    void tableStart(std::uint64_t number, const Token&) override { word("table" + std::to_string(number)); }
    void tableEnd() override { word("/table"); }
    void captionStart() override { word("caption"); }
    void captionEnd() override { word("/caption"); }
    void columnGroupStart(const Token* colgroup, std::uint32_t number, std::uint32_t span) override
    {
        word(colgroup == nullptr ? "colgroup*"
                                 : "colgroup" + std::to_string(number) + ":" + std::to_string(span));
    }
    void column(std::uint32_t number, std::uint32_t span) override
    {
        word("col" + std::to_string(number) + ":" + std::to_string(span));
    }
    void columnGroupEnd() override { word("/colgroup"); }
    void rowGroupStart(Tag tag, bool implied) override
    {
        word(std::string(nameOf(tag)) + (implied ? "*" : ""));
    }
    void rowGroupEnd() override { word("/group"); }
    void rowStart(std::uint64_t row) override { word("tr" + std::to_string(row)); }
    void rowEnd() override { word("/tr"); }
    void cellStart(const Token& cell, const CellPlace& place) override
    {
        word(std::string(nameOf(cell.tag)) + "@" + std::to_string(place.row) + "," +
             std::to_string(place.column) + ":" + std::to_string(place.colspan) + "x" +
             std::to_string(place.rowspan));
    }
    void cellEnd() override { word("/cell"); }
    void rowNode(NodeKind kind) override
    {
        word(kind == NodeKind::text ? "~text" : kind == NodeKind::comment ? "~comment" : "~element");
    }
    // "{" then e (an element), t (text but white space), n (a node) as they hold, and the name.
    void cellContent(const CellContent& content) override
    {
        word(std::string("{") + (content.element ? "e" : "") + (content.text ? "t" : "") +
             (content.node ? "n" : "") + (content.empty() ? "!" : "") + ":" + content.name + "}");
    }
    bool wantsCellName() const override { return names; }
    void add(const Finding&) override {}

    std::string out;
    bool names = true;

private:
    void word(const std::string& w) { out += out.empty() ? w : " " + w; }
};

std::string eventsOf(const std::string& page, std::size_t piece, bool content = false, bool names = true)
{
    EventRecorder recorder;
    recorder.names = names;
    PageReading reading(recorder, &recorder);
    if (content)
        reading.collectCellContent();
    feedInPieces(page, piece, [&reading](const char* bytes, std::size_t n) { reading.feed(bytes, n); });
    reading.finish();
    return recorder.out;
}

struct Row {
    const char* what;
    std::string page;
    std::string events;
};

// Where `got` first differs from `want`, shown with a little of what stands around it: the
// events of deep pages are long.
std::string difference(const std::string& got, const std::string& want)
{
    std::size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    if (i == got.size() && i == want.size())
        return "";
    const std::size_t from = i < 60 ? 0 : i - 60;
    return "from byte " + std::to_string(i) + ":\n  got  ..." + got.substr(from, 160) + "\n  want ..." +
           want.substr(from, 160);
}

void expectEvents(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        EXPECT_EQ(difference(eventsOf(row.page, 0), row.events), "") << row.what;
        for (std::size_t piece : {1, 2, 5})
            EXPECT_EQ(difference(eventsOf(row.page, piece), row.events), "")
                << row.what << ", in pieces of " << piece;
    }
}

TEST(TreeBuilder, ImpliesAndClosesTheElementsOfATableAsTheStandardDoes)
{
    expectEvents({
        {"a cell directly in a table opens the row group and the row", "<table><td>a<td>b</table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell td@0,1:1x1 /cell /tr /group /table"},
        {"a new row and a new row group close the open ones", "<table><tr><td><tr><th><tbody><tr></table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell /tr tr1 th@1,0:1x1 /cell /tr /group tbody tr2 /tr /group "
         "/table"},
        {"the end of the page closes every open table", "<table><tr><td><table><tr><td>",
         "table1 tbody* tr0 td@0,0:1x1 table2 tbody* tr0 td@0,0:1x1 /cell /tr /group /table /cell /tr /group "
         "/table"},
        {"a table directly in a table ends it", "<table><tr><td>a</td><table><tr><td>",
         "table1 tbody* tr0 td@0,0:1x1 /cell /tr /group /table table2 tbody* tr0 td@0,0:1x1 /cell /tr /group "
         "/table"},
        {"a caption holds a table, and a row ends the caption", "<table><caption><table></table><tr>",
         "table1 caption table2 /table /caption tbody* tr0 /tr /group /table"},
        {"cell, row and group tags outside a table are dropped", "<td><tr><tbody><caption><table></table>",
         "table1 /table"},
        {"an end tag of no open group is ignored", "<table><tr><td></thead></tfoot><td></table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell td@0,1:1x1 /cell /tr /group /table"},
        {"a cell's end tag of the other kind is ignored", "<table><tr><td></th>x<td></table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell td@0,1:1x1 /cell /tr /group /table"},
        {"a footer before the body stays where it stands", "<table><tfoot><tr><td><thead><tr><td></table>",
         "table1 tfoot tr0 td@0,0:1x1 /cell /tr /group thead tr1 td@1,0:1x1 /cell /tr /group /table"},
    });
}

TEST(TreeBuilder, ReadsColumnGroupsAsTheStandardDoes)
{
    expectEvents({
        {"a colgroup with columns, and a bare col's implied group",
         "<table><colgroup span=3><col span=2></colgroup><col>",
         "table1 colgroup0:3 col1:2 /colgroup colgroup* col2:1 /colgroup /table"},
        {"text that is not white space ends a column group", "<table><colgroup> x<col></table>",
         "table1 colgroup0:1 /colgroup colgroup* col1:1 /colgroup /table"},
        {"white space does not", "<table><colgroup> \n<col></table>",
         "table1 colgroup0:1 col1:1 /colgroup /table"},
        {"a row ends a column group", "<table><col><tr><td>",
         "table1 colgroup* col0:1 /colgroup tbody* tr0 "
         "td@0,0:1x1 /cell /tr /group /table"},
    });
}

TEST(TreeBuilder, LeavesSelectBoxesAndTemplateContentsOut)
{
    expectEvents({
        {"a select box in a cell ends at the next cell", "<table><tr><td><select><td>a</select><td></table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell td@0,1:1x1 /cell td@0,2:1x1 /cell /tr /group /table"},
        {"a select box outside a table hides a table", "<select><table><td></select><table>",
         "table1 /table"},
        {"a template's contents are no part of the page",
         "<template><table><td></table><template></template></template><table>", "table1 /table"},
        {"a stray template end tag changes nothing", "<table><colgroup></template><col></table>",
         "table1 colgroup0:1 col1:1 /colgroup /table"},
        {"raw text hides table tags", "<table><tr><td><style><td></style><xmp><td></xmp></table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell /tr /group /table"},
    });
}

TEST(TreeBuilder, ReadsSvgAndMathMlByTheRulesOfForeignContent)
{
    expectEvents({
        {"a table in an HTML integration point of SVG is a table",
         "<svg><title><table><tr></tr></table></title></svg>", "table1 tbody* tr0 /tr /group /table"},
        {"in SVG a td is an SVG element", "<table><tr><td><svg><td>x</td></svg></td><td>b</td></table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell td@0,1:1x1 /cell /tr /group /table"},
        {"CDATA is a section in foreign content", "<svg><![CDATA[</svg><table><tr></tr></table>]]>", ""},
        {"and a bogus comment in HTML, which the first '>' ends", "<![CDATA[</svg><table>]]><table>",
         "table1 /table table2 /table"},
        {"and a section in integration points too, which are foreign elements",
         "<table><tr><td><math><mi><![CDATA[</math><td>]]></math><td><svg><title><![CDATA[<td>]]></table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell td@0,1:1x1 /cell /tr /group /table"},
        {"a breakout tag ends foreign content", "<table><tr><td><svg><g><table><tr><td>x</table></table>",
         "table1 tbody* tr0 td@0,0:1x1 table2 tbody* tr0 td@0,0:1x1 /cell /tr /group /table /cell /tr /group "
         "/table"},
        {"font breaks out only with color, face or size",
         "<table><tr><td><svg><font><td></font><font size=2><td></table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell td@0,1:1x1 /cell /tr /group /table"},
        {"a self-closing root opens nothing", "<table><tr><td><svg/><td><math /><td></table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell td@0,1:1x1 /cell td@0,2:1x1 /cell /tr /group /table"},
        {"script and style in SVG are no raw text",
         "<svg><style></svg><table></table><svg><script></svg><table>", "table1 /table table2 /table"},
        {"an end tag no foreign element has reaches the cell below",
         "<table><tr><td><svg><g></td><td>y</table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell td@0,1:1x1 /cell /tr /group /table"},
        {"MathML text integration points let HTML in, but not mglyph",
         "<table><tr><td><math><mi><table></table><mglyph><td></table>",
         "table1 tbody* tr0 td@0,0:1x1 table2 /table /cell /tr /group /table"},
        {"annotation-xml is an HTML integration point by its encoding, in any case",
         "<math><annotation-xml encoding='Text/HTML'><table></table></annotation-xml>"
         "<annotation-xml><td><svg><desc><table>",
         "table1 /table table2 /table"},
        {"names in any letter case; foreignObject as SVG writes it",
         "<SVG><ForeignObject><TABLE><TR><TD></TABLE></FOREIGNOBJECT></svg><table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell /tr /group /table table2 /table"},
        {"SVG foster-parented between rows takes the rows' tags",
         "<table><tr><td>a</td><svg><tr><td>b</svg><tr><td>c</table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell /tr tr1 td@1,0:1x1 /cell /tr /group /table"},
        {"an HTML element in an integration point reads the tags after it as HTML",
         "<table><tr><td><math><mn><mi><mglyph><td>x</table>",
         "table1 tbody* tr0 td@0,0:1x1 /cell td@0,1:1x1 /cell /tr /group /table"},
    });
}

TEST(TreeBuilder, PlacesCellsInTheGridWithTheirSpansAsBrowsersReadThem)
{
    expectEvents({
        {"a cell moves past slots covered from above",
         "<table><tr><td rowspan=2><td><tr><td colspan=2 rowspan=0></table>",
         "table1 tbody* tr0 td@0,0:1x2 /cell td@0,1:1x1 /cell /tr tr1 td@1,1:2x0 /cell /tr /group /table"},
        {"spans beyond their bounds, malformed or zero",
         "<table><tr><td colspan=0><td colspan=1001><td rowspan=x>",
         "table1 tbody* tr0 td@0,0:1x1 /cell td@0,1:1000x1 /cell td@0,1001:1x1 /cell /tr /group /table"},
    });
}

// What cells hold and what stands in rows beside them, for a writer that asks.
TEST(TreeBuilder, TellsWhatEveryCellHoldsAndWhatStandsBesideTheCellsOfARow)
{
    const struct {
        const char* what;
        std::string page, events;
    } cases[] = {
        {"elements, text, comments; references resolved, white space collapsed",
         "<table><tr><th> Name\n &amp;&#32;<b>age</b> </th><td>&nbsp;</td><td> "
         "</td><td><!--c--></td><td></td>"
         "<td><span></span>",
         "table1 tbody* tr0 th@0,0:1x1 {etn:Name & age} /cell td@0,1:1x1 {n!:\xc2\xa0} /cell td@0,2:1x1 "
         "{n!:} /cell "
         "td@0,3:1x1 {n!:} /cell td@0,4:1x1 {!:} /cell td@0,5:1x1 {en:} /cell /tr /group /table"},
        {"a name cut at 80 bytes, at a character's start; legacy names without ';'",
         "<table><td>" + std::string(78, 'a') + "\xc3\xa9\xc3\xa9 &copy x",
         "table1 tbody* tr0 td@0,0:1x1 {tn:" + std::string(78, 'a') + "\xc3\xa9} /cell /tr /group /table"},
        {"white space, comments and the elements the table rules put in a row; other text moves out",
         "<table><tr> <th>a</th> <!--x--> <script></script><td>b</td>x <td>c</td> <input type=HIDDEN><form>",
         "table1 tbody* tr0 ~text th@0,0:1x1 {tn:a} /cell ~text ~comment ~text ~element td@0,1:1x1 {tn:b} "
         "/cell "
         "td@0,2:1x1 {tn:c} /cell ~text ~element ~element /tr /group /table"},
        {"a nested table's cells are its own; the outer cell holds an element",
         "<table><td>a<table><td>b</table>c</table>",
         "table1 tbody* tr0 td@0,0:1x1 table2 tbody* tr0 td@0,0:1x1 {tn:b} /cell /tr /group /table {etn:ac} "
         "/cell "
         "/tr /group /table"},
    };
    for (const auto& c : cases) {
        // A writer that reads no names is told the same of every cell but its text.
        const std::string unnamed =
            std::regex_replace(c.events, std::regex("\\{([a-z!]*):[^}]*\\}"), "{$1:}");
        for (std::size_t piece : {0, 1, 3}) {
            EXPECT_EQ(difference(eventsOf(c.page, piece, true), c.events), "")
                << c.what << ", in pieces of " << piece;
            EXPECT_EQ(difference(eventsOf(c.page, piece, true, false), unnamed), "")
                << c.what << ", without names, in pieces of " << piece;
        }
    }
}

std::string repeat(std::size_t n, const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < n; ++i)
        out += text;
    return out;
}

// Nested `<table><tr><td>` put table k's element at depth 4k - 1 (html 1, body 2), its tbody at
// 4k: table 128's tbody stands at depth 512, where Chromium stops nesting.
TEST(TreeBuilder, BuildsWhatLiesDeeperThanChromiumNestsFlatInTheElementAtThatDepth)
{
    std::string nested, ends;
    for (int k = 1; k <= 127; ++k) {
        nested += "table" + std::to_string(k) + " tbody* tr0 td@0,0:1x1 ";
        ends += " /cell /tr /group /table";
    }
    // A row group at the depth: each table's row is one of its rows, each table deeper is built
    // empty, beside them.
    const std::string group = nested +
                              "table128 tbody* tr0 /tr table129 /table tr1 /tr table130 /table tr2 /tr "
                              "/group /table" +
                              ends;
    // A row there (three elements deeper, SVG's two and a div): each cell, table 127's own and
    // those of the tables deeper, is one of its cells, and the tables built empty stand in the
    // cells before them.
    std::string row;
    for (int k = 1; k <= 126; ++k)
        row += "table" + std::to_string(k) + " tbody* tr0 td@0,0:1x1 ";
    row +=
        "table127 tbody* tr0 td@0,0:1x1 table128 /table /cell td@0,1:1x1 table129 /table /cell "
        "td@0,2:1x1 table130 /table /cell td@0,3:1x1 /cell /tr /group /table" +
        ends.substr(0, ends.size() - std::string(" /cell /tr /group /table").size());
    expectEvents({
        {"a row group at the depth", repeat(130, "<table><tr><td>x"), group},
        {"a row at the depth", "<svg><foreignObject><div>" + repeat(130, "<table><tr><td>x"), row},
        {"nesting again as deep once the elements deeper are closed",
         repeat(130, "<table><tr><td>") + repeat(130, "</table>") + "<table><tr><td>",
         group + " table131 tbody* tr0 td@0,0:1x1 /cell /tr /group /table"},
    });
}

// Tables nested without end take memory by their kinds, not by their number: a run of tables
// alike deeper than Chromium nests is kept once.
TEST(TreeBuilder, ReadsAHundredThousandNestedTablesAsChromiumBuildsThem)
{
    struct Counter : SomeTableEvents, FindingSink {
        std::vector<std::uint64_t> rows;  // per table
        std::vector<std::uint64_t> open;
        std::uint64_t cells = 0;
        void tableStart(std::uint64_t number, const Token&) override
        {
            rows.resize(number, 0);
            open.push_back(number - 1);
        }
        void tableEnd() override { open.pop_back(); }
        void rowStart(std::uint64_t) override { ++rows[open.back()]; }
        void cellStart(const Token&, const CellPlace&) override { ++cells; }
        void add(const Finding&) override {}
    } counter;
    PageReading reading(counter, &counter);
    const std::string page = repeat(100000, "<table><tr><td>");
    reading.feed(page.data(), page.size());
    reading.finish();
    ASSERT_EQ(counter.rows.size(), 100000u);
    EXPECT_EQ(counter.rows[126], 1u);
    EXPECT_EQ(counter.rows[127], 100000u - 127);
    EXPECT_EQ(counter.rows[128], 0u);
    EXPECT_EQ(counter.cells, 127u);
    EXPECT_TRUE(counter.open.empty());
}

}  // namespace
}  // namespace zelko::html
