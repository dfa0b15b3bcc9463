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

TEST(DeriveResultName, GivesTheSameNameEveryTime)
{
    char first[1255], second[1255];
    deriveResultName(first, sizeof first, "/opt/tools/zelko");
    deriveResultName(second, sizeof second, "/opt/tools/zelko");
    EXPECT_STREQ(first, second);
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
