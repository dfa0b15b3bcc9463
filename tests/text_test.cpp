#include "text/bounded.h"

#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace
}  // namespace zelko
