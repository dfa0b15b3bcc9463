// In-memory stages on a generated page, without file system costs: the scanner alone, the
// whole pipeline in both modes (and with the portable vector code), and the tag record. Build
// target: zelko_micro.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "scan/annotate.h"
#include "scan/scanner.h"
#include "tag/TagInfo.h"

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
    std::FILE* sink = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        zelko::OutSink out(sink);
        zelko::ScanState scan;
        zelko::Annotation annotation{showBorders, &out};
        zelko::scanBytes(scan, input.data(), input.size(), out, handler, &annotation, simd);
        out.flush();
    }
    std::fclose(sink);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

void BM_ScanOnly(benchmark::State& state) { scanPage(state, zelko::ignoreTag, true); }
void BM_ScanAndAnnotate(benchmark::State& state) { scanPage(state, zelko::annotateHandler, true); }
void BM_ScanAndAnnotatePlain(benchmark::State& state) { scanPage(state, zelko::annotateHandler, false); }
void BM_ScanAndAnnotatePortable(benchmark::State& state)
{
    scanPage(state, zelko::annotateHandler, true, zelko::Simd::portable);
}

void BM_TagInfoCell(benchmark::State& state)
{
    const char tag[] = "<td colspan=2 class=price rowspan=\"3\">";
    for (auto _ : state) {
        zelko::TagInfo info(tag, sizeof tag - 1);
        benchmark::DoNotOptimize(info.colspan);
    }
}

}  // namespace

BENCHMARK(BM_ScanOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanAndAnnotate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanAndAnnotatePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanAndAnnotatePortable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TagInfoCell);
BENCHMARK_MAIN();
