// The grid's findings as values, before any report words them: each one's kind, severity, place,
// element and numbers, for fragments read whole and in pieces.
#include "html/grid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/reading.h"

namespace zelko::html {
namespace {

// A finding written out field by field: "rowShort warning 1:40 row t1r2 [1 2 0 0]", then the
// list ("list 1 3") and the texts ("texts a b") when it has them. The names of the kinds are the
// test's own, so that this test does not lean on the catalogue.
std::string describe(const Finding& f)
{
    static const char* const kKinds[] = {"rowShort",       "rowLong",     "rowNoCells",
                                         "columnNoCells",  "cellOverlap", "rowspanClipped",
                                         "headersUnknown", "table",       "headersLimit"};
    static const char* const kSeverities[] = {"error", "warning", "note"};
    static const char* const kTargets[] = {"table", "row", "cell", "column"};
    std::string out = std::string(kKinds[static_cast<int>(f.kind)]) + " " +
                      kSeverities[static_cast<int>(f.severity)] + " " + std::to_string(f.where.line) + ":" +
                      std::to_string(f.where.column) + " " + kTargets[static_cast<int>(f.target.kind)] +
                      " t" + std::to_string(f.target.table);
    if (f.target.kind == Target::Kind::row || f.target.kind == Target::Kind::cell)
        out += "r" + std::to_string(f.target.row);
    if (f.target.kind == Target::Kind::cell || f.target.kind == Target::Kind::column)
        out += "c" + std::to_string(f.target.column);
    out += " [";
    for (int i = 0; i < 4; ++i)
        out += (i > 0 ? " " : "") + std::to_string(f.numbers[i]);
    out += "]";
    if (f.listSize > 0) {
        out += " list";
        for (std::size_t i = 0; i < f.listSize; ++i)
            out += " " + std::to_string(f.list[i]);
    }
    if (f.textCount > 0) {
        out += " texts";
        for (std::size_t i = 0; i < f.textCount; ++i)
            out += " " + std::string(f.texts[i]);
    }
    return out;
}

class FindingRecorder : public FindingSink {
public:
    void add(const Finding& finding) override { findings.push_back(describe(finding)); }
    void tableEnded() override { findings.push_back("end"); }
    std::vector<std::string> findings;
};

std::vector<std::string> findingsOf(const std::string& page, std::size_t piece)
{
    FindingRecorder recorder;
    PageReading reading(recorder);
    feedInPieces(page, piece, [&reading](const char* bytes, std::size_t n) { reading.feed(bytes, n); });
    reading.finish();
    return recorder.findings;
}

struct Row {
    const char* what;
    std::string page;
    std::vector<std::string> findings;
};

void expectFindings(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        EXPECT_EQ(findingsOf(row.page, 0), row.findings) << row.what;
        for (std::size_t piece : {1, 3})
            EXPECT_EQ(findingsOf(row.page, piece), row.findings) << row.what << ", in pieces of " << piece;
    }
}

TEST(Grid, FindsWhatIsWrongWithARowAsValues)
{
    expectFindings({
        {"a row narrower and one wider than the first",
         "<table><tr><td><td><tr><td><tr><td><td><td></table>",
         {"rowShort warning 1:28 row t1r1 [1 2 0 1]", "rowLong warning 1:44 row t1r2 [3 2 0 3]",
          "table note 1:1 table t1 [3 3 1 0]", "end"}},
        {"the column elements set the width: an error",
         "<table><col span=2><tr><td></table>",
         {"rowShort error 1:28 row t1r0 [1 2 1 1]", "table note 1:1 table t1 [1 2 1 0]",
          "columnNoCells error 1:8 column t1c0 [0 0 0 0] list 2 2", "end"}},
        {"a row with no cell of its own, as wide as the cell above makes it",
         "<table class=x><tr><td rowspan=2><tr></tr></table>",
         {"rowNoCells error 1:38 row t1r1 [0 0 0 0]", "table note 1:1 table t1 [2 1 1 0] texts x", "end"}},
    });
}

TEST(Grid, FindsWhatIsWrongWithCellsAsValues)
{
    expectFindings({
        {"a cell overlapping an earlier one, and the column it makes with no cell of its own",
         "<table><tr><td rowspan=2><td><td rowspan=2><tr><td colspan=3></table>",
         {"cellOverlap error 1:48 cell t1r1c1 [0 0 0 0] list 1 3 1 30",
          "rowLong warning 1:62 row t1r1 [4 3 0 2]", "table note 1:1 table t1 [2 4 1 0]",
          "columnNoCells error 1:48 cell t1r1c1 [0 0 0 0] list 4 4", "end"}},
        {"a rowspan cut at the end of its row group",
         "<table><tbody><tr><td rowspan=5><td></tbody><tr><td><td></table>",
         {"rowspanClipped error 1:19 cell t1r0c0 [5 1 1 0]", "table note 1:1 table t1 [2 2 2 0]", "end"}},
        {"rowspan 0 reaches the end of its group, and the next row's cell moves past it",
         "<table><tr><td rowspan=0><tr><td></table>",
         {"rowLong warning 1:34 row t1r1 [2 1 0 2]", "table note 1:1 table t1 [2 2 1 0]", "end"}},
        {"headers naming ids that no th of the table has, each once",
         "<table><tr><th id=a><td id=b headers='a b c b'></table>",
         {"table note 1:1 table t1 [1 2 1 0]", "headersUnknown error 1:21 cell t1r0c1 [0 0 0 0] texts b c",
          "end"}},
    });
}

TEST(Grid, BoundsWhatATableKeeps)
{
    // Ids beyond the budget leave the headers check out, with a note instead.
    std::string page = "<table><tr>";
    for (int i = 0; i < 2000; ++i)
        page += "<th id=h" + std::to_string(i) + " headers=x>";
    page += "</table>";
    const std::vector<std::string> found = findingsOf(page, 0);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0], "table note 1:1 table t1 [1 2000 1 0]");
    EXPECT_EQ(found[1], "headersLimit note 1:1 table t1 [65536 0 0 0]");
    EXPECT_EQ(found[2], "end");

    // Columns beyond the bound are left out of the grid, and the table's note says so.
    const std::vector<std::string> wide = findingsOf(
        "<table><tr><td colspan=1000>" +
            [] {
                std::string cells;
                for (int i = 0; i < 70; ++i)
                    cells += "<td colspan=1000>";
                return cells;
            }() +
            "</table>",
        0);
    ASSERT_FALSE(wide.empty());
    EXPECT_EQ(wide.front(), "table note 1:1 table t1 [1 65536 1 65536]");
}

}  // namespace
}  // namespace zelko::html
