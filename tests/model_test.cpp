// The tool against a literal model of its rules, on many generated hostile pages.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model.h"
#include "pipeline.h"
#include "scan/annotate.h"
#include "scan/scanner.h"
#include "support.h"

namespace zelko {
namespace {

// Pages made of pieces that the rules treat specially, in random order.
std::string hostilePage(std::uint64_t& seed)
{
    static const std::vector<std::string> pieces = {
        "<",
        ">",
        "</",
        " ",
        "  ",
        "\t",
        "\n",
        "\r\n",
        std::string(1, '\0'),
        "5",
        "x",
        "=",
        "\"",
        "'",
        "-",
        "#",
        "\xe9",
        "td",
        "TD",
        "th",
        "tr",
        "table",
        "TABLE",
        "html",
        "head",
        "body",
        "link",
        "p",
        "class",
        "CLASS",
        "colspan",
        "rowspan",
        "=2",
        "=-3",
        "=99999999999",
        " class=",
        " colspan=",
        " rowspan=",
        "=\"a b\"",
        "<td>",
        "</td>",
        "<tr>",
        "<table>",
        "<td class=x colspan=2>",
        "<th rowspan=\"3\" class=\"y\">",
        "<!-- c -->",
        "a<5",
        "<td colspan=    2>",
        std::string(1300, 'a'),
        "<" + std::string(17, '\0') + "5",
        "<" + std::string(18, '\0') + "5",
        std::string(6, '\0'),
    };
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    std::string page;
    std::size_t count = next() % 120;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t pick = next() % pieces.size();
        if (pieces[pick].size() > 100 && next() % 8 != 0)
            continue;  // long pieces only now and then
        page += pieces[pick];
    }
    return page;
}

TEST(Model, AgreesOnGeneratedHostilePages)
{
    std::uint64_t seed = 0x2545F4914F6CDD1Dull;
    for (int i = 0; i < 4000; ++i) {
        std::string page = hostilePage(seed);
        std::size_t split = page.empty() ? 0 : seed % (page.size() + 1);
        for (bool borders : {true, false}) {
            std::string expected = model::run(page, borders);
            for (Simd simd : {Simd::fastest, Simd::portable}) {
                std::string actual = runPipeline(page, split, borders, simd);
                ASSERT_EQ(actual, expected)
                    << "page " << i << (borders ? " (borders)" : " (-n)") << ", split at " << split
                    << (simd == Simd::portable ? ", portable code" : "") << "\n"
                    << test::firstDifference(expected, actual);
            }
        }
    }
}

TEST(Model, AgreesOnTheGoldenAndSamplePages)
{
    for (const char* path : {"/golden/simple.html", "/golden/hostile.html", "/golden/crlf.html",
                             "/../../examples/sample.html"}) {
        std::string page = test::readFile(std::string(ZELKO_TEST_DATA) + path);
        ASSERT_FALSE(page.empty()) << path;
        for (bool borders : {true, false})
            for (Simd simd : {Simd::fastest, Simd::portable})
                EXPECT_EQ(runPipeline(page, page.size() / 2, borders, simd), model::run(page, borders))
                    << path;
    }
}

}  // namespace
}  // namespace zelko
