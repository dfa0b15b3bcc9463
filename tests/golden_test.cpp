// Source pages run through the real binary in both modes, compared byte for byte with result
// files written by hand from the rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.h"

namespace zelko {
namespace {

using test::readFile;

struct ModeRow {
    std::vector<std::string> switchesBefore, switchesAfter;
    const char* expected;  // extension of the expected result file
};

const ModeRow kModes[] = {
    {{}, {}, "borders"},
    {{}, {"-n"}, "plain"},
    {{"-N"}, {}, "plain"},
    {{"-nothing"}, {}, "plain"},
    {{}, {"-n", "-b"}, "borders"},
    {{"-B"}, {}, "borders"},
    {{"-b"}, {"-Borders", "-n", "-x"}, "plain"},
};

TEST(Golden, ResultFilesMatchByteForByte)
{
    for (const char* page : {"simple", "hostile", "crlf", "empty"}) {
        std::string source = std::string(ZELKO_TEST_DATA) + "/golden/" + page + ".html";
        for (const ModeRow& mode : kModes) {
            test::TempDir dir;
            std::vector<std::string> args = mode.switchesBefore;
            args.push_back(source);
            args.insert(args.end(), mode.switchesAfter.begin(), mode.switchesAfter.end());
            test::RunResult r = test::runZelko({dir / "zelko", args, dir.path()});
            std::string what = std::string(page) + " as " + mode.expected;
            for (const std::string& a : args)
                what += " " + a;
            EXPECT_EQ(r.status, 0) << what << "\n" << r.out << r.err;
            std::string expected =
                readFile(std::string(ZELKO_TEST_DATA) + "/golden/" + page + "." + mode.expected);
            std::string actual = readFile(dir / "zelko.html");
            EXPECT_EQ(actual, expected) << what << "\n" << test::firstDifference(expected, actual);
        }
    }
}

TEST(Golden, TheSamplePageShowsItsTables)
{
    test::TempDir dir;
    test::RunResult r = test::runZelko(
        {dir / "zelko", {std::string(ZELKO_TEST_DATA) + "/../../examples/sample.html"}, dir.path()});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::string result = readFile(dir / "zelko.html");
    EXPECT_NE(result.find("&nbsp;2x1 "), std::string::npos);
    EXPECT_NE(result.find("&nbsp;1x2 "), std::string::npos);
    EXPECT_NE(result.find("</thead>"), std::string::npos);
}

}  // namespace
}  // namespace zelko
