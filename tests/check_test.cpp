// The check mode, page fragment by page fragment: the exact report lines each one gives. Every
// fragment is also read in pieces of 1, 2, 3 and 7 bytes, so that every state of the tokenizer
// is resumed in the middle.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "check/check.h"

namespace zelko::check {

namespace {

struct Case {
    const char* name;
    std::string page;
    std::vector<std::string> lines;  // each without "p:" and the newline
};

std::string joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines)
        all += "p:" + line + "\n";
    return all;
}

void expectReports(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        std::string expected = joined(c.lines);
        EXPECT_EQ(checkText(c.page, "p"), expected) << c.name;
        for (std::size_t piece : {1, 2, 3, 7}) {
            EXPECT_EQ(checkText(c.page, "p", piece), expected) << c.name << ", read in pieces of " << piece;
        }
    }
}

std::string note(const char* at, const char* what)
{
    return std::string(at) + ": note: " + what + " [table]";
}

TEST(CheckTokenizer, ReadsTagsAsABrowserDoes)
{
    expectReports({
        {"names end at a tab, a newline or a slash",
         "<table>\n<tr><td\tclass=x><td\nid=y><td/></table>",
         {note("1:1", "table 1 (no class): 1 row x 3 columns, 1 row group")}},
        {"names in any letter case",
         "<TABLE Class=Big><Tr><tD>a</TD></tR></TaBlE>",
         {note("1:1", "table 1 (class \"Big\"): 1 row x 1 column, 1 row group")}},
        {"a '>' inside quotes belongs to the value",
         "<table><tr><td title='a>b' colspan=\"2\">x</td></table>",
         {note("1:1", "table 1 (no class): 1 row x 2 columns, 1 row group"),
          "1:12: error: no cell begins in column 2 [column-no-cells]"}},
        {"the first of two same-named attributes wins",
         "<table><tr><td colspan=3 COLSPAN=1></table>",
         {note("1:1", "table 1 (no class): 1 row x 3 columns, 1 row group"),
          "1:12: error: no cell begins in columns 2-3 [column-no-cells]"}},
        {"character references in values",
         "<table class=\"a&amp;b&lt\"><tr><td colspan=&#50;><td colspan='&#x33;'></table>",
         {note("1:1", "table 1 (class \"a&b<\"): 1 row x 5 columns, 1 row group"),
          "1:31: error: no cell begins in column 2 [column-no-cells]",
          "1:49: error: no cell begins in columns 4-5 [column-no-cells]"}},
        {"a legacy reference before a letter stays as it is",
         "<table class=\"&ampx &amp=\"></table>",
         {note("1:1", "table 1 (class \"&ampx &amp=\"): 0 rows x 0 columns, 0 row groups")}},
        {"comments of every shape hide tags",
         "<table><tr><!-- <td> --><!--><td><!---><!-- x --!><td></table>",
         {note("1:1", "table 1 (no class): 1 row x 2 columns, 1 row group")}},
        {"DOCTYPE, bogus comments and CDATA end at the first '>'",
         "<!DOCTYPE html \"<td>\"><table><tr><!x <td>><? <td>></ td><![CDATA[<td>]]><td></table>",
         {note("1:23", "table 1 (no class): 1 row x 1 column, 1 row group")}},
        {"script, style and RCDATA content is text",
         "<table><tr><td><script>'<td>'</script><style><td></style><textarea><td></textarea>"
         "<title><td></title><xmp><td></xmp><td></table>",
         {note("1:1", "table 1 (no class): 1 row x 2 columns, 1 row group")}},
        {"a script's escaped '<script>' is not ended by '</script>'",
         "<table><tr><td><script><!--<script></script><td>--></script><td></table>",
         {note("1:1", "table 1 (no class): 1 row x 2 columns, 1 row group")}},
        {"an end tag of raw text needs its own name",
         "<table><tr><td><style></styles><td></style><td></table>",
         {note("1:1", "table 1 (no class): 1 row x 2 columns, 1 row group")}},
        {"plaintext runs to the end of the page",
         "<table><tr><td><plaintext></table><td>",
         {note("1:1", "table 1 (no class): 1 row x 1 column, 1 row group")}},
        {"a NUL makes a name no tag",
         std::string("<table><tr><td\0><td></table>", 29),
         {note("1:1", "table 1 (no class): 1 row x 1 column, 1 row group")}},
    });
}

TEST(CheckTokenizer, EndsEveryTagWhereABrowserDoes)
{
    // Where the table starts tells where the tags before it ended: quotes hide a '>', a name may
    // start with '=' and then swallows a quote, a raw text element hides tags up to its own end
    // tag. Kept values keep what the states resolve: CR LF, references.
    auto at = [](const char* place) {
        return std::vector<std::string>{note(place, "table 1 (no class): 0 rows x 0 columns, 0 row groups")};
    };
    expectReports({
        {"a quoted '>' is no tag end", "<a title='x>y'><table>", at("1:16")},
        {"nor is one in the other quotes", "<a title=\"x'>y\"><table>", at("1:17")},
        {"an unquoted value takes a '/'", "<img src=a/><table>", at("1:13")},
        {"a '/' after the name starts an attribute", "<a/b c=\">\"><table>", at("1:12")},
        {"a name that starts with '=' takes the quote", "<p =\">\"><table>", at("1:9")},
        {"an attribute straight after a quote", "<a b = 'c'd=\">\"><table>", at("1:17")},
        {"an end tag's attributes are read too", "</a title=\">\"><table>", at("1:15")},
        {"a quoted value runs over lines", "<a b=\"\r\n>\"><table>", at("2:4")},
        {"a name of any case", "<TaBlE>", at("1:1")},
        {"a longer or shorter name is another tag", "<tablex><tabl><table>", at("1:15")},
        {"style hides tags", "<style><table></style><table>", at("1:23")},
        {"xmp too", "<xmp><table></xmp><table>", at("1:19")},
        {"iframe too", "<iframe><table></iframe><table>", at("1:25")},
        {"noembed too", "<noembed><table></noembed><table>", at("1:27")},
        {"noframes too", "<noframes><table></noframes><table>", at("1:29")},
        {"textarea too", "<textarea><table></textarea><table>", at("1:29")},
        {"title too", "<title><table></title><table>", at("1:23")},
        {"script too", "<script><table></script><table>", at("1:25")},
        {"noscript does not, with scripting off", "<noscript><table>", at("1:11")},
        {"plaintext hides the rest of the page", "<plaintext><table>", {}},
        {"a kept value's CR LF is one LF",
         "<table class=\"a\r\nb\">",
         {note("1:1", "table 1 (class \"a\\x0ab\"): 0 rows x 0 columns, 0 row groups")}},
        {"a kept value's references are resolved",
         "<table class=\"x&lt;y&amp\">",
         {note("1:1", "table 1 (class \"x<y&\"): 0 rows x 0 columns, 0 row groups")}},
        {"a kept number's leading white space goes",
         "<table><tr><td colspan=\"\n 2\"></table>",
         {note("1:1", "table 1 (no class): 1 row x 2 columns, 1 row group"),
          "1:12: error: no cell begins in column 2 [column-no-cells]"}},
    });
}

TEST(CheckTokenizer, CountsLinesAsTheStandardDoes)
{
    expectReports({
        {"LF, CR LF and a lone CR each end a line",
         "a\nb\r\nc\rd<table>",
         {note("4:2", "table 1 (no class): 0 rows x 0 columns, 0 row groups")}},
        {"a row the page ends is located past its last byte",
         "<table>\n<tr><td>a<tr>\n",
         {"2:15: warning: row 2 has 0 columns, fewer than the 1 that the first row sets [row-short]",
          "2:15: error: no cell begins in row 2 [row-no-cells]",
          note("1:1", "table 1 (no class): 2 rows x 1 column, 1 row group")}},
        {"a CR LF at the end belongs to its line",
         "<table><tr><td>\r\n",
         {note("1:1", "table 1 (no class): 1 row x 1 column, 1 row group")}},
        {"the end of a page ending in CR LF is on the CR's line",
         "<table><tr><td><tr>\r\n",
         {"1:22: warning: row 2 has 0 columns, fewer than the 1 that the first row sets [row-short]",
          "1:22: error: no cell begins in row 2 [row-no-cells]",
          note("1:1", "table 1 (no class): 2 rows x 1 column, 1 row group")}},
    });
}

TEST(CheckTables, BuildsTablesAsTheStandardDoes)
{
    expectReports({
        {"a cell directly in a table opens the row group and row",
         "<table><td>a<td>b</table>",
         {note("1:1", "table 1 (no class): 1 row x 2 columns, 1 row group")}},
        {"a new row and a new row group close the open ones",
         "<table><tr><td><tr><td><tbody><td></table>",
         {note("1:1", "table 1 (no class): 3 rows x 1 column, 2 row groups")}},
        {"a table start in a table, outside a cell, ends it",
         "<table><tr><td>a</td><table><td>b</table>",
         {note("1:1", "table 1 (no class): 1 row x 1 column, 1 row group"),
          note("1:22", "table 2 (no class): 1 row x 1 column, 1 row group")}},
        {"tables nest in cells and captions",
         "<table><caption><table></table></caption><tr><td><table><td></table></table>",
         {note("1:17", "table 2 (no class): 0 rows x 0 columns, 0 row groups"),
          note("1:50", "table 3 (no class): 1 row x 1 column, 1 row group"),
          note("1:1", "table 1 (no class): 1 row x 1 column, 1 row group")}},
        {"cell tags outside any table are dropped",
         "<td>a</td><tr><caption><col><table><tr><td></table></td>",
         {note("1:29", "table 1 (no class): 1 row x 1 column, 1 row group")}},
        {"a select box in a cell ends at the next cell",
         "<table><tr><td><select><td>x</select><td></table>",
         {note("1:1", "table 1 (no class): 1 row x 3 columns, 1 row group")}},
        {"a select box outside tables swallows them",
         "<select><table><tr><td></select><table></table>",
         {note("1:33", "table 1 (no class): 0 rows x 0 columns, 0 row groups")}},
        {"template contents are no part of the page",
         "<table><tr><td><template><td><table></table></template></table>",
         {note("1:1", "table 1 (no class): 1 row x 1 column, 1 row group")}},
        {"an end tag of a row group that is not open is ignored in a row",
         "<table><thead><tr><td></tbody><td></table>",
         {note("1:1", "table 1 (no class): 1 row x 2 columns, 1 row group")}},
        {"text or another tag ends a column group",
         "<table><colgroup span=2>x<col><colgroup span=3></div><col><tr><td><td><td><td><td><td><td></table>",
         {note("1:1", "table 1 (no class): 1 row x 7 columns, 1 row group")}},
        {"column elements after the first row group do not count",
         "<table><tr><td></tr><colgroup span=4></table>",
         {note("1:1", "table 1 (no class): 1 row x 1 column, 1 row group")}},
    });
}

TEST(CheckGrid, ReportsWhatIsWrongWithATable)
{
    expectReports({
        {"rows narrower and wider than the first",
         "<table>\n<tr><td>a<td>b\n<tr><td>c\n<tr><td>d<td>e<td>f\n</table>",
         {"4:1: warning: row 2 has 1 column, fewer than the 2 that the first row sets [row-short]",
          "5:1: warning: row 3 has 3 columns, more than the 2 that the first row sets [row-long]",
          note("1:1", "table 1 (no class): 3 rows x 3 columns, 1 row group")}},
        {"column elements make a short row an error",
         "<table><col span=3><tr><td colspan=2></tr></table>",
         {"1:38: error: row 1 has 2 columns, fewer than the 3 that the column elements set [row-short]",
          note("1:1", "table 1 (no class): 1 row x 3 columns, 1 row group"),
          "1:8: error: no cell begins in columns 2-3 [column-no-cells]"}},
        {"a row with no cell of its own",
         "<table><tr><td rowspan=2>a<td>b</tr><tr><td>c</tr><tr></tr></table>",
         {"1:55: warning: row 3 has 0 columns, fewer than the 2 that the first row sets [row-short]",
          "1:55: error: no cell begins in row 3 [row-no-cells]",
          note("1:1", "table 1 (no class): 3 rows x 2 columns, 1 row group")}},
        {"a rowspan past its row group; rowspan 0 reaches its end",
         "<table><tr><td rowspan=3><td rowspan=0><tr><td></table>",
         {"1:48: warning: row 2 has 3 columns, more than the 2 that the first row sets [row-long]",
          "1:12: error: cell at row 1, column 1 has rowspan 3, but its row group ends after row 2: it spans "
          "2 rows [rowspan-clipped]",
          note("1:1", "table 1 (no class): 2 rows x 3 columns, 1 row group")}},
        {"overlapping cells name every earlier cell",
         "<table><tr><td rowspan=2><td><td rowspan=2><tr><td colspan=3></table>",
         {"1:48: error: cell at row 2, column 2 overlaps the cell at row 1, column 3 (line 1, column 30) "
          "[cell-overlap]",
          "1:62: warning: row 2 has 4 columns, more than the 3 that the first row sets [row-long]",
          note("1:1", "table 1 (no class): 2 rows x 4 columns, 1 row group"),
          "1:48: error: no cell begins in column 4 [column-no-cells]"}},
        {"a row under a hanging cell ends at its own last cell",
         "<table><tr><td>a<td>b<td>c<td rowspan=2>d</tr><tr><td>e</tr></table>",
         {"1:56: warning: row 2 has 1 column, fewer than the 4 that the first row sets [row-short]",
          note("1:1", "table 1 (no class): 2 rows x 4 columns, 1 row group")}},
        {"a row with no cells under a hanging cell at the right has no columns",
         "<table><tr><td>a<td>b<td>c<td rowspan=2>d</tr><tr></tr></table>",
         {"1:51: warning: row 2 has 0 columns, fewer than the 4 that the first row sets [row-short]",
          "1:51: error: no cell begins in row 2 [row-no-cells]",
          note("1:1", "table 1 (no class): 2 rows x 4 columns, 1 row group")}},
        {"hanging cells next to a row's end count, up to the first gap (row 2 is 4 wide)",
         "<table><tr><td rowspan=0><td rowspan=2><td><td rowspan=3></tr><tr><td></tr><tr></tr></table>",
         {"1:80: warning: row 3 has 1 column, fewer than the 4 that the first row sets [row-short]",
          "1:80: error: no cell begins in row 3 [row-no-cells]",
          note("1:1", "table 1 (no class): 3 rows x 4 columns, 1 row group")}},
        {"headers that name no th of the table",
         "<table><tr><th id=a>x<th id=b><td headers=\"a c  d c\"><td headers=b></table>",
         {note("1:1", "table 1 (no class): 1 row x 4 columns, 1 row group"),
          "1:31: error: headers names \"c\" and \"d\", which no th of this table has as its id "
          "[headers-unknown]"}},
        {"spans are capped and malformed ones are 1",
         "<table><tr><td colspan=5000><td colspan=0 rowspan=x><td colspan=\" +2x\"></table>",
         {note("1:1", "table 1 (no class): 1 row x 1003 columns, 1 row group"),
          "1:12: error: no cell begins in columns 2-1000 [column-no-cells]",
          "1:53: error: no cell begins in column 1003 [column-no-cells]"}},
    });
}

TEST(CheckGrid, BoundsTheIdsKeptForTheHeadersCheck)
{
    std::string page = "<table><tr>";
    for (int i = 0; i < 3000; ++i)
        page += "<th id=identifier" + std::to_string(i) + ">";
    page += "<td headers=nowhere></table>";
    std::string report = checkText(page, "p");
    EXPECT_NE(report.find("note: the headers check of table 1 was cut short"), std::string::npos) << report;
    EXPECT_EQ(report.find("[headers-unknown]"), std::string::npos) << report;
}

TEST(CheckReport, QuotesOddClassValuesOnOneLine)
{
    // Quotes, backslashes and control characters are escaped; anything else, bytes outside
    // ASCII and markup characters too, is shown as it stands.
    const struct {
        const char* page;
        const char* shown;
    } rows[] = {
        {"<table class='say \"hi\"'>", "\"say \\\"hi\\\"\""},
        {"<table class='C:\\dir\\'>", "\"C:\\\\dir\\\\\""},
        {"<table class='two\nlines\ttab\r'>", "\"two\\x0alines\\x09tab\\x0a\""},
        {"<table class='\x01\x1f\x7f'>", "\"\\x01\\x1f\\x7f\""},
        {"<table class='caf\xc3\xa9 <b>&amp;'>", "\"caf\xc3\xa9 <b>&\""},
        {"<table class=''>", "\"\""},
        {"<table class='&#0;'>", "\"\xef\xbf\xbd\""},
    };
    for (const auto& row : rows) {
        std::string expected = "p:1:1: note: table 1 (class " + std::string(row.shown) +
                               "): 0 rows x 0 columns, 0 row groups [table]\n";
        EXPECT_EQ(checkText(std::string(row.page) + "</table>", "p"), expected) << row.page;
    }
}

// The report of `page` named `name`, in `style`, as a whole run.
std::string reportOf(const std::string& page, const std::string& name, ReportStyle style)
{
    std::string out;
    RunReport run(style, "9.8.7", [&out](const std::string& lines) { out += lines; });
    PageChecker checker(run, name);
    checker.feed(page.data(), page.size());
    checker.finish();
    run.finish();
    return out;
}

TEST(CheckReport, WritesEachFormExactly)
{
    // One warning, on a class value that holds a quote, a backslash, a tab, ',', ':', '%' and a
    // byte that is no UTF-8.
    const std::string page = "<table class='a\"\\\t,:%\xff'><tr><td><td><tr><td></table>";
    const std::string name = "dir/a b,c:%\xc3\xa9.html";
    const std::string note = "table 1 (class \"a\\\"\\\\\\x09,:%\xff\"): 2 rows x 2 columns, 1 row group";
    ReportStyle json{Format::json, false, true};
    EXPECT_EQ(reportOf(page, name, json),
              "{\"page\":\"dir/a b,c:%\xc3\xa9.html\",\"line\":1,\"column\":45,\"severity\":\"warning\","
              "\"kind\":\"row-short\",\"message\":\"row 2 has 1 column, fewer than the 2 that the first row "
              "sets\"}\n"
              "{\"page\":\"dir/a "
              "b,c:%\xc3\xa9.html\",\"line\":1,\"column\":1,\"severity\":\"note\",\"kind\":\"table\","
              "\"message\":\"table 1 (class \\\"a\\\\\\\"\\\\\\\\\\\\x09,:%\\ufffd\\\"): 2 rows x 2 columns, "
              "1 row group\"}\n");
    ReportStyle github{Format::github, false, true};
    EXPECT_EQ(reportOf(page, name, github),
              "::warning file=dir/a b%2Cc%3A%25\xc3\xa9.html,line=1,col=45,title=row-short::"
              "row 2 has 1 column, fewer than the 2 that the first row sets\n"
              "::notice file=dir/a b%2Cc%3A%25\xc3\xa9.html,line=1,col=1,title=table::"
              "table 1 (class \"a\\\"\\\\\\x09,:%25\xff\"): 2 rows x 2 columns, 1 row group\n");
    ReportStyle gnu{Format::gnu, true, false};
    EXPECT_EQ(reportOf(page, name, gnu), name +
                                             ":1:45: \033[01;35mwarning\033[m: row 2 has 1 column, fewer "
                                             "than the 2 that the first row sets [row-short]\n");

    ReportStyle sarif{Format::sarif, true, false};
    std::string log = reportOf(page, name, sarif);
    EXPECT_EQ(
        log.rfind("{\"$schema\":\"https://json.schemastore.org/sarif-2.1.0.json\",\"version\":\"2.1.0\","
                  "\"runs\":[{\"tool\":{\"driver\":{\"name\":\"zelko\",\"version\":\"9.8.7\",\"rules\":[\n"
                  "{\"id\":\"row-short\",\"shortDescription\":{\"text\":",
                  0),
        0u)
        << log;
    const std::string result =
        "\"results\":[\n{\"ruleId\":\"row-short\",\"ruleIndex\":0,\"level\":\"warning\",\"message\":{"
        "\"text\":"
        "\"row 2 has 1 column, fewer than the 2 that the first row "
        "sets\"},\"locations\":[{\"physicalLocation\":"
        "{\"artifactLocation\":{\"uri\":\"dir/a%20b%2Cc%3A%25%C3%A9.html\"},\"region\":{\"startLine\":1,"
        "\"startColumn\":45}}}]}\n]}]}\n";
    ASSERT_GE(log.size(), result.size());
    EXPECT_EQ(log.substr(log.size() - result.size()), result) << log;
    for (const char* id : {"row-short", "row-long", "row-no-cells", "column-no-cells", "cell-overlap",
                           "rowspan-clipped", "headers-unknown", "table", "headers-limit"})
        EXPECT_NE(log.find(std::string("{\"id\":\"") + id + "\""), std::string::npos) << id;
    // The rules of --a11y are listed only when the run finds them.
    EXPECT_EQ(log.find("th-no-cells"), std::string::npos);
    ReportStyle a11y{Format::sarif, false, true, true};
    log = reportOf(page, name, a11y);
    for (const char* id :
         {"th-no-cells", "cell-no-headers", "headers-not-th", "scope-invalid", "headers-differ"})
        EXPECT_NE(log.find(std::string("{\"id\":\"") + id + "\""), std::string::npos) << id;
}

TEST(CheckReport, LocatesSarifResultsAsSarifReadsThem)
{
    // Columns in UTF-16 code units, as the log declares; a byte that is no UTF-8 is one unit. An
    // absolute path is a file: URI, any other name a relative reference.
    const std::string page = "\xc3\xa9\xf0\x9f\x98\x80\xff<table></table>";
    ReportStyle sarif{Format::sarif, false, true};
    for (const auto& [name, uri] :
         {std::pair<std::string, std::string>{"/srv/a b.html", "file:///srv/a%20b.html"},
          {"dir/a.html", "dir/a.html"},
          {"<stdin>", "%3Cstdin%3E"}}) {
        const std::string log = reportOf(page, name, sarif);
        EXPECT_NE(log.find("\"columnKind\":\"utf16CodeUnits\",\"results\":["), std::string::npos) << log;
        EXPECT_NE(log.find("{\"uri\":\"" + uri + "\"},\"region\":{\"startLine\":1,\"startColumn\":5}"),
                  std::string::npos)
            << log;
    }
    // The other forms keep counting bytes.
    EXPECT_EQ(reportOf(page, "p", ReportStyle{Format::gnu, false, true}),
              "p:1:8: note: table 1 (no class): 0 rows x 0 columns, 0 row groups [table]\n");
}

TEST(CheckReport, AnEmptyRunIsStillAWholeSarifLog)
{
    std::string out;
    RunReport run(ReportStyle{Format::sarif, false, true}, "1",
                  [&out](const std::string& lines) { out += lines; });
    run.finish();
    const std::string end = "\"results\":[\n]}]}\n";
    ASSERT_GE(out.size(), end.size());
    EXPECT_EQ(out.substr(out.size() - end.size()), end);
}

TEST(CheckReport, EscapesJsonAndUris)
{
    const struct {
        std::string text, json, uri;
    } rows[] = {
        {"plain.html", "\"plain.html\"", "plain.html"},
        {"a\"b\\c", "\"a\\\"b\\\\c\"", "a%22b%5Cc"},
        {"\n\r\t\x01\x7f", "\"\\n\\r\\t\\u0001\\u007f\"", "%0A%0D%09%01%7F"},
        {"caf\xc3\xa9 \xf0\x9f\x98\x80", "\"caf\xc3\xa9 \xf0\x9f\x98\x80\"", "caf%C3%A9%20%F0%9F%98%80"},
        // Not UTF-8: a stray continuation byte, a cut sequence, an overlong form, a surrogate.
        {"\x80x\xc3", "\"\\ufffdx\\ufffd\"", "%80x%C3"},
        {"\xc0\xaf\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\"", "%C0%AF%ED%A0%80"},
        {"~a-b_c.d/e#f?g&h", "\"~a-b_c.d/e#f?g&h\"", "~a-b_c.d/e%23f%3Fg%26h"},
        {"<stdin>", "\"<stdin>\"", "%3Cstdin%3E"},
    };
    for (const auto& row : rows) {
        std::string json, uri;
        appendJsonString(json, row.text);
        appendUriReference(uri, row.text);
        EXPECT_EQ(json, row.json) << row.text;
        EXPECT_EQ(uri, row.uri) << row.text;
    }
    std::string message, property;
    appendActionsEscaped(message, "100% a:b,c\r\nd", false);
    appendActionsEscaped(property, "100% a:b,c\r\nd", true);
    EXPECT_EQ(message, "100%25 a:b,c%0D%0Ad");
    EXPECT_EQ(property, "100%25 a%3Ab%2Cc%0D%0Ad");
}

TEST(CheckReport, SumsUpARun)
{
    EXPECT_EQ(summaryLine({1, 1, 1, 1}), "zelko: 1 page, 1 table, 1 error, 1 warning");
    EXPECT_EQ(summaryLine({0, 2, 0, 3}), "zelko: 0 pages, 2 tables, 0 errors, 3 warnings");
}

// The UTF-16LE form of `text`, with its byte order mark.
std::string utf16le(const std::u16string& text)
{
    std::string bytes = "\xff\xfe";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

TEST(CheckTokenizer, CountsCodeUnitsForAPageThatWasUtf16)
{
    // Characters of one and two code units before the table, on lines of their own and not.
    const std::string page =
        utf16le(u"\u00e9\u20ac\U0001F600<table>\n\U0001F600x<tr><td><td><tr><td></table>");
    for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{1000}}) {
        std::string out;
        RunReport run(ReportStyle{}, "", [&out](const std::string& lines) { out += lines; });
        PageChecker checker(run, "p");
        for (std::size_t at = 0; at < page.size(); at += piece)
            checker.feed(page.data() + at, std::min(piece, page.size() - at));
        checker.finish();
        run.finish();
        EXPECT_EQ(
            out,
            "p:2:24: warning: row 2 has 1 column, fewer than the 2 that the first row sets [row-short]\n"
            "p:1:5: note: table 1 (no class): 2 rows x 2 columns, 1 row group [table]\n")
            << "pieces of " << piece;
    }
}

TEST(CheckA11y, ReportsWhatGoesWrongForScreenReaders)
{
    struct A11yCase {
        const char* name;
        const char* page;
        std::vector<std::string> lines;  // the report without the notes, each without "p:"
    };
    const A11yCase cases[] = {
        {"a row header with nothing to its right heads nothing; Chromium reads it for the cell before it",
         "<table><tr><td>a<th>B</table>",
         {"1:12: warning: cell at row 1, column 1 has no header by the standard, but Chromium gives it \"B\" "
          "(1,2) [headers-differ]",
          "1:17: warning: th at row 1, column 2 \"B\" heads no cell [th-no-cells]"}},
        {"headers that name the cell itself and a td",
         "<table><tr><th id=h>H<td id=d>x<tr><td headers=\"d h me\" id=me>y</table>",
         {"1:64: warning: row 2 has 1 column, fewer than the 2 that the first row sets [row-short]",
          "1:36: error: headers names \"d\" and \"me\", which no th of this table has as its id "
          "[headers-unknown]",
          "1:22: warning: cell at row 1, column 2 has no header by the standard, but Chromium gives it \"H\" "
          "(1,1) [headers-differ]",
          "1:36: error: headers of the cell at row 2, column 1 names the cell itself and \"d\", a td of this "
          "table [headers-not-th]",
          "1:36: warning: cell at row 2, column 1 has headers \"H\" (1,1), \"x\" (1,2) by the standard, but "
          "Chromium gives it none [headers-differ]"}},
        {"a scope no state has, and a scope on a td",
         "<table><tr><th scope=column>H<td scope=row>x</table>",
         {"1:12: error: th at row 1, column 1 has scope \"column\", which is not row, col, rowgroup or "
          "colgroup "
          "[scope-invalid]",
          "1:30: warning: td at row 1, column 2 has scope \"row\", which a td does not take "
          "[scope-invalid]"}},
        {"a data cell without a header in a data table of 3 by 3; empty cells need none",
         "<table><caption>c</caption><tr><td>1<td><td><tr><td><td><td><tr><td><td><td>&nbsp;</table>",
         {"1:32: warning: cell at row 1, column 1 has no header, in a data table of 3 rows and 3 columns "
          "[cell-no-headers]"}},
        {"nothing in a layout table, nor where both agree",
         "<table><tr><td>a</table><table><tr><th>A<th>B<tr><td>1<td>2</table>",
         {}},
    };
    for (const A11yCase& c : cases) {
        std::string expected;
        for (const std::string& line : c.lines)
            expected += "p:" + line + "\n";
        for (std::size_t piece : {0, 1, 5}) {
            std::string report = checkText(c.page, "p", piece, true), kept;
            for (std::size_t at = 0, end; at < report.size(); at = end + 1) {
                end = report.find('\n', at);
                if (report.find("[table]", at) > end)
                    kept += report.substr(at, end + 1 - at);
            }
            EXPECT_EQ(kept, expected) << c.name << ", in pieces of " << piece;
        }
    }
}

TEST(CheckA11y, SaysChromiumsVerdictInTheNoteAndChangesNothingWithoutIt)
{
    const std::string page = "<table><tr><td>a<td>b<td>c</table>";
    EXPECT_EQ(checkText(page, "p", 0, true),
              "p:1:1: note: table 1 (no class): 1 row x 3 columns, 1 row group; Chromium: a data or a layout "
              "table, as its CSS decides (borders, backgrounds, spacing) [table]\n");
    EXPECT_EQ(checkText(page, "p"),
              "p:1:1: note: table 1 (no class): 1 row x 3 columns, 1 row group [table]\n");
}

// Who heads each cell is worked out on a thread of its own while the page reads on: the report
// is the same, line for line, as when every table is worked out where it ends, with tables
// nested, one large enough to be worked out where it ends, findings before, between and after
// the tables, and more tables than wait at once.
TEST(CheckA11y, ReportsTheSameWhicheverThreadWorksOutTheHeaders)
{
    std::string page = "<table><tr><td>before</table>";  // the thread starts after the 64th table
    for (int t = 0; t < 400; ++t) {
        page += "<table><tr><th>A<th>B<th id=c" + std::to_string(t) + ">C<tr><td>1<td colspan=5>2";
        if (t % 7 == 0)
            page += "<table><tr><td headers=c" + std::to_string(t) + ">in<th>X<tr><td>y</table>";
        page += "<tr><td>3<td><td headers='c" + std::to_string(t) + " no'>4";
        for (int r = 0; r < (t == 120 ? 2000 : t % 4); ++r)
            page += "<tr><td>r<td>s";
        page += "</table><p>between";
    }
    page += "<table><tr><td scope=row>after<td>x</table>";
    const std::string here = checkText(page, "p", 0, true, heads::TableWork::here);
    EXPECT_NE(here.find("[headers-differ]"), std::string::npos);
    EXPECT_NE(here.find("[row-short]"), std::string::npos);
    for (std::size_t piece : {0, 3, 4096})
        EXPECT_EQ(checkText(page, "p", piece, true), here) << "in pieces of " << piece;
}

}  // namespace
}  // namespace zelko::check
