// In-memory stages on a generated page, without file system costs: the scanner alone, the
// whole pipeline in both modes (and with the portable vector code), and the tag record; and
// the standard reading: its tokenizer alone, with the table tree builder, the whole check and
// the whole --html5 view. Build target: zelko_micro.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "check/check.h"
#include "html/grid.h"
#include "html/reading.h"
#include "html/tokenizer.h"
#include "html/tree.h"
#include "scan/annotate.h"
#include "scan/scanner.h"
#include "tag/TagInfo.h"
#include "view/view.h"

namespace {

std::string page()
{
    static std::string bytes = [] {
        std::string out;
        std::FILE* gen = popen(ZELKO_GENPAGE " 16", "r");
        char block[65536];
        std::size_t n;
        while (gen != nullptr && (n = std::fread(block, 1, sizeof block, gen)) > 0)
            out.append(block, n);
        if (gen != nullptr)
            pclose(gen);
        return out;
    }();
    return bytes;
}

void scanPage(benchmark::State& state, zelko::TagHandler handler, bool showBorders,
              zelko::Simd simd = zelko::Simd::fastest)
{
    const std::string input = page();
    std::size_t bytes = 0;
    for (auto _ : state) {
        zelko::OutSink out([&bytes](const char*, std::size_t n) { bytes += n; });
        zelko::ScanState scan;
        zelko::Annotation annotation{showBorders, &out};
        zelko::scanBytes(scan, input.data(), input.size(), out, handler, &annotation, simd);
        out.flush();
    }
    benchmark::DoNotOptimize(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

void BM_ScanOnly(benchmark::State& state) { scanPage(state, zelko::ignoreTag, true); }
void BM_ScanAndAnnotate(benchmark::State& state) { scanPage(state, zelko::annotateScannedTag, true); }
void BM_ScanAndAnnotatePlain(benchmark::State& state) { scanPage(state, zelko::annotateScannedTag, false); }
void BM_ScanAndAnnotatePortable(benchmark::State& state)
{
    scanPage(state, zelko::annotateScannedTag, true, zelko::Simd::portable);
}

void BM_TagInfoCell(benchmark::State& state)
{
    const char tag[] = "<td colspan=2 class=price rowspan=\"3\">";
    for (auto _ : state) {
        zelko::TagInfo info(tag, sizeof tag - 1);
        benchmark::DoNotOptimize(info.colspan);
    }
}

// Tokens that go nowhere: the tokenizer's own cost.
class NoTokens : public zelko::html::TokenSink {
public:
    zelko::html::Content startTag(const zelko::html::Token&) override { return zelko::html::Content::data; }
    void endTag(const zelko::html::Token&) override {}
    void text(zelko::html::Location) override {}
    void endOfPage(zelko::html::Location) override {}
};

class NoFindings : public zelko::html::FindingSink {
public:
    void add(const zelko::html::Finding&) override {}
};

constexpr std::size_t kPiece = 64 * 1024;  // as the app reads a page

template <typename Feed>
void inPieces(const std::string& input, Feed feed)
{
    for (std::size_t at = 0; at < input.size(); at += kPiece)
        feed(input.data() + at, std::min(kPiece, input.size() - at));
}

void measure(benchmark::State& state, const std::string& input)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

// The attributes the check keeps, as a reading keeps them.
zelko::html::AttributeTable checkAttributes(
    std::array<zelko::html::Slot, zelko::html::TreeAttribute::count>* slots = nullptr)
{
    zelko::html::AttributeTable table;
    auto treeSlots = zelko::html::addReadingAttributes(table);
    if (slots != nullptr)
        *slots = treeSlots;
    return table;
}

void BM_Tokenize(benchmark::State& state)
{
    const std::string input = page();
    const zelko::html::AttributeTable attributes = checkAttributes();
    for (auto _ : state) {
        NoTokens sink;
        zelko::html::Tokenizer tokenizer(sink, attributes);
        inPieces(input, [&](const char* p, std::size_t n) { tokenizer.feed(p, n); });
        tokenizer.finish();
    }
    measure(state, input);
}

void BM_BuildTables(benchmark::State& state)
{
    const std::string input = page();
    std::array<zelko::html::Slot, zelko::html::TreeAttribute::count> slots;
    const zelko::html::AttributeTable attributes = checkAttributes(&slots);
    for (auto _ : state) {
        NoFindings findings;
        zelko::html::TreeBuilder builder(findings, nullptr, slots.data());
        zelko::html::Tokenizer tokenizer(builder, attributes);
        inPieces(input, [&](const char* p, std::size_t n) { tokenizer.feed(p, n); });
        tokenizer.finish();
    }
    measure(state, input);
}

void BM_Check(benchmark::State& state)
{
    const std::string input = page();
    for (auto _ : state) {
        std::size_t bytes = 0;
        zelko::check::PageChecker checker("page.html", [&bytes](const std::string& s) { bytes += s.size(); });
        inPieces(input, [&](const char* p, std::size_t n) { checker.feed(p, n); });
        checker.finish();
        benchmark::DoNotOptimize(bytes);
    }
    measure(state, input);
}

void BM_View(benchmark::State& state)
{
    const std::string input = page();
    for (auto _ : state) {
        std::size_t bytes = 0;
        zelko::view::PageViewer viewer("page.html", true,
                                       [&bytes](const char*, std::size_t n) { bytes += n; });
        inPieces(input, [&](const char* p, std::size_t n) { viewer.feed(p, n); });
        viewer.finish();
        benchmark::DoNotOptimize(bytes);
    }
    measure(state, input);
}

}  // namespace

BENCHMARK(BM_ScanOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanAndAnnotate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanAndAnnotatePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanAndAnnotatePortable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TagInfoCell);
BENCHMARK(BM_Tokenize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildTables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_View)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
