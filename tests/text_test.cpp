#include "text/bounded.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/append.h"

namespace zelko {
namespace {

TEST(CopyBounded, KeepsAtMostSizeMinusOneAndTerminates)
{
    struct Row {
        const char* src;
        std::size_t dstSize;
        const char* kept;
    };
    const Row rows[] = {
        {"abcd", 6, "abcd"},     // N-1: fits with room to spare
        {"abcde", 6, "abcde"},   // exactly size - 1
        {"abcdef", 6, "abcde"},  // one too many: cut short
        {"", 6, ""},
        {"abc", 1, ""},
    };
    for (const Row& row : rows) {
        char dst[8];
        std::memset(dst, 'Z', sizeof dst);
        std::size_t n = std::strlen(row.src);
        EXPECT_EQ(copyBounded(dst, row.dstSize, row.src, n), n) << row.src;
        EXPECT_STREQ(dst, row.kept) << row.src;
        EXPECT_EQ(dst[row.dstSize], 'Z') << "wrote past the buffer for " << row.src;
    }
}

TEST(CopyBounded, ZeroSizeWritesNothing)
{
    char dst = 'Z';
    EXPECT_EQ(copyBounded(&dst, 0, "abc", 3), 3u);
    EXPECT_EQ(dst, 'Z');
}

TEST(EqualsIgnoreCase, ComparesWholeWordsInAnyCase)
{
    struct Row {
        const char* text;
        bool equal;
    };
    const Row rows[] = {
        {"class", true},   {"CLASS", true}, {"ClAsS", true},  {"clas", false},
        {"classx", false}, {"", false},     {"c1ass", false}, {"class>", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(equalsIgnoreCase(Span{row.text, std::strlen(row.text)}, Span{"class", 5}), row.equal)
            << row.text;
}

// A quoted text stays on its one line: quotes and backslashes escaped, control bytes as \xNN,
// every other byte (UTF-8 among them) as it is, wherever the escapes fall.
TEST(AppendQuoted, EscapesQuotesBackslashesAndControlBytesOnly)
{
    const struct {
        std::string text, quoted;
    } rows[] = {
        {"", "\"\""},
        {"plain text", "\"plain text\""},
        {"\"a\\b\"", "\"\\\"a\\\\b\\\"\""},
        {std::string("\0\x1f\x7f", 3), "\"\\x00\\x1f\\x7f\""},
        {"line\nend\t", "\"line\\x0aend\\x09\""},
        {"caf\xc3\xa9 \xff", "\"caf\xc3\xa9 \xff\""},
    };
    for (const auto& row : rows) {
        std::string out = "x";
        appendQuoted(out, row.text);
        EXPECT_EQ(out, "x" + row.quoted) << row.quoted;
    }
}

}  // namespace
}  // namespace zelko
