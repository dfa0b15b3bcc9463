// A page's declared encoding: the standard's labels, its prescan of the first 1024 bytes, and the
// texts the reading shows, decoded through the platform's converter.
#include "html/encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "app/platform.h"
#include "check/check.h"
#include "html/decoder.h"
#include "html/reading.h"

namespace zelko::html {
namespace {

TEST(Encoding, KnowsTheStandardsLabels)
{
    const struct {
        const char* label;
        const char* name;
    } rows[] = {
        {"utf-8", "utf-8"},
        {" UTF8\t", "utf-8"},
        {"latin1", "windows-1252"},
        {"ISO-8859-1", "windows-1252"},
        {"ascii", "windows-1252"},
        {"cp1251", "windows-1251"},
        {"koi8", "koi8-r"},
        {"sjis", "shift_jis"},
        {"x-gbk", "gbk"},
        {"csbig5", "big5"},
        {"utf-16", "utf-16le"},
        {"x-user-defined", "x-user-defined"},
        {"frobnicate", ""},
        {"", ""},
        {"utf-8 x", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(encodingOfLabel(row.label), row.name) << '"' << row.label << '"';
}

TEST(Encoding, ExtractsTheEncodingOfAContentDeclaration)
{
    const struct {
        const char* content;
        const char* name;
    } rows[] = {
        {"text/html; charset=koi8-r", "koi8-r"},
        {"text/html;charset = 'windows-1251' ", "windows-1251"},
        {"text/html; CHARSET=\"Shift_JIS\"; x", "shift_jis"},
        {"charset;charset=gbk", "gbk"},       // a "charset" without '=' is passed over
        {"text/html; charset=\"koi8-r", ""},  // an unmatched quote
        {"text/html; charset=", ""},
        {"text/html", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(encodingOfContent(row.content), row.name) << row.content;
}

TEST(Encoding, PrescansThePagesFirstBytesAsTheStandardDoes)
{
    const std::string far = "<p>" + std::string(1020, 'x') + "<meta charset=koi8-r>";
    const struct {
        const char* what;
        std::string page;
        const char* name;
    } rows[] = {
        {"a charset attribute", "<!doctype html><meta charset=windows-1251>", "windows-1251"},
        {"in quotes, any case, after a slash", "<META/Charset = ' ISO-8859-2 '>", "iso-8859-2"},
        {"an http-equiv content declaration",
         "<meta http-equiv=Content-Type content='text/html; charset=euc-jp'>", "euc-jp"},
        {"a content declaration without its http-equiv is none", "<meta content='text/html; charset=euc-jp'>",
         ""},
        {"the first of two same-named attributes counts", "<meta charset=gbk charset=big5>", "gbk"},
        {"a charset beats a later content",
         "<meta charset=gbk http-equiv=content-type content='charset=big5'>", "gbk"},
        {"a comment hides a meta", "<!-- <meta charset=big5> --><meta charset=koi8-r>", "koi8-r"},
        {"so does a quoted value in another tag", "<a title='<meta charset=big5>'><meta charset=koi8-r>",
         "koi8-r"},
        {"an unknown label is passed over", "<meta charset=frob><meta charset=koi8-u>", "koi8-u"},
        {"UTF-16 declared is UTF-8", "<meta charset=utf-16>", "utf-8"},
        {"x-user-defined is windows-1252", "<meta charset=x-user-defined>", "windows-1252"},
        {"a meta past the first 1024 bytes is not seen", far, ""},
        {"no meta at all", "<p>text", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(prescanEncoding(row.page), row.name) << row.what;
}

TEST(PageDecoder, TellsTheDeclaredEncodingBeforeTheFirstBytes)
{
    const std::string page = "<meta charset=koi8-r><p>" + std::string(3000, 'y');
    for (std::size_t piece : {1, 7, 1023, 1024, 5000}) {
        std::string out, told;
        PageDecoder decoder(
            [&](const char* bytes, std::size_t n) {
                EXPECT_EQ(told, "koi8-r") << "bytes before the encoding, pieces of " << piece;
                out.append(bytes, n);
                return true;
            },
            {}, [&told](std::string_view encoding) { told = encoding; });
        for (std::size_t at = 0; at < page.size(); at += piece)
            decoder.feed(page.data() + at, std::min(piece, page.size() - at));
        decoder.finish();
        EXPECT_EQ(out, page) << "pieces of " << piece;
    }
}

// The check's report of `page` with the platform's converter.
std::string reportOf(const std::string& page)
{
    std::string out;
    check::RunReport run(check::ReportStyle{}, "", [&out](const std::string& lines) { out += lines; });
    check::PageChecker checker(
        run, "p", [](std::string_view encoding, std::string& text) { return toUtf8(encoding, text); });
    checker.feed(page.data(), page.size());
    checker.finish();
    run.finish();
    return out;
}

TEST(Encoding, ShowsTheTextsOfAPageInItsDeclaredEncoding)
{
    const struct {
        const char* encoding;
        std::string bytes, text;  // "table" in the encoding, and in UTF-8
    } rows[] = {
        {"windows-1251", "\xf2\xe0\xe1\xeb\xe8\xf6\xe0",
         "\xd1\x82\xd0\xb0\xd0\xb1\xd0\xbb\xd0\xb8\xd1\x86\xd0\xb0"},
        {"koi8-r", "\xd4\xc1\xc2\xcc\xc9\xc3\xc1",
         "\xd1\x82\xd0\xb0\xd0\xb1\xd0\xbb\xd0\xb8\xd1\x86\xd0\xb0"},
        {"windows-1252", "\xc3\xa9", "\xc3\x83\xc2\xa9"},  // no UTF-8 when the page says so
        {"iso-8859-2", "\xb9", "\xc5\xa1"},
        {"shift_jis", "\x95\x5c", "\xe8\xa1\xa8"},  // a second byte of 0x5C, '\' in ASCII
        {"euc-jp", "\xc9\xbd", "\xe8\xa1\xa8"},
        {"gbk", "\xb1\xed", "\xe8\xa1\xa8"},
        {"big5", "\xaa\xed", "\xe8\xa1\xa8"},
    };
    for (const auto& row : rows) {
        const std::string page =
            std::string("<meta charset=") + row.encoding + "><table class='" + row.bytes + "'>";
        EXPECT_EQ(reportOf(page), "p:1:" + std::to_string(16 + std::string(row.encoding).size()) +
                                      ": note: table 1 (class \"" + row.text +
                                      "\"): 0 rows x 0 columns, 0 row groups [table]\n")
            << row.encoding;
    }
    // Without a declaration, the bytes stand as they are.
    EXPECT_EQ(reportOf("<table class='\xf2\xe0'>"),
              "p:1:1: note: table 1 (class \"\xf2\xe0\"): 0 rows x 0 columns, 0 row groups [table]\n");
}

}  // namespace
}  // namespace zelko::html
