#include "app/input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support.h"

namespace zelko {
namespace {

struct Reading {
    int status = -1;
    std::vector<std::size_t> blocks;  // the size of each block handed on
    std::string bytes;
};

// Reads the file `path` with readBlocks, taking at most `keep` blocks.
Reading readAll(const std::string& path, std::size_t keep = SIZE_MAX)
{
    Reading reading;
    std::FILE* source = std::fopen(path.c_str(), "rb");
    if (source == nullptr)
        return reading;
    reading.status = readBlocks(source, [&](const char* bytes, std::size_t n) {
        reading.blocks.push_back(n);
        reading.bytes.append(bytes, n);
        return reading.blocks.size() < keep;
    });
    std::fclose(source);
    return reading;
}

TEST(ReadBlocks, HandsOnEveryByteInWholeBlocks)
{
    const struct {
        std::size_t size;
        std::vector<std::size_t> blocks;
    } rows[] = {
        {0, {}},
        {1, {1}},
        {kSourceBlock - 1, {kSourceBlock - 1}},
        {kSourceBlock, {kSourceBlock}},
        {kSourceBlock + 1, {kSourceBlock, 1}},
        {2 * kSourceBlock + 7, {kSourceBlock, kSourceBlock, 7}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        test::TempDir dir;
        std::string text(row.size, '\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char>(i * 7 + i / 251);
        test::writeFile(dir / "page", text);
        Reading reading = readAll(dir / "page");
        EXPECT_EQ(reading.status, 0);
        EXPECT_EQ(reading.blocks, row.blocks);
        EXPECT_TRUE(reading.bytes == text) << test::firstDifference(text, reading.bytes);
    }
}

TEST(ReadBlocks, StopsWhenTheTakerSaysSo)
{
    test::TempDir dir;
    test::writeFile(dir / "page", std::string(3 * kSourceBlock, 'x'));
    Reading reading = readAll(dir / "page", 1);
    EXPECT_EQ(reading.status, 0);
    EXPECT_EQ(reading.blocks, std::vector<std::size_t>{kSourceBlock});
}

TEST(ReadBlocks, ReportsAFailedRead)
{
    test::TempDir dir;
    Reading reading = readAll(dir.path());
    EXPECT_EQ(reading.status, EISDIR);
    EXPECT_TRUE(reading.blocks.empty());
}

}  // namespace
}  // namespace zelko
