// The line counter: where every byte of a page that arrives in pieces stands.
#include "html/lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace zelko::html {
namespace {

// Where byte `at` of `page` stands by the rule itself: a line ends at an LF and at a CR that no LF
// follows; a column counts the bytes since the line's start, or their UTF-16 code units (a
// continuation byte is none, a four-byte character two).
Location placeOf(const std::string& page, std::size_t at, bool codeUnits)
{
    Location place;
    for (std::size_t k = 0; k < at; ++k) {
        const unsigned char c = static_cast<unsigned char>(page[k]);
        if (c == '\n' || (c == '\r' && (k + 1 == page.size() || page[k + 1] != '\n')))
            place = {place.line + 1, 1};
        else if (!codeUnits || (c & 0xC0) != 0x80)
            place.column += codeUnits && c >= 0xF0 ? 2 : 1;
    }
    return place;
}

// Random pages of text, LFs, CRs and two- and four-byte characters, fed in random pieces, so that
// line ends fall on every side of the counter's windows and of the pieces; every character but
// an LF (which no tag or text starts at) is located, in order.
TEST(LineCounter, CountsAByteThatIsNoUtf8AsOneCodeUnit)
{
    // A page that is no UTF-8 shows each such byte as one windows-1252 character.
    const struct {
        std::string page;
        std::uint64_t column;  // of the '<'
    } rows[] = {
        {"\xe9<", 2},                  // a lone lead byte
        {"\x80\x80<", 3},              // stray continuation bytes
        {"\xf0\x9f<", 3},              // a cut four-byte sequence
        {"\xc3\xa9\xf0\x9f\x98\x80<", 4},  // valid ones: one unit and two
        {"\xed\xa0\x80<", 4},          // an encoded surrogate is no UTF-8
    };
    for (const auto& row : rows) {
        for (std::size_t split = 1; split <= row.page.size(); ++split) {  // the last piece holds the '<'
            LineCounter lines;
            lines.countCodeUnits();
            const auto* bytes = reinterpret_cast<const unsigned char*>(row.page.data());
            lines.beginPiece(bytes, split - 1);
            lines.endPiece();
            lines.beginPiece(bytes + split - 1, row.page.size() - split + 1);
            EXPECT_EQ(lines.locate(row.page.size() - split).column, row.column) << row.page << " split at " << split;
            lines.endPiece();
        }
    }
}

TEST(LineCounter, LocatesEveryByteAsTheLineRuleSays)
{
    const char* const kParts[] = {"a", "<", "\n", "\r", "\r\n", "\xc3\xa9", "\xf0\x9f\x98\x80"};
    std::mt19937 random(19);
    for (int round = 0; round < 3000; ++round) {
        const bool codeUnits = round % 2 == 1;
        std::string page;
        std::vector<std::size_t> starts;
        for (std::size_t size = random() % 400; page.size() < size;) {
            const std::string part = kParts[random() % 7];
            if (part != "\n")
                starts.push_back(page.size());
            page += part;
        }
        LineCounter lines;
        if (codeUnits)
            lines.countCodeUnits();
        std::size_t next = 0;  // the next start to locate
        for (std::size_t at = 0; at < page.size();) {
            const std::size_t n = std::min<std::size_t>(1 + random() % 150, page.size() - at);
            const std::string piece = page.substr(at, n);
            lines.beginPiece(reinterpret_cast<const unsigned char*>(piece.data()), n);
            for (; next < starts.size() && starts[next] < at + n; ++next) {
                Location got = lines.locate(starts[next] - at), want = placeOf(page, starts[next], codeUnits);
                ASSERT_EQ(got.line, want.line) << "byte " << starts[next] << " of round " << round;
                ASSERT_EQ(got.column, want.column) << "byte " << starts[next] << " of round " << round;
            }
            lines.endPiece();
            at += n;
        }
        if (!page.empty()) {
            // One past the last character, on the line of the last byte: a line end belongs to
            // the line it ends.
            const char end = page.back();
            Location last = placeOf(page, page.size() - 1, codeUnits);
            Location past = end == '\n' || end == '\r' ? Location{last.line, last.column + 1}
                                                        : placeOf(page, page.size(), codeUnits);
            EXPECT_EQ(lines.pastLast().line, past.line) << "round " << round;
            EXPECT_EQ(lines.pastLast().column, past.column) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace zelko::html
