#include "app/naming.h"

#include <gtest/gtest.h>

#include <string>

namespace zelko {
namespace {

struct NamingRow {
    const char* path;
    const char* result;  // nullptr: returns 1, destination untouched
};

TEST(DeriveResultName, ReplacesTheExtensionOfTheInvocationPath)
{
    const NamingRow rows[] = {
        {"zelko", "zelko.html"},
        {"zelko.exe", "zelko.html"},
        {"ZELKO.COM", "ZELKO.html"},
        {"C:\\tools\\zelko.EXE", "C:\\tools\\zelko.html"},
        {"C:\\my.dir\\zelko", "C:\\my.dir\\zelko.html"},
        {"x.y.z", "x.y.html"},
        {"a", "a.html"},
        {"z", "z.html"},
        {"name.", "name.html"},
        {"C:\\dir\\", "C:\\dir\\"},
        {"C:\\my.dir\\", nullptr},
        // A forward slash separates directories too.
        {"./zelko", "./zelko.html"},
        {"/home/u/.local/bin/zelko", "/home/u/.local/bin/zelko.html"},
        {"C:/dir.d/zelko", "C:/dir.d/zelko.html"},
        {"build/zelko.bin", "build/zelko.html"},
        {"/usr/bin/", "/usr/bin/"},
        {"./", nullptr},
        {"/a", "/a.html"},
        {"dir/.zelko", "dir/.html"},
        {"", ""},
    };
    for (const NamingRow& row : rows) {
        char dest[1255] = "untouched";
        int rc = deriveResultName(dest, sizeof dest, row.path);
        if (row.result == nullptr) {
            EXPECT_EQ(rc, 1) << row.path;
            EXPECT_STREQ(dest, "untouched") << row.path;
        } else {
            EXPECT_EQ(rc, 0) << row.path;
            EXPECT_STREQ(dest, row.result) << row.path;
        }
    }
}

TEST(DeriveResultName, FillsADestinationOfExactlyTheNamesSizeAndNoSmaller)
{
    // "dir/zelko.exe" gives "dir/zelko.html": 14 characters and the terminator.
    const std::string name = "dir/zelko.html";
    for (std::size_t size : {14u, 15u, 16u}) {
        std::string dest(32, '#');
        int rc = deriveResultName(&dest[0], size, "dir/zelko.exe");
        std::string expected(32, '#');
        if (size > name.size())
            expected.replace(0, name.size() + 1, name.c_str(), name.size() + 1);
        EXPECT_EQ(rc, size > name.size() ? 0 : 2) << size;
        EXPECT_EQ(dest, expected) << size;  // nothing past the name's terminator is written
    }
}

TEST(DeriveResultName, RefusesANameThatDoesNotFit)
{
    // 1249 characters plus ".html" is the longest name the 1255-byte line holds.
    std::string fits(1249, 'a'), tooLong(1250, 'a');
    char dest[1255] = "untouched";
    EXPECT_EQ(deriveResultName(dest, sizeof dest, fits.c_str()), 0);
    EXPECT_EQ(std::string(dest), fits + ".html");
    char other[1255] = "untouched";
    EXPECT_EQ(deriveResultName(other, sizeof other, tooLong.c_str()), 2);
    EXPECT_STREQ(other, "untouched");
}

}  // namespace
}  // namespace zelko
