#include "text/bounded.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "text/append.h"
#include "text/buffer.h"

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

// Whatever is appended or written into its room, a buffer hands on every byte in order, with a
// writer or without; room asked beyond a writer's block grows the block rather than being written
// past its end.
TEST(Buffer, HandsOnEveryByteWhateverThePiecesAndTheRoomAskedFor)
{
    const struct {
        const char* what;
        std::size_t block;
        bool writer;
        std::vector<std::size_t> appends, rooms;  // piece sizes, then room sizes written
    } rows[] = {
        {"small pieces in a block of 8", 8, true, {3, 3, 3, 1, 7}, {}},
        {"a piece larger than the block goes on whole", 8, true, {2, 20, 1}, {}},
        {"room within the block", 8, true, {5}, {4, 8}},
        {"room beyond the block", 8, true, {5}, {30, 2}},
        {"no writer: it grows", 0, false, {3, 9}, {40}},
    };
    for (const auto& row : rows) {
        std::string handed, expected;
        ByteWriter write;
        if (row.writer)
            write = [&handed](const char* bytes, std::size_t n) { handed.append(bytes, n); };
        Buffer out(row.block, write);
        char next = 'a';
        const auto piece = [&next](std::size_t n) {
            std::string p;
            for (std::size_t i = 0; i < n; ++i, next = next == 'z' ? 'a' : static_cast<char>(next + 1))
                p += next;
            return p;
        };
        for (std::size_t n : row.appends) {
            const std::string p = piece(n);
            out += p;
            expected += p;
        }
        for (std::size_t n : row.rooms) {
            const std::string p = piece(n);
            char* at = out.room(n);
            std::memcpy(at, p.data(), n);
            out.commit(at + n);
            expected += p;
        }
        if (row.writer)
            out.flush();
        else
            handed.assign(out.data(), out.size());
        EXPECT_EQ(handed, expected) << row.what;
    }
}

}  // namespace
}  // namespace zelko
