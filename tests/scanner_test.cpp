#include "scan/scanner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "pipeline.h"
#include "support.h"

namespace zelko {
namespace {

// Writes every handed-over tag text into the result as {text}, so one string shows the order
// of blanks, newlines and tags. '{' and '}' never occur in a tag text. Checks what a handler may
// rely on: the text runs from '<' to '>', and it can be read for kReadableText bytes (copying
// them out makes AddressSanitizer report a text that cannot).
void recordTag(void* context, const char* tagText, std::size_t length)
{
    OutSink& out = *static_cast<OutSink*>(context);
    EXPECT_GE(length, 2u);
    EXPECT_EQ(tagText[0], '<');
    EXPECT_EQ(tagText[length - 1], '>');
    char readable[kReadableText];
    std::memcpy(readable, tagText, sizeof readable);
    EXPECT_EQ(readable[0], '<');
    out.put('{');
    out.write(tagText, length);
    out.put('}');
}

// Scans `input`, split into two calls at `split`, and returns what was written.
std::string scanText(const std::string& input, std::size_t split = std::string::npos)
{
    std::string result;
    OutSink out(appendTo(result));
    ScanState state;
    if (split > input.size())
        split = input.size();
    scanExactly(state, input.data(), split, out, recordTag, &out);
    scanExactly(state, input.data() + split, input.size() - split, out, recordTag, &out);
    out.flush();
    return result;
}

std::string nuls(std::size_t n) { return std::string(n, '\0'); }

struct ScanRow {
    const char* what;
    std::string input;
    std::string expected;
};

const ScanRow kRows[] = {
    {"text is dropped, blanks kept", "Hello <b>world</b>\n", " {<b>}{</b>}\n"},
    {"'<' then digit is no tag", "a<5 b", " "},
    {"a blank after '<' still opens a tag", "< td>", "{< td>}"},
    {"disallowed characters are filtered", "<td bgcolor=#FFEEDD class=main-cell>",
     "{<td bgcolor=FFEEDD class=maincell>}"},
    {"apostrophes are filtered", "<td class='x'>", "{<td class=x>}"},
    {"newlines inside a tag are written at once", "<td\nclass=x\n>", "\n\n{<tdclass=x>}"},
    {"a tab inside a tag vanishes", "<td\tclass=x>", "{<tdclass=x>}"},
    {"a '<' inside a tag is kept", "<a <b>", "{<a <b>}"},
    {"a stray '<' swallows the next tag", "x < y <td>z", " {< y <td>}"},
    {"a stray '<' with text", "1 < 2 and 3 > 2", " {< 2 and 3 >} "},
    {"blanks outside tags are written", "a \tb\t", " \t\t"},
    {"empty source", "", ""},
    {"a NUL counts but adds nothing", "<" + nuls(1) + "5>", ""},
    {"the 19th byte after '<' is still tested", "<" + nuls(17) + "5>", ""},
    {"the 20th byte is not", "<" + nuls(18) + "5>", "{<5>}"},
    {"only the head's second character counts", "<a<5>", "{<a<5>}"},
    {"a second '<' is the head's second character", "<<5>", "{<<5>}"},
    {"a newline as second character does not cancel", "<\n5>", "\n{<5>}"},
    {"'>' outside a tag does nothing", "a>b>", ""},
    {"carriage returns are dropped", "x\r\ny", "\n"},
    {"bytes above 0x7F are filtered", "<td\xc3\xa9>", "{<td>}"},
    {"text after a cancel is outside", "<5 <td>", " {<td>}"},
    {"an empty tag is handed on", "<>", "{<>}"},
    {"comment punctuation is filtered", "<!-- c -->", "{< c >}"},
    {"an unfinished tag at the end is lost", "a <td class=x", " "},
    {"blanks inside a tag are kept only in it", "<td  >", "{<td  >}"},
};

TEST(Scanner, FollowsTheByteRules)
{
    for (const ScanRow& row : kRows) {
        std::string actual = scanText(row.input);
        EXPECT_EQ(actual, row.expected) << row.what << "\n" << test::firstDifference(row.expected, actual);
    }
}

TEST(Scanner, GivesTheSameResultWhereverTheInputIsSplit)
{
    for (const ScanRow& row : kRows)
        for (std::size_t split = 0; split <= row.input.size(); ++split)
            EXPECT_EQ(scanText(row.input, split), row.expected) << row.what << ", split at " << split;
}

TEST(Scanner, AdmitsExactly79ByteValuesIntoATag)
{
    std::string input = "<";
    for (int c = 1; c < 256; ++c)
        if (c != '<' && c != '>')
            input += static_cast<char>(c);
    input += ">";
    const std::string kept =
        " \"&,./0123456789:;=ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz";
    EXPECT_EQ(scanText(input), "\n{<" + kept + ">}");
    int allowed = 0;
    for (bool b : kAllowedInTag)
        allowed += b ? 1 : 0;
    EXPECT_EQ(allowed, 79);
}

// Every byte value at every place of a window, among neighbours of every kind, must come out
// of the classifiers as the byte rules and the table say.
TEST(Classify, MasksMatchTheByteRulesForEveryByteAndPlace)
{
    const unsigned char neighbours[] = {'a', '<', '>', ' ', '\n', '-', 0, 0xFF};
    for (unsigned char fill : neighbours)
        for (int c = 0; c < 256; ++c)
            for (unsigned at = 0; at < kWindow; ++at) {
                unsigned char window[kWindow];
                std::memset(window, fill, kWindow);
                window[at] = static_cast<unsigned char>(c);
                WindowMasks want{0, 0, 0, 0, 0};
                for (unsigned i = 0; i < kWindow; ++i) {
                    unsigned char b = window[i];
                    std::uint64_t bit = std::uint64_t{1} << i;
                    want.open |= b == '<' ? bit : 0;
                    want.space |= b == ' ' ? bit : 0;
                    want.otherBlank |= b == '\t' || b == '\n' ? bit : 0;
                    want.close |= b == '>' ? bit : 0;
                    want.dropped |= kAllowedInTag[b] ? 0 : bit;
                }
                auto check = [&](const WindowMasks& m, const char* which) {
                    ASSERT_EQ(m.open, want.open) << which << " byte " << c << " at " << at;
                    ASSERT_EQ(m.space, want.space) << which << " byte " << c << " at " << at;
                    ASSERT_EQ(m.otherBlank, want.otherBlank) << which << " byte " << c << " at " << at;
                    ASSERT_EQ(m.close, want.close) << which << " byte " << c << " at " << at;
                    ASSERT_EQ(m.dropped, want.dropped) << which << " byte " << c << " at " << at;
                };
                check(classifyWindow(window), "window");
#ifdef ZELKO_HAVE_AVX2
                if (avx2::available())
                    check(avx2::classifyWindow(window), "avx2");
#endif
                // The chunk holding the byte, from the portable classifier.
                unsigned first = at / kChunk * kChunk;
                ChunkMasks b = bytewise::classify(window + first);
                auto part = [&](std::uint64_t bits) { return (bits >> first) & 0xFFFFu; };
                ASSERT_EQ(b.open, part(want.open)) << "bytewise " << c << " at " << at;
                ASSERT_EQ(b.space, part(want.space)) << "bytewise " << c << " at " << at;
                ASSERT_EQ(b.otherBlank, part(want.otherBlank)) << "bytewise " << c << " at " << at;
                ASSERT_EQ(b.close, part(want.close)) << "bytewise " << c << " at " << at;
                ASSERT_EQ(b.dropped, part(want.dropped)) << "bytewise " << c << " at " << at;
            }
}

TEST(Classify, FindsTheLowestBitAndCountsBits)
{
    for (unsigned i = 0; i < 64; ++i) {
        std::uint64_t from = ~std::uint64_t{0} << i;
        EXPECT_EQ(lowestBit(std::uint64_t{1} << i), i);
        EXPECT_EQ(lowestBit(from), i);
        EXPECT_EQ(bitCount(from), 64 - i);
        EXPECT_EQ(bitCount(std::uint64_t{1} << i), 1u);
    }
    EXPECT_EQ(bitCount(0), 0u);
    EXPECT_EQ(bitCount(0x8421u), 4u);
    EXPECT_EQ(bitCount(0xF0F0F0F0F0F0F0F0u), 32u);
}

TEST(Scanner, ReadsNothingPastTheInput)
{
    // A tag at every place of a window, followed by every number of bytes up to a few windows;
    // each input lies in a place of exactly its size, where AddressSanitizer reports any read
    // past it.
    const struct {
        const char* tag;
        const char* result;
    } rows[] = {{"<b>", "{<b>}"}, {"<td class=x>", "{<td class=x>}"}, {"<a\n>", "\n{<a>}"}, {"<", ""}};
    for (const auto& row : rows)
        for (std::size_t before = 0; before <= kWindow; ++before)
            for (std::size_t after = 0; after <= 2 * kWindow + 8; ++after) {
                std::string input = std::string(before, 'x') + row.tag + std::string(after, 'x');
                ASSERT_EQ(scanText(input), row.result)
                    << row.tag << " after " << before << " bytes, before " << after;
            }
}

TEST(Scanner, KeepsTheClosingBracketOfAnOverlongTag)
{
    for (std::size_t letters : {1252u, 1253u, 1254u, 5000u}) {
        std::string out = scanText("<" + std::string(letters, 'a') + ">");
        std::size_t keptLetters = letters < 1252 ? letters : 1252;
        EXPECT_EQ(out, "{<" + std::string(keptLetters, 'a') + ">}") << letters << " letters";
    }
}

TEST(Scanner, FilteredBytesTakeNoRoomInTheTagText)
{
    std::string mixed;
    for (int i = 0; i < 2000; ++i)
        mixed += "a#\n";
    std::string out = scanText("<" + mixed + ">");
    EXPECT_EQ(out, std::string(2000, '\n') + "{<" + std::string(1252, 'a') + ">}");
    for (std::size_t split : {1u, 700u, 1300u, 2600u, 5000u})
        EXPECT_EQ(scanText("<" + mixed + ">", split), out) << "split at " << split;
}

TEST(Scanner, SurvivesATagFullOfOpeningBrackets)
{
    std::string input = "<";
    for (int i = 0; i < 2000; ++i)
        input += "<abcdefghijklmnopqrstuvw";
    input += ">";
    std::string out = scanText(input);
    ASSERT_EQ(out.size(), 1256u);  // braces around 1254 characters
    EXPECT_EQ(out.substr(0, 2), "{<");
    EXPECT_EQ(out.substr(out.size() - 2), ">}");
}

TEST(Scanner, CopiesLongRunsOfBlanksAcrossOutputBlocks)
{
    std::string input;
    for (int i = 0; i < 50000; ++i)
        input += "word \t\n";
    std::string expected;
    for (int i = 0; i < 50000; ++i)
        expected += " \t\n";
    EXPECT_EQ(scanText(input), expected);
}

}  // namespace
}  // namespace zelko
