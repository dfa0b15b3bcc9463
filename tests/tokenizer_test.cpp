// The standard reading's tokenizer, called directly: the tokens a fragment gives, whole and in
// pieces of every small size, with the attributes its readers asked for; and the pieces it is
// made of (numbers, character references, the attribute table).
#include "html/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/numbers.h"
#include "html/reading.h"
#include "html/references.h"

namespace zelko::html {
namespace {

// The attributes these tests ask for: two numbers and a text on cells, a text on tables.
const AttributeWish kWishes[] = {
    {tagsOf({Tag::td, Tag::th}), "colspan", ValueKind::number},
    {tagsOf({Tag::td, Tag::th}), "rowspan", ValueKind::number},
    {tagsOf({Tag::td, Tag::th, Tag::table}), "class", ValueKind::text},
    {tagsOf({Tag::table}), "cellspacing", ValueKind::text},
};

// Writes each token as the tags it stands for: "<td colspan=2 class=x>", "</tr>", "#text@1:5",
// "$end@2:1", with the kept attributes in the order of kWishes. It reads the content after a
// start tag as the tree builder would, and wants text after <colgroup>, as the tree builder does.
class Recorder : public TokenSink {
public:
    explicit Recorder(const Slot* slots) : slots_(slots) {}

    Content startTag(const Token& token) override
    {
        out += "<" + std::string(nameOf(token.tag));
        for (std::size_t i = 0; i < sizeof kWishes / sizeof kWishes[0]; ++i) {
            if (holds(kWishes[i].tags, token.tag) && token.has(slots_[i]))
                out += std::string(" ") + kWishes[i].name + "=" + token.value(slots_[i]);
        }
        out += ">";
        wantsText = token.tag == Tag::colgroup;
        switch (token.tag) {
        case Tag::style:
        case Tag::xmp:
            return Content::rawtext;
        case Tag::textarea:
        case Tag::title:
            return Content::rcdata;
        case Tag::script:
            return Content::scriptData;
        case Tag::plaintext:
            return Content::plaintext;
        default:
            return Content::data;
        }
    }
    void endTag(const Token& token) override { out += "</" + std::string(nameOf(token.tag)) + ">"; }
    void text(Location where) override
    {
        out += "#text@" + std::to_string(where.line) + ":" + std::to_string(where.column);
        wantsText = false;
    }
    void endOfPage(Location where) override
    {
        out += "$end@" + std::to_string(where.line) + ":" + std::to_string(where.column);
    }

    std::string out;

private:
    const Slot* slots_;
};

// The tokens of `page` fed in pieces of `piece` bytes (0: whole).
std::string tokensOf(const std::string& page, std::size_t piece)
{
    AttributeTable table;
    Slot slots[sizeof kWishes / sizeof kWishes[0]];
    table.add(kWishes, slots);
    Recorder recorder(slots);
    Tokenizer tokenizer(recorder, table);
    feedInPieces(page, piece, [&tokenizer](const char* bytes, std::size_t n) { tokenizer.feed(bytes, n); });
    tokenizer.finish();
    return recorder.out;
}

struct Row {
    const char* what;
    std::string page;
    std::string tokens;  // without the end of the page
};

void expectTokens(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        const std::string whole = tokensOf(row.page, 0);
        const std::size_t end = whole.rfind("$end@");
        EXPECT_EQ(whole.substr(0, end), row.tokens) << row.what;
        for (std::size_t piece : {1, 2, 3, 7})
            EXPECT_EQ(tokensOf(row.page, piece), whole) << row.what << ", in pieces of " << piece;
    }
}

TEST(Tokenizer, HandsOnTheTagsOfTablesWithTheAttributesAskedFor)
{
    expectTokens({
        {"names of any case; tags no reader tells apart are left out", "<TABLE><p><Td></tD><b></TABLE>",
         "<table><td></td></table>"},
        {"kept attributes, in any case; others are not read", "<td id=a COLSPAN=2 class=\"x y\" title=t>",
         "<td colspan=2 class=x y>"},
        {"an attribute asked for on other tags is not kept", "<tr class=x><table cellspacing=0 colspan=3>",
         "<tr><table cellspacing=0>"},
        {"the first of two same-named attributes counts", "<td class=a class=b CLASS=c>", "<td class=a>"},
        {"an attribute's value is gone by the next tag", "<td class=a><td>", "<td class=a><td>"},
        {"names end at white space, '/' and '>'", "<td\tclass=a><td\nclass=b/><td/class=c>",
         "<td class=a><td class=b/><td class=c>"},
        {"a number's leading white space goes, a text's stays", "<td colspan=\" \n 2\" class=\" x\">",
         "<td colspan=2 class= x>"},
        {"references are resolved in kept values", "<td class=\"a&amp;b&lt;&#65;&#x42;\" colspan=&#51;>",
         "<td colspan=3 class=a&b<AB>"},
        {"a CR LF in a value is one LF", "<td class=\"a\r\nb\rc\">", "<td class=a\nb\nc>"},
        {"a NUL in a value is U+FFFD", std::string("<td class=a\0b>", 14),
         "<td class=a\xef\xbf\xbd"
         "b>"},
        {"a NUL in a name makes it no name asked for", std::string("<td cl\0ass=a><t\0d>", 18), "<td>"},
        {"a quoted '>' is no end of the tag", "<td class='a>b'>", "<td class=a>b>"},
        {"an end tag's attributes are read past", "</td class='>'><td>", "</td><td>"},
    });
}

TEST(Tokenizer, ReadsCommentsDoctypesAndRawTextAsTheStandardDoes)
{
    expectTokens({
        {"comments of every shape", "<!-- <td> --><!--><td><!---><!-- x --!><th>", "<td><th>"},
        {"a comment's end inside a comment", "<!-- -- <td> --><td>", "<td>"},
        {"DOCTYPE and bogus comments end at the first '>'", "<!DOCTYPE x \"<td>\"><? <td>></ td><td>",
         "<td>"},
        {"CDATA is a bogus comment outside foreign content", "<![CDATA[<td>]]><th>", "<th>"},
        {"raw text ends only at its own end tag", "<style><td></styles><td></style><td>",
         "<style></style><td>"},
        {"RCDATA too", "<textarea><td></textarea ><td>", "<textarea></textarea><td>"},
        {"a script's escapes: '<script>' inside '<!--' is not ended by '</script>'",
         "<script><!--<script></script><td>--></script><td>", "<script></script><td>"},
        {"a script's escape ends at '-->'", "<script><!--</script><td>", "<script></script><td>"},
        {"plaintext runs to the end", "<plaintext></plaintext><td>", "<plaintext>"},
        {"a '<' before a digit or space is text", "a < b <5 <td>", "<td>"},
    });
}

TEST(Tokenizer, HandsOnTextOnlyWhenTheSinkWantsIt)
{
    expectTokens({
        {"white space is no text", "<colgroup> \t\n x<td>", "<colgroup>#text@2:2<td>"},
        {"text before a column group is not wanted", "ab<colgroup><col>", "<colgroup><col>"},
    });
}

TEST(Tokenizer, EndsThePageWhereItsLastByteIsAndDropsAnUnfinishedTag)
{
    const struct {
        std::string page, tokens;
    } rows[] = {
        {"", "$end@1:1"},
        {"<td>ab", "<td>$end@1:7"},
        {"<td>\r\n", "<td>$end@1:7"},
        {"<td><td class='x", "<td>$end@1:17"},
        {"<td><!-- <td>", "<td>$end@1:14"},
    };
    for (const auto& row : rows) {
        for (std::size_t piece : {0, 1, 2})
            EXPECT_EQ(tokensOf(row.page, piece), row.tokens) << row.page << ", pieces of " << piece;
    }
}

TEST(AttributeTable, GivesRowsOfTheSameNameAndKindOneSlot)
{
    AttributeTable table;
    const AttributeWish reading[] = {{tagsOf({Tag::th}), "id", ValueKind::text},
                                     {tagsOf({Tag::col}), "span", ValueKind::number}};
    const AttributeWish writer[] = {{tagsOf({Tag::td, Tag::th}), "id", ValueKind::text},
                                    {tagsOf({Tag::col}), "span", ValueKind::text},
                                    {tagsOf({Tag::table}), "border", ValueKind::text}};
    Slot first[2], second[3];
    table.add(reading, first);
    table.add(writer, second);
    EXPECT_EQ(first[0], 0);
    EXPECT_EQ(first[1], 1);
    EXPECT_EQ(second[0], 0);  // id is shared, and kept on td as well as th
    EXPECT_EQ(second[1], 2);  // span read as a text is another slot
    EXPECT_EQ(second[2], 3);
    EXPECT_EQ(table.keptOn(Tag::td).size(), 1u);
    EXPECT_EQ(table.keptOn(Tag::th).size(), 1u);
    EXPECT_EQ(table.keptOn(Tag::col).size(), 2u);
    EXPECT_TRUE(table.keptOn(Tag::tr).empty());

    AttributeTable full;
    std::vector<AttributeWish> many;
    std::vector<std::string> names;
    for (std::size_t i = 0; i <= kSlots; ++i)
        names.push_back("a" + std::to_string(i));
    for (const std::string& name : names)
        many.push_back({tagsOf({Tag::td}), name.c_str(), ValueKind::text});
    std::vector<Slot> slots(many.size());
    EXPECT_THROW(full.add(many.data(), many.size(), slots.data()), std::length_error);
}

TEST(Numbers, AreReadByTheStandardsRulesForNonNegativeIntegers)
{
    const struct {
        const char* text;
        long value;
    } rows[] = {
        {"3", 3},       {"  7", 7},     {"+2", 2},
        {"-0", 0},      {"-1", -1},     {"2x", 2},
        {"x", -1},      {"", -1},       {"99999999999999999999", 1000},
        {"1000", 1000}, {"1001", 1000}, {"\n\t5", 5},
        {"2.5", 2},     {"+", -1},      {"- 1", -1},
        {"\f12", 12},
    };
    for (const auto& row : rows)
        EXPECT_EQ(parseNonNegative(row.text, 1000), row.value) << '"' << row.text << '"';
}

// What stands in a value for `reference` (from its '&') followed by `next`, and whether `next`
// was taken into it.
std::pair<std::string, bool> resolved(const std::string& reference, unsigned char next)
{
    CharacterReference r;
    r.start();
    for (std::size_t i = 1; i < reference.size(); ++i)
        EXPECT_EQ(r.take(static_cast<unsigned char>(reference[i])), CharacterReference::Step::more)
            << reference;
    const CharacterReference::Step step = r.take(next);
    EXPECT_NE(step, CharacterReference::Step::more) << reference;
    return {r.text(), step == CharacterReference::Step::endedOnByte};
}

TEST(CharacterReference, ResolvesAsTheStandardDoes)
{
    const struct {
        const char* reference;
        unsigned char next;
        std::string text;
        bool taken;
    } rows[] = {
        {"&amp", ';', "&", true},
        {"&amp", ' ', "&", false},       // a legacy name needs no ';'
        {"&amp", '=', "&amp", false},    // but not before '='
        {"&apos", ' ', "&apos", false},  // a name that is no legacy one needs its ';'
        {"&apos", ';', "'", true},
        {"&nbsp", ';', "\xc2\xa0", true},
        {"&frob", ';', "&frob", false},  // no such name
        {"&#65", ';', "A", true},
        {"&#65", 'x', "A", false},  // an x after the digits is no hex mark: "&#65x" is "Ax"
        {"&#x41", ';', "A", true},
        {"&#X41", ' ', "A", false},
        {"&#", ';', "&#", false},
        {"&#x", 'g', "&#x", false},
        {"&#0", ';', "\xef\xbf\xbd", true},
        {"&#128", ';', "\xe2\x82\xac", true},    // C1 controls name windows-1252 characters
        {"&#55296", ';', "\xef\xbf\xbd", true},  // a surrogate
        {"&#99999999999", ';', "\xef\xbf\xbd", true},
    };
    for (const auto& row : rows) {
        auto [text, taken] = resolved(row.reference, row.next);
        EXPECT_EQ(text, row.text) << row.reference << " then " << row.next;
        EXPECT_EQ(taken, row.taken) << row.reference << " then " << row.next;
    }
    EXPECT_EQ(numericReference(0x9D), 0x9Du);  // no windows-1252 character there
    EXPECT_EQ(numericReference(0x10FFFF), 0x10FFFFu);
}

}  // namespace
}  // namespace zelko::html
