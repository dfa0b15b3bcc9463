#include "view/view.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "html/catalogue.h"
#include "html/reading.h"
#include "view/escape.h"
#include "view/picture.h"
#include "view/queue.h"
#include "view/records.h"

namespace zelko::view {
namespace {

const std::string kHead =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
    "base-uri 'none'; form-action 'none'\">\n<title>zelko: p.html</title>\n"
    "<style>body {display: flex; flex-direction: column; align-items: flex-start;} .totals {order: -1; "
    "font: normal 11px Courier New; background-color: #EEEEEE; padding: 3px 6px; margin: 0 0 8px 0;} "
    ".list {font: normal 11px Courier New; margin: 2px 0 8px 0;} .error {color: #C00000;} "
    ".warning {color: #8A4B00;} .note {color: #5F5F5F;} :target, :target > td, :target > th "
    "{outline: 2px solid #1F5FCC; outline-offset: -2px;}</style>\n</head><body>\n";
const std::string kList = "\n<ol class=\"list\">";

struct Row {
    const char* what;
    std::string page, body;  // the result between the head and the end
    std::string totals;      // the text of the page's totals
};

const std::string kBorderSheet =
    "<style>table {border: 1px solid #FF0000; border-width: 1px 1px 1px 1px;} "
    "td, th {border: 1px dotted #A0A0A0; border-width: 1px 1px 1px 1px;}</style>\n";

// Each page, whole and in pieces of 1, 3 and 7 bytes, gives exactly the body expected, then
// its totals and the end.
void expectViews(const std::vector<Row>& rows, bool borders)
{
    std::string head = kHead;
    if (borders)
        head.insert(head.size() - std::string("</head><body>\n").size(), kBorderSheet);
    for (const Row& row : rows) {
        const std::string end = "\n<div class=\"totals\">" + row.totals + "</div>\n</body></html>\n";
        for (std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{7}}) {
            EXPECT_EQ(viewText(row.page, borders, "p.html", piece), head + row.body + end)
                << row.what << ", in pieces of " << piece;
        }
    }
}

std::string note(const char* id, const char* at, const char* text)
{
    return std::string("<li class=\"note\"><a href=\"#") + id + "\">" + at + "</a> note: " + text +
           " [table]</li>";
}

// An error's or a warning's entry in the list, with where its mark is.
std::string entry(const char* severity, const char* id, const char* at, const std::string& text,
                  const char* kind, const std::string& marked)
{
    return std::string("<li class=\"") + severity + "\"><a href=\"#" + id + "\">" + at + "</a> " + severity +
           ": " + text + " [" + kind + "] \xc2\xb7 marked: " + marked + "</li>";
}

// The marks: an element's background, and the end of a row.
std::string mark(const char* id, bool error = true)
{
    return std::string("<style>#") + id +
           (error ? "{background-color: #FFD6D6;}" : "{background-color: #FFE9C2;}") + "</style>";
}
std::string rowEnd(const char* id, bool error = true)
{
    return std::string("<style>#") + id +
           (error ? "{box-shadow: inset -4px 0 0 #D00000;}" : "{box-shadow: inset -4px 0 0 #C07000;}") +
           "</style>";
}

const char kClean1[] = "1 table, 0 errors, 0 warnings";

TEST(View, WritesTheTablesAsABrowserBuildsThem)
{
    expectViews(
        {
            {"implied row group and row, text and other markup dropped",
             "<p>x<table><td>a<b>b</b><td class=\"q\">c</table>y",
             "\n<table id=\"t1\">\n<tbody>\n<tr id=\"t1r1\"><td id=\"t1r1c1\">&nbsp;1x1 </td>"
             "<td id=\"t1r1c2\">&nbsp;1x1 q</td></tr>\n</tbody>\n</table>" +
                 kList + note("t1", "1:5", "table 1 (no class): 1 row x 2 columns, 1 row group") + "</ol>\n",
             kClean1},
            {"row groups in source order, spans as browsers read them; a row's width marked where it ends",
             "<table><tfoot><tr><th colspan=0 rowspan=0>"
             "<thead><tr><td colspan=5000 rowspan=' 2'><td rowspan=x></table>",
             "\n<table id=\"t1\">\n<tfoot>\n<tr id=\"t1r1\"><th id=\"t1r1c1\" rowspan=\"0\">&nbsp;1x0 "
             "</th></tr>\n</tfoot>\n<thead>\n<tr id=\"t1r2\"><td id=\"t1r2c1\" colspan=\"1000\" "
             "rowspan=\"2\">&nbsp;1000x2 </td><td id=\"t1r2c1001\">&nbsp;1x1 </td>" +
                 rowEnd("t1r2c1001", false) + "</tr>" + mark("t1r2c1") + "\n</thead>" + mark("t1r2c1") +
                 "\n</table>" + kList +
                 entry("warning", "t1r2c1001", "1:98",
                       "row 2 has 1001 columns, more than the 1 that the first row sets", "row-long",
                       "the end of row 2, its last cell at column 1001") +
                 entry("error", "t1r2c1", "1:54",
                       "cell at row 2, column 1 has rowspan 2, but its row group ends after row 2: it spans "
                       "1 row",
                       "rowspan-clipped", "the cell at row 2, column 1") +
                 note("t1", "1:1", "table 1 (no class): 2 rows x 1001 columns, 2 row groups") +
                 entry("error", "t1r2c1", "1:54", "no cell begins in columns 2-1000", "column-no-cells",
                       "the cell at row 2, column 1") +
                 "</ol>\n",
             "1 table, 2 errors, 1 warning \xc2\xb7 faults in <a href=\"#t1\">table 1</a> (2 errors, 1 "
             "warning)"},
            {"column groups and columns, implied and after the rows",
             "<table><col span=2><colgroup span=3></colgroup>"
             "<tr><td colspan=5></tr><colgroup><col></table>",
             "\n<table id=\"t1\">\n<colgroup><col id=\"t1k1\" span=\"2\"></colgroup>\n<colgroup id=\"t1k2\" "
             "span=\"3\"></colgroup>\n<tbody>\n<tr id=\"t1r1\"><td id=\"t1r1c1\" colspan=\"5\">&nbsp;5x1 "
             "</td></tr>\n</tbody>\n<colgroup id=\"t1k3\"><col id=\"t1k4\"></colgroup>" +
                 mark("t1k1") + mark("t1k2") + "\n</table>" + kList +
                 note("t1", "1:1", "table 1 (no class): 1 row x 5 columns, 1 row group") +
                 entry("error", "t1k1", "1:8", "no cell begins in column 2", "column-no-cells",
                       "column element 1") +
                 entry("error", "t1k2", "1:20", "no cell begins in columns 3-5", "column-no-cells",
                       "column element 2") +
                 "</ol>\n",
             "1 table, 2 errors, 0 warnings \xc2\xb7 faults in <a href=\"#t1\">table 1</a> (2 errors)"},
            {"tables nest in cells and in captions, which then get one to stand in",
             "<table><caption>c<table></table></caption><tr><td><table><td></table></table>",
             "\n<table id=\"t1\"><caption>\n<table id=\"t2\">\n</table>" + kList +
                 note("t2", "1:18", "table 2 (no class): 0 rows x 0 columns, 0 row groups") +
                 "</ol>\n</caption>\n<tbody>\n<tr id=\"t1r1\"><td id=\"t1r1c1\">&nbsp;1x1 \n<table "
                 "id=\"t3\">\n<tbody>\n<tr id=\"t3r1\"><td id=\"t3r1c1\">&nbsp;1x1 "
                 "</td></tr>\n</tbody>\n</table>" +
                 kList + note("t3", "1:51", "table 3 (no class): 1 row x 1 column, 1 row group") +
                 "</ol>\n</td></tr>\n</tbody>\n</table>" + kList +
                 note("t1", "1:1", "table 1 (no class): 1 row x 1 column, 1 row group") + "</ol>\n",
             "3 tables, 0 errors, 0 warnings"},
            {"the page's border attributes stay, escaped; nothing of a script or a handler",
             "<table border=1 FRAME=\"a&quot;b\" rules=x cellspacing=0 cellpadding='<' onclick=\"x()\" "
             "style=\"s\"><script>document.write('<td>')</script><tr><td onmouseover=y "
             "class='\"&amp;<>'></table>",
             "\n<table id=\"t1\" border=\"1\" frame=\"a&quot;b\" rules=\"x\" cellspacing=\"0\" "
             "cellpadding=\"&lt;\">\n<tbody>\n<tr id=\"t1r1\"><td id=\"t1r1c1\">&nbsp;1x1 "
             "&quot;&amp;&lt;&gt;</td></tr>\n</tbody>\n</table>" +
                 kList + note("t1", "1:1", "table 1 (no class): 1 row x 1 column, 1 row group") + "</ol>\n",
             kClean1},
            {"class bytes that are no UTF-8 are shown as a browser shows them",
             "<table><td class='\xe9\x80 \xc3\xa9'>",
             "\n<table id=\"t1\">\n<tbody>\n<tr id=\"t1r1\"><td id=\"t1r1c1\">&nbsp;1x1 \xc3\xa9\xe2\x82\xac "
             "\xc3\xa9</td></tr>\n</tbody>\n</table>" +
                 kList + note("t1", "1:1", "table 1 (no class): 1 row x 1 column, 1 row group") + "</ol>\n",
             kClean1},
            {"no tables, no body content", "<p>text<script>alert(1)</script>", "",
             "0 tables, 0 errors, 0 warnings"},
        },
        false);
}

TEST(View, BorderModeStylesEveryTableAndCellAndCaptionsTheTable)
{
    // Tables and cells get their borders from the style sheet in the head.
    const std::string caption = "<caption style=\"color: #FF0000; font: normal 9px Courier New;\">";
    expectViews(
        {
            {"a class, the whole of it, escaped", "\n<table class=\"a-very-long-class-name <x>\"><tr><td>",
             "\n<table id=\"t1\">" + caption +
                 "table 1 \xc2\xb7 class &quot;a-very-long-class-name &lt;x&gt;&quot; \xc2\xb7 line "
                 "2</caption>\n<tbody>\n<tr id=\"t1r1\"><td id=\"t1r1c1\">&nbsp;1x1 "
                 "</td></tr>\n</tbody>\n</table>" +
                 kList +
                 note("t1", "2:1",
                      "table 1 (class &quot;a-very-long-class-name &lt;x&gt;&quot;): 1 row x 1 column, 1 row "
                      "group") +
                 "</ol>\n",
             kClean1},
            {"the page's own border attributes give way to the tool's", "<table border=5 cellpadding=3><td>",
             "\n<table id=\"t1\">" + caption +
                 "table 1 \xc2\xb7 no class \xc2\xb7 line 1</caption>\n<tbody>"
                 "\n<tr id=\"t1r1\"><td id=\"t1r1c1\">&nbsp;1x1 </td></tr>\n</tbody>\n</table>" +
                 kList + note("t1", "1:1", "table 1 (no class): 1 row x 1 column, 1 row group") + "</ol>\n",
             kClean1},
            {"no class; an overlap is marked at once",
             "<table><tr><td><td rowspan=2><tr><td colspan=2></table>",
             "\n<table id=\"t1\">" + caption +
                 "table 1 \xc2\xb7 no class \xc2\xb7 line 1</caption>\n<tbody>"
                 "\n<tr id=\"t1r1\"><td id=\"t1r1c1\">&nbsp;1x1 </td><td id=\"t1r1c2\" "
                 "rowspan=\"2\">&nbsp;1x2 "
                 "</td></tr>\n<tr id=\"t1r2\">" +
                 mark("t1r2c1") + "<td id=\"t1r2c1\" colspan=\"2\">&nbsp;2x1 </td></tr>\n</tbody>\n</table>" +
                 kList +
                 entry("error", "t1r2c1", "1:34",
                       "cell at row 2, column 1 overlaps the cell at row 1, column 2 (line 1, column 16)",
                       "cell-overlap", "the cell at row 2, column 1") +
                 note("t1", "1:1", "table 1 (no class): 2 rows x 2 columns, 1 row group") + "</ol>\n",
             "1 table, 1 error, 0 warnings \xc2\xb7 faults in <a href=\"#t1\">table 1</a> (1 error)"},
        },
        true);
}

TEST(View, ReadsACellsAttributesAsABrowserDoes)
{
    // The cell as written in a one-row table, whole and in pieces that split every construct.
    struct Cell {
        std::string tag, written;
    };
    const Cell cells[] = {
        {"<td class = \"a&amp;b\" colspan= 2>", "<td id=\"t1r1c1\" colspan=\"2\">&nbsp;2x1 a&amp;b</td>"},
        {"<td/class=y>", "<td id=\"t1r1c1\">&nbsp;1x1 y</td>"},
        {"<td class=x/>", "<td id=\"t1r1c1\">&nbsp;1x1 x/</td>"},
        {"<td class='a'class=b rowspan=\"3\"rowspan=4>", "<td id=\"t1r1c1\" rowspan=\"3\">&nbsp;1x3 a</td>"},
        {"<td =x class=z>", "<td id=\"t1r1c1\">&nbsp;1x1 z</td>"},
        {"<td class=\"a\r\nb\rc\">", "<td id=\"t1r1c1\">&nbsp;1x1 a\nb\nc</td>"},
        {"<TD CLASS=\"Q\" ROWSPAN=\r\n3 COLSPAN=' \t4'>",
         "<td id=\"t1r1c1\" colspan=\"4\" rowspan=\"3\">&nbsp;4x3 Q</td>"},
        {"<td class=\"a&ampb&amp c&lt;d\">", "<td id=\"t1r1c1\">&nbsp;1x1 a&amp;ampb&amp; c&lt;d</td>"},
        {"<td class=a&#65;b&#x42;&quot>", "<td id=\"t1r1c1\">&nbsp;1x1 aAbB&quot;</td>"},
        {std::string("<td class=\"a\0b\">", 15),
         "<td id=\"t1r1c1\">&nbsp;1x1 a\xef\xbf\xbd"
         "b</td>"},
        {"<td class=\"\">", "<td id=\"t1r1c1\">&nbsp;1x1 </td>"},
        {"<td class=\"a\" / colspan=3 / >", "<td id=\"t1r1c1\" colspan=\"3\">&nbsp;3x1 a</td>"},
        {"<td colspan=\"2\"\"class=x>", "<td id=\"t1r1c1\" colspan=\"2\">&nbsp;2x1 </td>"},
        {"<td class=>", "<td id=\"t1r1c1\">&nbsp;1x1 </td>"},
    };
    for (const Cell& cell : cells) {
        std::string page = "<table><tr>" + cell.tag + "</td></tr></table>";
        for (std::size_t piece : {0, 1, 2, 3, 5, 7}) {
            EXPECT_NE(viewText(page, false, "p.html", piece).find(cell.written), std::string::npos)
                << page << ", in pieces of " << piece;
        }
    }
}

TEST(View, EscapesAClassWhereverItsSpecialBytesFall)
{
    // The bytes to escape at every place relative to the sixteen looked at together: before,
    // on and after each border, and a byte that is no UTF-8 shown as windows-1252 shows it.
    struct Special {
        std::string byte, written;
    };
    const Special specials[] = {{"<", "&lt;"},           {">", "&gt;"},        {"&", "&amp;"},
                                {"\"", "&quot;"},        {"\xe9", "\xc3\xa9"}, {"\x80", "\xe2\x82\xac"},
                                {"\xc3\xa9", "\xc3\xa9"}};
    for (const Special& special : specials) {
        for (std::size_t before = 0; before < 40; ++before) {
            const std::string lead(before, 'a'), tail(21, 'b');
            const std::string page = "<table><td class='" + lead + special.byte + tail + "'></table>";
            const std::string label = "&nbsp;1x1 " + lead + special.written + tail + "</td>";
            EXPECT_NE(viewText(page, false, "p.html").find(label), std::string::npos)
                << "byte " << special.written << " after " << before << " bytes";
        }
    }
}

TEST(View, ListsAndMarksEveryFindingOfALongTable)
{
    // Far more findings than a list keeps in memory: the earlier ones wait in a temporary file.
    const std::size_t rows = 5000;
    std::string page = "<table><tr><td><td>";
    for (std::size_t i = 0; i < rows; ++i)
        page += "<tr><td>";
    page += "</table><table><tr><td></table>";
    std::string result = viewText(page, false, "p.html");
    auto count = [&result](const std::string& text) {
        std::size_t n = 0;
        for (std::size_t at = result.find(text); at != std::string::npos; at = result.find(text, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("<style>#t1r"), rows);
    EXPECT_EQ(count("<li class=\"warning\"><a href=\"#t1r"), rows);
    // In order, from the first to the last, then the table's note; the next table follows.
    std::size_t first = result.find("<li class=\"warning\"><a href=\"#t1r2c1\">"),
                last = result.find("<li class=\"warning\"><a href=\"#t1r5001c1\">");
    std::size_t note = result.find("<li class=\"note\"><a href=\"#t1\">"),
                next = result.find("<table id=\"t2\">");
    EXPECT_LT(result.find("\n</table>"), first);
    EXPECT_LT(first, last);
    EXPECT_LT(last, note);
    EXPECT_LT(note, next);
    EXPECT_EQ(result.find("more finding"), std::string::npos);
    EXPECT_EQ(viewText(page, false, "p.html", 4093), result);
}

// Spools that cannot be had, or fail to take their bytes, as a full disk would.
class FailingSpool : public Spool {
public:
    int write(const char*, std::size_t) override { return ENOSPC; }
    int replay(const std::function<void(const char*, std::size_t)>&) override { return 0; }
};

TEST(View, SaysWhenAListCannotWaitInASpool)
{
    std::string page = "<table><tr><td><td>";
    for (int i = 0; i < 5000; ++i)
        page += "<tr><td>";
    page += "</table>";
    const SpoolMaker makers[] = {
        [](int& error) -> std::unique_ptr<Spool> {
            error = ENOENT;
            return nullptr;
        },
        [](int&) -> std::unique_ptr<Spool> { return std::make_unique<FailingSpool>(); },
    };
    const int errors[] = {ENOENT, ENOSPC};
    for (int i = 0; i < 2; ++i) {
        std::string result;
        PageViewer viewer(
            "p.html", false, [&result](const char* bytes, std::size_t n) { result.append(bytes, n); },
            makers[i]);
        viewer.feed(page.data(), page.size());
        viewer.finish();
        EXPECT_EQ(viewer.spoolError(), errors[i]);
        // Every finding is still marked, and those not listed are counted.
        std::size_t marks = 0, listed = 0;
        for (std::size_t at = result.find("<style>#t1r"); at != std::string::npos;
             at = result.find("<style>#t1r", at + 1))
            ++marks;
        for (std::size_t at = result.find("<li class=\"warning\">"); at != std::string::npos;
             at = result.find("<li class=\"warning\">", at + 1))
            ++listed;
        EXPECT_EQ(marks, 5000u);
        const std::string more =
            "<li>and " + std::to_string(5000 - listed + 1) +
            " more findings (no temporary file could hold them), marked above but not listed</li>";
        EXPECT_NE(result.find(more), std::string::npos) << listed;
        EXPECT_NE(result.find("1 table, 0 errors, 5000 warnings"), std::string::npos);
    }
}

TEST(View, LinksEveryTableWithAFaultFromTheTotals)
{
    // Far more tables with faults than the totals keep in memory: every link is there, in order.
    std::string page;
    for (int i = 0; i < 3000; ++i)
        page += i % 3 == 0 ? "<table><tr><td><td><tr><td></table>" : "<table><tr><td></table>";
    const std::string result = viewText(page, false, "p.html");
    const std::size_t totals = result.find("<div class=\"totals\">3000 tables, 0 errors, 1000 warnings");
    ASSERT_NE(totals, std::string::npos);
    std::size_t at = totals;
    for (int table = 1; table <= 3000; table += 3) {
        at = result.find("<a href=\"#t" + std::to_string(table) + "\">table " + std::to_string(table) +
                             "</a> (1 warning)",
                         at);
        ASSERT_NE(at, std::string::npos) << table;
    }
    EXPECT_EQ(result.find("<a href=\"#t2\">", totals), std::string::npos);
}

// Deeper than a browser nests, table 128's tbody holds the rows of every table deeper and those
// tables, built empty: each is written in a caption of its own, which the markup allows between
// rows, so that the browser builds the view's tables as it builds the page's.
TEST(View, WritesATableBuiltInARowGroupInACaptionOfItsOwn)
{
    std::string page;
    for (int i = 0; i < 130; ++i)
        page += "<table><tr><td>";
    const std::string result = viewText(page, false, "p.html");
    // In this order: the rows with their marks (no cell begins in them), and the tables.
    const char* const pieces[] = {
        "\n<table id=\"t128\">\n<tbody>\n<tr id=\"t128r1\">",
        "</tr>\n<caption>\n<table id=\"t129\">\n</table>",
        "</caption>\n\n<tr id=\"t128r2\">",
        "</tr>\n<caption>\n<table id=\"t130\">\n</table>",
        "</caption>\n\n<tr id=\"t128r3\">",
        "</tr>\n</tbody>\n</table>",
        "130 tables, 3 errors, 0 warnings",
    };
    std::size_t at = 0;
    for (const char* piece : pieces) {
        at = result.find(piece, at);
        ASSERT_NE(at, std::string::npos) << piece;
    }
}

TEST(View, KeepsLongLabelsAndEntriesWholeAcrossBlocks)
{
    // Cells with a 4000-byte class that escapes to four times as much, and headers naming 700
    // ids no th has: labels and list entries far longer than a block of the view, of the queue
    // between its threads, or of a list kept in memory, cut nowhere.
    std::string ids;
    for (int i = 0; i < 700; ++i)
        ids += "h" + std::to_string(i) + " ";
    std::string page = "<table><tr>";
    for (int i = 0; i < 15; ++i)  // within the headers check's 64 KiB
        page += "<td class=\"" + std::string(4000, '<') + "\" headers=\"" + ids + "\">";
    page += "</table>";
    const std::string result = viewText(page, false, "p.html");
    EXPECT_EQ(viewText(page, false, "p.html", 7), result);

    std::string label = "\">&nbsp;1x1 ";
    for (int i = 0; i < 4000; ++i)
        label += "&lt;";
    label += "</td>";
    std::size_t at = 0;
    for (int cell = 1; cell <= 15; ++cell) {  // every cell whole, then every entry, in order
        at = result.find("<td id=\"t1r1c" + std::to_string(cell) + label, at);
        ASSERT_NE(at, std::string::npos) << "cell " << cell;
    }
    for (int cell = 1; cell <= 15; ++cell) {
        at = result.find("<li class=\"error\"><a href=\"#t1r1c" + std::to_string(cell) + "\">", at);
        ASSERT_NE(at, std::string::npos) << "entry " << cell;
        const std::size_t end = result.find("</li>", at);
        ASSERT_NE(end, std::string::npos);
        const std::string entry = result.substr(at, end - at);
        EXPECT_NE(entry.find("&quot;h0&quot;, &quot;h1&quot;"), std::string::npos) << "entry " << cell;
        EXPECT_NE(entry.find("&quot;h699&quot;, which no th of this table has as its id [headers-unknown]"),
                  std::string::npos)
            << "entry " << cell;
    }
}

// Writes each event and finding it hears, with every value it is handed, as one line.
class Transcript : public html::TableEvents, public html::FindingSink {
public:
    explicit Transcript(const html::Slot* slots) : slots_(slots) {}
    void tableStart(std::uint64_t number, const html::Token& table) override
    {
        line("tableStart " + std::to_string(number) + " " + token(table));
    }
    void tableEnd() override { line("tableEnd"); }
    void captionStart() override { line("captionStart"); }
    void captionEnd() override { line("captionEnd"); }
    void columnGroupStart(const html::Token* colgroup, std::uint32_t number, std::uint32_t span) override
    {
        line("columnGroupStart " + (colgroup != nullptr ? token(*colgroup) : "-") + " " +
             std::to_string(number) + " " + std::to_string(span));
    }
    void column(std::uint32_t number, std::uint32_t span) override
    {
        line("column " + std::to_string(number) + " " + std::to_string(span));
    }
    void columnGroupEnd() override { line("columnGroupEnd"); }
    void rowGroupStart(html::Tag tag, bool implied) override
    {
        line(std::string("rowGroupStart ") + html::nameOf(tag) + (implied ? " implied" : ""));
    }
    void rowGroupEnd() override { line("rowGroupEnd"); }
    void rowStart(std::uint64_t row) override { line("rowStart " + std::to_string(row)); }
    void rowEnd() override { line("rowEnd"); }
    void cellStart(const html::Token& cell, const html::CellPlace& place) override
    {
        line("cellStart " + token(cell) + " " + std::to_string(place.column) + " " +
             std::to_string(place.colspan) + "x" + std::to_string(place.rowspan));
    }
    void cellEnd() override { line("cellEnd"); }
    void rowNode(html::NodeKind kind) override { line("rowNode " + std::to_string(static_cast<int>(kind))); }
    void cellContent(const html::CellContent& c) override
    {
        line("cellContent " + std::to_string(c.element) + std::to_string(c.text) + std::to_string(c.node) +
             " " + c.name);
    }
    void add(const html::Finding& f) override
    {
        std::string message;
        html::appendMessage(message, f);
        line(std::string(html::kindInfo(f.kind).id) + " " + std::to_string(f.where.line) + ":" +
             std::to_string(f.where.column) + " " + message);
    }

    std::string out;

private:
    // A token's tag and line, and the view's attributes it has.
    std::string token(const html::Token& t)
    {
        std::string text = std::string(html::nameOf(t.tag)) + "@" + std::to_string(t.where.line);
        for (std::size_t i = 0; i < ViewAttribute::count; ++i) {
            if (html::holds(kViewAttributes[i].tags, t.tag) && t.has(slots_[i]))
                text += std::string(" ") + kViewAttributes[i].name + "=" + t.value(slots_[i]);
        }
        return text;
    }
    void line(const std::string& text) { out += text + "\n"; }
    const html::Slot* slots_;
};

TEST(Records, CarryEveryEventAndFindingWhole)
{
    // Every event, tokens with and without the view's attributes, and findings with numbers, a
    // list and texts, heard directly and through the records between the threads.
    const std::string page =
        "<table class=\"t&lt;\" border=2 frame=void rules=all cellspacing=0 cellpadding=1>"
        "<caption>c</caption><colgroup span=2><col></colgroup><col>\n"
        "<thead><tr><th class=h id=a>x<td rowspan=2 headers='a b'><td>"
        "<tr><td colspan=2 class=''></thead><tbody><tr> <!--c--><script></script><td>a&amp;b</tbody></table>";
    html::Slot slots[ViewAttribute::count];
    Transcript direct(slots);
    {
        html::PageReading reading(direct, &direct, kViewAttributes, ViewAttribute::count, slots);
        reading.collectCellContent();
        reading.feed(page.data(), page.size());
        reading.finish();
    }
    Transcript replayed(slots);
    ByteQueue queue;
    const RecordedAttributes attributes{kViewAttributes, slots, ViewAttribute::count};
    Recorder recorder(queue, attributes);
    Replay replay(queue, attributes, replayed, replayed);
    std::thread writing([&replay] { replay.run(); });
    {
        html::PageReading reading(recorder, &recorder, kViewAttributes, ViewAttribute::count, slots);
        reading.collectCellContent();
        reading.feed(page.data(), page.size());
        reading.finish();
    }
    queue.close();
    writing.join();
    EXPECT_EQ(replayed.out, direct.out);
    EXPECT_NE(direct.out.find("tableStart 1 table@1 class=t< border=2 frame=void rules=all cellspacing=0 "
                              "cellpadding=1\n"),
              std::string::npos)
        << direct.out;
    EXPECT_NE(direct.out.find("cellStart td@2 class= 0 2x1\n"), std::string::npos) << direct.out;
    EXPECT_NE(direct.out.find("headers-unknown 2:30 headers names \"b\""), std::string::npos) << direct.out;
    EXPECT_NE(direct.out.find("cell-overlap"), std::string::npos) << direct.out;
    EXPECT_NE(direct.out.find("rowNode 0\nrowNode 1\nrowNode 2\ncellStart td@2 0 1x1\ncellContent 011 a&b\n"),
              std::string::npos)
        << direct.out;
}

TEST(ByteQueue, HandsEveryByteOnInOrderAcrossItsBlocks)
{
    // Records of every size, some longer than a block and than all blocks together, from one
    // thread to another: each arrives whole and in order, and the end of the stream after them.
    std::vector<std::string> records;
    for (std::size_t n : {0, 1, 7, 100, 5000, 32 * 1024 - 1, 32 * 1024, 32 * 1024 + 1, 200 * 1000, 3})
        records.push_back(std::string(n, static_cast<char>('a' + records.size())));
    for (int i = 0; i < 20000; ++i)
        records.push_back(std::to_string(i));
    ByteQueue queue;
    std::thread writer([&] {
        for (const std::string& record : records) {
            const std::size_t n = record.size();
            queue.put(&n, sizeof n);
            queue.put(record.data(), n);
        }
        queue.close();
    });
    std::size_t got = 0;
    for (std::size_t n; queue.get(&n, sizeof n); ++got) {
        ASSERT_LT(got, records.size());
        std::string record(n, '\0');
        const char* in_place = queue.take(n);
        if (in_place != nullptr)
            record.assign(in_place, n);
        else
            ASSERT_TRUE(queue.get(&record[0], n));
        ASSERT_EQ(record, records[got]) << "record " << got;
    }
    writer.join();
    EXPECT_EQ(got, records.size());
    char byte;
    EXPECT_FALSE(queue.get(&byte, 1));
}

TEST(ByteQueue, EndsAnEmptyStreamAndOneCutShort)
{
    ByteQueue empty;
    empty.close();
    char byte;
    EXPECT_FALSE(empty.get(&byte, 1));

    // A reader asking for more than was put before the end gets false, not a wait.
    ByteQueue cut;
    cut.put("abc", 3);
    cut.close();
    char four[4];
    EXPECT_FALSE(cut.get(four, 4));
}

// With --a11y the view is the same but for one style element after each table, which gives
// every cell a second label line, shades the header cells and has the caption say the verdict.
TEST(View, WithA11yAddsOnlyAStyleElementAfterEachTable)
{
    const std::string page =
        "<table class=t><tr><th>Na\"me\\ a&lt;/style><th scope=row>B<tr><td headers=x>1<td>2</table>"
        "<table><tr><td>a<table><tr><th>in</table></table>";
    for (bool borders : {true, false}) {
        const std::string plain = viewText(page, borders),
                          a11y = viewText(page, borders, "page.html", 0, true);
        std::string stripped = a11y;
        std::vector<std::string> added;
        for (std::size_t at, from = 0; (at = stripped.find("<style>", from)) != std::string::npos;) {
            from = stripped.find("</style>", at);
            if (stripped.find("::after", at) > from)
                continue;  // a finding's mark
            const std::size_t end = from + 9;
            added.push_back(stripped.substr(at, end - at));
            stripped.erase(at, end - at);
            from = at;
        }
        EXPECT_EQ(stripped, plain) << borders;
        ASSERT_EQ(added.size(), 3u) << a11y;
        // The inner table's comes in its cell, before the outer table's.
        EXPECT_NE(added[1].find("#t3r1c1::after"), std::string::npos) << added[1];
        EXPECT_NE(added[2].find("#t2r1c1::after"), std::string::npos) << added[2];
        const std::string& first = added[0];
        // Page text stands escaped in a CSS string: no way out of the string or the element.
        EXPECT_NE(first.find("content: \"\\A H: none\";} #t1r1c1 {background-image"), std::string::npos)
            << first;
        EXPECT_NE(
            first.find("#t1r2c1::after {white-space: pre-wrap; font: normal 9px Courier New; color: #C00000; "
                       "content: \"\\A H: none\\A \xe2\x89\xa0 Chromium: \\\"Na\\\\\\\"me\\\\\\\\ a\\3C "
                       "/style>\\\" (1,1)\";}"),
            std::string::npos)
            << first;
        // A column header is shaded blue, a row header yellow.
        EXPECT_NE(
            first.find(
                "#t1r1c2 {background-image: linear-gradient(rgba(255,190,0,.25),rgba(255,190,0,.25));}"),
            std::string::npos)
            << first;
        EXPECT_EQ(first.find("</style>"), first.size() - 9);
        EXPECT_EQ(first.find("caption::after") != std::string::npos, borders) << first;
        if (borders) {
            EXPECT_NE(
                first.find(
                    "#t1 > caption::after {content: \" \\B7  Chromium: a data table, as it has a th\";}"),
                std::string::npos)
                << first;
        }
    }
}

// Page text in generated content can end neither the CSS string nor the style element.
TEST(View, WritesPageTextIntoACssStringSafely)
{
    const struct {
        const char* what;
        std::string text, css;
    } cases[] = {
        {"plain text", "Stop 1", "Stop 1"},
        {"a quote and a backslash", "a\"b\\c", "a\\\"b\\\\c"},
        {"an end tag of the style element", "</style><b>", "\\3C /style>\\3C b>"},
        {"a line end is a line break, other controls a space", "a\nb\tc\x7f", "a\\A b c "},
        {"UTF-8 stays as it is", "caf\xc3\xa9 \xe8\xa1\xa8", "caf\xc3\xa9 \xe8\xa1\xa8"},
        {"a byte that is no UTF-8, and a sequence cut short",
         "a\xff"
         "b\xe8\xa1",
         "a\\FFFD b\\FFFD \\FFFD "},
    };
    for (const auto& c : cases) {
        std::string out;
        appendCssString(out, c.text);
        EXPECT_EQ(out, c.css) << c.what;
    }
}

}  // namespace
}  // namespace zelko::view
