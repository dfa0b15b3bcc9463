// The catalogue of kinds: the words of every kind's message, from a finding's values alone, and
// the texts that describe each kind.
#include "html/catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zelko::html {
namespace {

Finding finding(Kind kind, Target::Kind on, std::uint64_t row, std::uint32_t column,
                std::vector<std::uint64_t> numbers = {})
{
    Finding f;
    f.kind = kind;
    f.target = Target{on, 4, row, column};
    for (std::size_t i = 0; i < numbers.size() && i < 4; ++i)
        f.numbers[i] = numbers[i];
    return f;
}

std::string messageOf(const Finding& f)
{
    std::string out;
    appendMessage(out, f);
    return out;
}

TEST(Catalogue, WordsEveryKindFromItsValues)
{
    const std::uint64_t runs[] = {2, 2, 5, 7};
    const std::uint64_t one[] = {3, 3};
    const std::uint64_t cells[] = {1, 1, 3, 9, 2, 4, 5, 17};
    const std::string_view ids[] = {"a", "b\"c", "d"};
    const std::string_view className[] = {"x\ny"};

    Finding runsFinding = finding(Kind::columnNoCells, Target::Kind::column, 0, 0);
    runsFinding.list = runs;
    runsFinding.listSize = 4;
    Finding oneColumn = finding(Kind::columnNoCells, Target::Kind::cell, 1, 2);
    oneColumn.list = one;
    oneColumn.listSize = 2;
    Finding overlap = finding(Kind::cellOverlap, Target::Kind::cell, 2, 1);
    overlap.list = cells;
    overlap.listSize = 8;
    Finding overlapOne = overlap;
    overlapOne.listSize = 4;
    Finding unknown = finding(Kind::headersUnknown, Target::Kind::cell, 0, 0);
    unknown.texts = ids;
    unknown.textCount = 3;
    Finding table = finding(Kind::table, Target::Kind::table, 0, 0, {1, 2, 3, 0});
    Finding classed = finding(Kind::table, Target::Kind::table, 0, 0, {2, 1, 1, 65536});
    classed.texts = className;
    classed.textCount = 1;

    const struct {
        Finding f;
        const char* message;
    } rows[] = {
        {finding(Kind::rowShort, Target::Kind::row, 2, 0, {1, 3, 0}),
         "row 3 has 1 column, fewer than the 3 that the first row sets"},
        {finding(Kind::rowLong, Target::Kind::row, 0, 0, {5, 4, 1}),
         "row 1 has 5 columns, more than the 4 that the column elements set"},
        {finding(Kind::rowNoCells, Target::Kind::row, 6, 0), "no cell begins in row 7"},
        {runsFinding, "no cell begins in columns 2, 5-7"},
        {oneColumn, "no cell begins in column 3"},
        {overlap,
         "cell at row 3, column 2 overlaps the cells at row 1, column 1 (line 3, column 9) and row 2, "
         "column 4 (line 5, column 17)"},
        {overlapOne, "cell at row 3, column 2 overlaps the cell at row 1, column 1 (line 3, column 9)"},
        {finding(Kind::rowspanClipped, Target::Kind::cell, 1, 0, {4, 3, 2}),
         "cell at row 2, column 1 has rowspan 4, but its row group ends after row 3: it spans 2 rows"},
        {finding(Kind::rowspanClipped, Target::Kind::cell, 2, 0, {2, 3, 1}),
         "cell at row 3, column 1 has rowspan 2, but its row group ends after row 3: it spans 1 row"},
        {unknown, "headers names \"a\", \"b\\\"c\" and \"d\", which no th of this table has as its id"},
        {table, "table 4 (no class): 1 row x 2 columns, 3 row groups"},
        {classed,
         "table 4 (class \"x\\x0ay\"): 2 rows x 1 column, 1 row group; checked over its first 65536 "
         "columns"},
        {finding(Kind::headersLimit, Target::Kind::table, 0, 0, {65536}),
         "the headers check of table 4 was cut short: it keeps at most 65536 bytes of ids and headers"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(messageOf(row.f), row.message);
}

TEST(Catalogue, GivesEveryKindAnIdOfItsOwnAndTextsThatDescribeIt)
{
    std::set<std::string> seen;
    for (std::size_t i = 0; i < kKindCount; ++i) {
        const KindInfo& info = kindInfo(static_cast<Kind>(i));
        EXPECT_TRUE(seen.insert(info.id).second) << info.id;
        EXPECT_NE(std::string(info.shortText), "") << info.id;
        EXPECT_NE(std::string(info.fullText), "") << info.id;
        EXPECT_NE(std::string(info.help), "") << info.id;
    }
    EXPECT_EQ(std::string(kindInfo(Kind::rowShort).id), "row-short");
    EXPECT_EQ(std::string(kindInfo(Kind::headersLimit).id), "headers-limit");
    EXPECT_EQ(kindInfo(Kind::table).level, Severity::note);
    EXPECT_EQ(kindInfo(Kind::cellOverlap).level, Severity::error);
}

}  // namespace
}  // namespace zelko::html
