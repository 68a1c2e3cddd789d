// Run encoding: colours in texture order split into runs of at most 256.
//
//   BM_EncodeColorRuns   EncodeColorRuns on an ArgbColor array
//   BM_SplitPixelRuns    PixelRunSplitter on the same pixels as words, the
//                        converter's way (runs counted)
#include "bench_support.h"

namespace qm::bench {
namespace {

void BM_EncodeColorRuns(benchmark::State& state) {
    const Case c = CaseOf(state);
    const std::vector<ArgbColor>& colors = StreamColors(c, Layout::kTwiddled);
    for (auto _ : state) {
        std::vector<ColorRun> runs;
        EncodeColorRuns(colors, runs);
        benchmark::DoNotOptimize(runs.data());
    }
    state.counters["runs"] = static_cast<double>(Runs(c, Layout::kTwiddled).size());
    Report(state, c);
}

void BM_SplitPixelRuns(benchmark::State& state) {
    const Case c = CaseOf(state);
    std::vector<PixelWord> pixels;
    for (const ArgbColor& color : StreamColors(c, Layout::kTwiddled)) {
        pixels.push_back(ToPixelWord(color));
    }
    for (auto _ : state) {
        std::size_t runs = 0;
        PixelRunSplitter splitter([&runs](PixelWord, std::size_t) { ++runs; });
        splitter.Add(pixels);
        splitter.Finish();
        benchmark::DoNotOptimize(runs);
    }
    Report(state, c);
}

BENCHMARK(BM_EncodeColorRuns)->Apply(ContentArgs);
BENCHMARK(BM_SplitPixelRuns)->Apply(ContentArgs);

}  // namespace
}  // namespace qm::bench

BENCHMARK_MAIN();
