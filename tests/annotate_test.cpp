#include "scan/annotate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pipeline.h"
#include "support.h"
#include "tag/TagInfo.h"

namespace zelko {
namespace {

// The styles as the result must hold them, written out here rather than taken from the code.
const std::string kTable = "style=\"border: 1px solid #FF0000; border-width: 1px 1px 1px 1px;\">";
const std::string kCell = "style=\"border: 1px dotted #A0A0A0; border-width: 1px 1px 1px 1px;\">";
const std::string kCaption = "<thead style=\"color: #FF0000; font: normal 9px Courier New;\">";

std::string annotate(const std::string& tag, bool showBorders)
{
    std::string bytes;
    OutSink out(appendTo(bytes));
    annotateTag(tag.data(), tag.size(), showBorders, out);
    out.flush();
    return bytes;
}

struct Row {
    std::string tag;
    std::string borders;  // written in border mode
    std::string plain;    // written with -n
};

void expectRows(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        std::string b = annotate(row.tag, true), p = annotate(row.tag, false);
        EXPECT_EQ(b, row.borders) << row.tag << " (borders)\n" << test::firstDifference(row.borders, b);
        EXPECT_EQ(p, row.plain) << row.tag << " (-n)\n" << test::firstDifference(row.plain, p);
    }
}

TEST(AnnotateTag, RestylesTablesAndCellsInBorderMode)
{
    expectRows({
        {"<table class=grid border=0>", "<table class=grid border=0 " + kTable + kCaption + "grid</thead>",
         "<table class=grid border=0>"},
        {"<table>", "<table " + kTable + kCaption + "</thead>", "<table>"},
        {"<TABLE CLASS=x>", "<TABLE CLASS=x " + kTable + kCaption + "</thead>", "<TABLE CLASS=x>"},
        {"<tr>", "<tr>", "<tr>"},
        {"<TR class=r>", "<TR class=r>", "<TR class=r>"},
    });
}

TEST(AnnotateTag, LabelsEveryOpeningCellInBothModes)
{
    expectRows({
        {"<td colspan=2 class=x>", "<td colspan=2 class=x " + kCell + "&nbsp;2x1 x",
         "<td colspan=2 class=x>&nbsp;2x1 x"},
        {"<TH>", "<TH " + kCell + "&nbsp;1x1 ", "<TH>&nbsp;1x1 "},
        {"<td rowspan=3>", "<td rowspan=3 " + kCell + "&nbsp;1x3 ", "<td rowspan=3>&nbsp;1x3 "},
        {"<td colspan=-5 rowspan=99999999999>",
         "<td colspan=-5 rowspan=99999999999 " + kCell + "&nbsp;-5x2147483647 ",
         "<td colspan=-5 rowspan=99999999999>&nbsp;-5x2147483647 "},
        {"<td rowspan=-2147483648>", "<td rowspan=-2147483648 " + kCell + "&nbsp;1x-2147483648 ",
         "<td rowspan=-2147483648>&nbsp;1x-2147483648 "},
        {"<td style=color:red>", "<td style=color:red " + kCell + "&nbsp;1x1 ",
         "<td style=color:red>&nbsp;1x1 "},
        // Names read in place and names read by the record must agree on every shape.
        {"<td >", "<td  " + kCell + "&nbsp;1x1 ", "<td >&nbsp;1x1 "},
        {"<Td\tclass=x>", "<Td\tclass=x " + kCell + "&nbsp;1x1 x", "<Td\tclass=x>&nbsp;1x1 x"},
        {"< td>", "< td " + kCell + "&nbsp;1x1 ", "< td>&nbsp;1x1 "},
        {"</ td>", "</ td>", "</ td>"},
        {"<td\nclass=x>", "<td\nclass=x " + kCell + "&nbsp;1x1 x", "<td\nclass=x>&nbsp;1x1 x"},
    });
}

TEST(AnnotateTag, WritesAClassAsTextNeverAsMarkup)
{
    // Each '<' of the value, after the cut to 19 characters, becomes "&lt;"; the tag itself
    // keeps its bytes, where the '<' lies inside an attribute value.
    const std::string lt19 = "&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;&lt;";
    expectRows({
        {"<td class=\"<script src=//x\">",
         "<td class=\"<script src=//x\" " + kCell + "&nbsp;1x1 &lt;script src=//x",
         "<td class=\"<script src=//x\">&nbsp;1x1 &lt;script src=//x"},
        {"<table class=\"a<b>c\">", "<table class=\"a<b>c\" " + kTable + kCaption + "a&lt;b>c</thead>",
         "<table class=\"a<b>c\">"},
        {"<td class=\"abcdefghijklmnopqr<s\">",
         "<td class=\"abcdefghijklmnopqr<s\" " + kCell + "&nbsp;1x1 abcdefghijklmnopqr&lt;",
         "<td class=\"abcdefghijklmnopqr<s\">&nbsp;1x1 abcdefghijklmnopqr&lt;"},
        {"<td class=\"abcdefghijklmnopqrs<\">",
         "<td class=\"abcdefghijklmnopqrs<\" " + kCell + "&nbsp;1x1 abcdefghijklmnopqrs",
         "<td class=\"abcdefghijklmnopqrs<\">&nbsp;1x1 abcdefghijklmnopqrs"},
        {"<table class=\"<<<<<<<<<<<<<<<<<<<<<<\">",
         "<table class=\"<<<<<<<<<<<<<<<<<<<<<<\" " + kTable + kCaption + lt19 + "</thead>",
         "<table class=\"<<<<<<<<<<<<<<<<<<<<<<\">"},
        {"<td class=&lt;b>", "<td class=&lt;b " + kCell + "&nbsp;1x1 &lt;b",
         "<td class=&lt;b>&nbsp;1x1 &lt;b"},
    });
}

TEST(AnnotateTag, WritesClosingAndFrameTagsUnchanged)
{
    expectRows({
        {"</td>", "</td>", "</td>"},
        {"</TR>", "</TR>", "</TR>"},
        {"</table >", "</table >", "</table >"},
        {"</th class=x>", "</th class=x>", "</th class=x>"},
        {"<html>", "<html>", "<html>"},
        {"</head>", "</head>", "</head>"},
        {"<link rel=stylesheet href=a.css>", "<link rel=stylesheet href=a.css>",
         "<link rel=stylesheet href=a.css>"},
        {"<BODY bgcolor=white>", "<BODY bgcolor=white>", "<BODY bgcolor=white>"},
        {"</Html>", "</Html>", "</Html>"},
    });
}

TEST(AnnotateTag, WritesNothingForOtherTags)
{
    for (const char* tag : {"<p>",
                            "<div class=x>",
                            "<br>",
                            "<td",
                            "<tablex>",
                            "<t>",
                            "<thead>",
                            "<tbody>",
                            "<caption>",
                            "<font>",
                            "<tdclass=x>",
                            "<td/>",
                            "<tables>",
                            "< y <td>",
                            "<>",
                            "</p>",
                            "<meta charset=utf8>",
                            "<title>",
                            "<script>",
                            "<tablecell>",
                            "<TDX>",
                            "<bodyx>",
                            "<linked>",
                            "<td\x01>",
                            "<td\x0b class=x>",
                            "<tr\x1f>",
                            "<a\x7f>"})
        expectRows({{tag, "", ""}});
}

TEST(AnnotateTag, WritesATagTooLongForTheOutputLineWhole)
{
    std::string attributes;
    while (attributes.size() < 1240)
        attributes += " a=b";
    std::string cell = "<td" + attributes + ">";
    std::string table = "<table" + attributes + ">";
    ASSERT_GT(cell.size(), 1187u);
    expectRows({
        {cell, cell.substr(0, cell.size() - 1) + " " + kCell + "&nbsp;1x1 ", cell + "&nbsp;1x1 "},
        {table, table.substr(0, table.size() - 1) + " " + kTable + kCaption + "</thead>", table},
    });
}

// Thousands of different cell and table texts, short and long, looked up again and again in
// changing order with changing bytes after them: every label must be the record's, whatever
// was evicted or shares a slot.
TEST(LabelCache, GivesTheRecordsLabelForEveryTextAgainAndAgain)
{
    std::vector<std::string> texts;
    for (int i = 0; i < 3000; ++i) {
        std::string text = i % 3 == 0 ? "<table" : i % 2 ? "<td" : "<TH";
        if (i % 4)
            text += " colspan=" + std::to_string(i % 7 - 1);
        if (i % 5)
            text += " rowspan=\"" + std::to_string(i % 11) + "\"";
        text += " class=c" + std::to_string(i) + std::string(static_cast<std::size_t>(i % 40), 'x');
        texts.push_back(text + ">");
    }
    auto cache = std::make_unique<LabelCache>();
    std::mt19937 random(7);
    for (int round = 0; round < 3; ++round) {
        std::shuffle(texts.begin(), texts.end(), random);
        for (const std::string& text : texts) {
            bool table = text.compare(0, 6, "<table") == 0;
            std::string readable =
                text + std::string(LabelCache::kLongestText, static_cast<char>('a' + random() % 26));
            const Label& label = cache->labelOf(readable.data(), text.size(), table);
            TagInfo record(text.data(), text.size());
            std::string expected = table ? kCaption + record.className + "</thead>"
                                         : "&nbsp;" + std::to_string(record.colspan) + "x" +
                                               std::to_string(record.rowspan) + " " + record.className;
            ASSERT_EQ(std::string(label.text, label.size), expected) << text;
        }
    }
}

}  // namespace
}  // namespace zelko
