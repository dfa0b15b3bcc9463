#include "tag/TagInfo.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace zelko {
namespace {

struct TagRow {
    std::string tag;
    const char* name;
    bool closing;
    const char* className;
    std::int32_t colspan;
    std::int32_t rowspan;
};

void expectParse(const TagRow& row)
{
    TagInfo info(row.tag.c_str());
    EXPECT_STREQ(info.name, row.name) << row.tag;
    EXPECT_EQ(info.closing, row.closing) << row.tag;
    EXPECT_STREQ(info.className, row.className) << row.tag;
    EXPECT_EQ(info.colspan, row.colspan) << row.tag;
    EXPECT_EQ(info.rowspan, row.rowspan) << row.tag;
}

TEST(TagInfo, ReadsNameAndClosingFlag)
{
    const TagRow rows[] = {
        {"<td>", "td", false, "", 1, 1},
        {"</TD >", "TD", true, "", 1, 1},
        {"</td class=x colspan=2>", "td", true, "", 1, 1},  // closing tags carry no attributes
        {"< / td>", "td", true, "", 1, 1},
        {"<br/>", "br/", false, "", 1, 1},
        {"<Table class=main border=0>", "Table", false, "main", 1, 1},
        {"<>", "", false, "", 1, 1},
        {"<", "", false, "", 1, 1},
        {"<    td>", "td", false, "", 1, 1},
        {"<     td>", "", false, "", 1, 1},  // trimming leaves one blank in front
        {"<abcdefghijklmnopqrstuvwxyz>", "abcdefghijklmnopqrs", false, "", 1, 1},
        {"<abcdefghijklmnopqrs>", "abcdefghijklmnopqrs", false, "", 1, 1},
        {"<td\nclass=x>", "td", false, "x", 1, 1},  // a newline separates like a blank
    };
    for (const TagRow& row : rows)
        expectParse(row);
}

TEST(TagInfo, ReadsQuotedAndUnquotedValues)
{
    const TagRow rows[] = {
        {"<td class=\"a b\" colspan=2 rowspan=\"3\">", "td", false, "a b", 2, 3},
        {"<td colspan = 4>", "td", false, "", 4, 1},
        {"<td colspan=   2>", "td", false, "", 2, 1},
        {"<td colspan=    2>", "td", false, "", 0, 1},  // one blank survives and ends the value
        {"<td class=\"  ab  \">", "td", false, "ab", 1, 1},
        {"<td class=\"abc>", "td", false, "abc>", 1, 1},  // no closing quote: rest of the tag
        {"<td colspan=x>", "td", false, "", 0, 1},
        {"<td colspan=\"\">", "td", false, "", 0, 1},
        {"<td colspan=3x>", "td", false, "", 3, 1},
        {"<td colspan=-2 rowspan=+7>", "td", false, "", -2, 7},
        {"<th class=a=b>", "th", false, "a", 1, 1},
        {"<td class=abcdefghijklmnopqrstuvwxyz>", "td", false, "abcdefghijklmnopqrs", 1, 1},
    };
    for (const TagRow& row : rows)
        expectParse(row);
}

TEST(TagInfo, SearchesTheWholeTagForTheExactName)
{
    const TagRow rows[] = {
        {"<td colspan>", "td", false, "", 1, 1},           // "colspan>" matches no name
        {"<td colspan class=x>", "td", false, "x", 0, 1},  // value after the first '='
        {"<td title=rowspan=5 rowspan=2>", "td", false, "", 1, 5},
        {"<td nowrap colspan width=9>", "td", false, "", 9, 1},
        {"<td class=x class=y>", "td", false, "x", 1, 1},
        {"<td colspan=2 colspan=3>", "td", false, "", 2, 1},
        {"<tdclass=x>", "tdclass=x", false, "", 1, 1},
    };
    for (const TagRow& row : rows)
        expectParse(row);
}

TEST(TagInfo, RunsTheThreeTestsOnTheSamePiece)
{
    const TagRow rows[] = {
        {"<td class=rowspan>", "td", false, "rowspan", 1, 0},
        {"<td class=colspan colspan=3>", "td", false, "colspan", 3, 1},
        {"<td class=colspan>", "td", false, "colspan", 0, 1},
        {"<td colspan=rowspan rowspan=4>", "td", false, "", 0, 4},
    };
    for (const TagRow& row : rows)
        expectParse(row);
}

TEST(TagInfo, NamesMatchInAnyCaseButValuesOnlyInLowerCase)
{
    const TagRow rows[] = {
        {"<TD CLASS=x COLSPAN=2 ROWSPAN=3>", "TD", false, "", 1, 1},
        {"<td Class=x>", "td", false, "", 1, 1},
        {"<td CLASS=x title=class>", "td", false, "", 1, 1},
        {"<td COLSPAN=2 title=colspan>", "td", false, "", 0, 1},
        {"<td COLSPAN=2 colspan=5>", "td", false, "", 5, 1},
    };
    for (const TagRow& row : rows)
        expectParse(row);
}

TEST(TagInfo, ClampsSpansToThe32BitRange)
{
    const TagRow rows[] = {
        {"<td colspan=2147483647>", "td", false, "", INT32_MAX, 1},
        {"<td colspan=2147483648>", "td", false, "", INT32_MAX, 1},
        {"<td colspan=99999999999 rowspan=-99999999999>", "td", false, "", INT32_MAX, INT32_MIN},
        {"<td rowspan=-2147483648>", "td", false, "", 1, INT32_MIN},
        {"<td rowspan=" + std::string(400, '9') + ">", "td", false, "", 1, INT32_MAX},
    };
    for (const TagRow& row : rows)
        expectParse(row);
}

TEST(TagInfo, ReadsOnlyTheFirst1254CharactersOfAnyText)
{
    std::string longClass = "<td class=" + std::string(5000, 'a') + ">";
    expectParse({longClass, "td", false, "aaaaaaaaaaaaaaaaaaa", 1, 1});

    std::string filler;
    while (filler.size() < 1300)
        filler += " x";
    expectParse({"<td" + filler + " colspan=5>", "td", false, "", 1, 1});
    expectParse({"<td colspan=5" + filler + ">", "td", false, "", 5, 1});

    // A length argument bounds the text as well as its terminator does.
    const char text[] = "<td class=abc colspan=7>";
    TagInfo cut(text, 13);  // "<td class=abc"
    EXPECT_STREQ(cut.className, "abc");
    EXPECT_EQ(cut.colspan, 1);
}

TEST(TagInfo, NameOnlyParseLeavesAttributesAtTheirStart)
{
    TagInfo info("<TD class=x colspan=3>", TagInfo::Parse::nameOnly);
    EXPECT_STREQ(info.name, "TD");
    EXPECT_FALSE(info.closing);
    EXPECT_STREQ(info.className, "");
    EXPECT_EQ(info.colspan, 1);
}

// The removal rule written out step by step, to check the counting shortcut against.
std::string trimByHand(std::string text)
{
    if (text.empty())
        return text;
    std::size_t removed = 0;
    while (!text.empty() && (text[0] == ' ' || text[0] == '\t')) {
        text.erase(0, 1);
        ++removed;
        if (removed >= text.size())
            break;
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

TEST(TrimBlanks, KeepsSomeLeadingBlanksWhenTheyOutnumberTheRest)
{
    struct Row {
        const char* in;
        const char* out;
    };
    const Row rows[] = {
        {"    x>", " x>"}, {"  ab", "ab"},     {"   a", " a"}, {"", ""},       {"   ", ""},
        {" a ", "a"},      {"\t\tab\t", "ab"}, {"a  ", "a"},   {"a b", "a b"}, {"     td>", " td>"},
    };
    for (const Row& row : rows) {
        char text[32];
        std::strcpy(text, row.in);
        trimBlanks(text);
        EXPECT_STREQ(text, row.out) << '"' << row.in << '"';
    }
}

TEST(TrimBlanks, MatchesTheRuleStepByStepOnEveryShortText)
{
    const char alphabet[] = {' ', '\t', 'a'};
    for (int length = 0; length <= 8; ++length) {
        int combinations = 1;
        for (int i = 0; i < length; ++i)
            combinations *= 3;
        for (int code = 0; code < combinations; ++code) {
            std::string text;
            for (int i = 0, c = code; i < length; ++i, c /= 3)
                text += alphabet[c % 3];
            char buffer[16];
            std::strcpy(buffer, text.c_str());
            trimBlanks(buffer);
            ASSERT_EQ(std::string(buffer), trimByHand(text)) << '"' << text << '"';
        }
    }
}

}  // namespace
}  // namespace zelko
