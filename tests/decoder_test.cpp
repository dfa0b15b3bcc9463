// The page decoder: UTF-16 pages decoded as browsers decode them, in pieces of any size.
#include "html/decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace zelko::html {
namespace {

// Decodes `page` handed on in pieces of `piece` bytes; says whether it was read as UTF-16.
std::string decoded(const std::string& page, std::size_t piece, bool* fromUtf16 = nullptr)
{
    std::string out;
    PageDecoder decoder([&out](const char* bytes, std::size_t n) {
        out.append(bytes, n);
        return true;
    });
    for (std::size_t at = 0; at < page.size(); at += piece)
        EXPECT_TRUE(decoder.feed(page.data() + at, std::min(piece, page.size() - at)));
    EXPECT_TRUE(decoder.finish());
    if (fromUtf16 != nullptr)
        *fromUtf16 = decoder.fromUtf16();
    return out;
}

TEST(PageDecoder, DecodesUtf16AsBrowsersDoInPiecesOfAnySize)
{
    const struct {
        const char* what;
        std::string page, text;
        bool utf16;
    } rows[] = {
        {"little-endian", std::string("\xff\xfe<\0t\0\xe9\0", 8), "<t\xc3\xa9", true},
        {"big-endian", std::string("\xfe\xff\0<\x20\xac", 6), "<\xe2\x82\xac", true},
        {"a surrogate pair", std::string("\xff\xfe\x3d\xd8\x00\xde", 6), "\xf0\x9f\x98\x80", true},
        {"a lone low surrogate",
         std::string("\xff\xfe\x00\xde"
                     "A\0",
                     6),
         "\xef\xbf\xbd"
         "A",
         true},
        {"a high surrogate before a letter",
         std::string("\xff\xfe\x3d\xd8"
                     "A\0",
                     6),
         "\xef\xbf\xbd"
         "A",
         true},
        {"a high surrogate at the end",
         std::string("\xff\xfe"
                     "A\0\x3d\xd8",
                     6),
         "A\xef\xbf\xbd", true},
        {"a lone last byte",
         std::string("\xff\xfe"
                     "A\0B",
                     5),
         "A\xef\xbf\xbd", true},
        {"only the mark", "\xff\xfe", "", true},
        {"a NUL stays a NUL", std::string("\xfe\xff\0\0", 4), std::string("\0", 1), true},
        {"a UTF-8 mark is dropped", "\xef\xbb\xbf<td>", "<td>", false},
        {"only a UTF-8 mark", "\xef\xbb\xbf", "", false},
        {"a mark in the middle stays", "a\xef\xbb\xbf", "a\xef\xbb\xbf", false},
        {"no mark: the bytes as they stand", "\xff<td>\xfe", "\xff<td>\xfe", false},
        {"a page shorter than a mark", "\xef\xbb", "\xef\xbb", false},
        {"one byte", "\xff", "\xff", false},
        {"an empty page", "", "", false},
    };
    for (const auto& row : rows) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{1000}}) {
            bool utf16 = false;
            EXPECT_EQ(decoded(row.page, piece, &utf16), row.text) << row.what << ", pieces of " << piece;
            EXPECT_EQ(utf16, row.utf16) << row.what;
        }
    }
}

TEST(PageDecoder, StopsWhenTheTakerSaysSo)
{
    int calls = 0;
    PageDecoder decoder([&calls](const char*, std::size_t) { return ++calls < 2; });
    EXPECT_TRUE(
        decoder.feed("\xff\xfe"
                     "a\0",
                     4));
    EXPECT_FALSE(decoder.feed("b\0", 2));
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace zelko::html
