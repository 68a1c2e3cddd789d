// Gathering: a loaded picture read in texture order and split into runs.
//
//   BM_GetPngColor    GetPngColor_Rect / GetPngColor_Squ into a ColorRun
//                     array, the library's array interface
//   BM_GatherPieces   the converter's gathering: PlanGather_* and the runs
//                     found piece by piece (counted here; writing them is
//                     bench_pvz_write's part)
#include "bench_support.h"
#include "layout/gather.h"

namespace qm::bench {
namespace {

void BM_GetPngColor(benchmark::State& state) {
    const Case c = CaseOf(state);
    const Layout layout = LayoutArg(state);
    const ImageSurface& picture = Picture(c);
    const TextureInfo info = Info(c, layout);
    for (auto _ : state) {
        std::vector<ColorRun> runs;
        const bool gathered = layout == Layout::kRectangle ? GetPngColor_Rect(picture, info, runs)
                                                           : GetPngColor_Squ(picture, info, runs);
        if (!gathered) {
            state.SkipWithError("gather failed");
            break;
        }
        benchmark::DoNotOptimize(runs.data());
    }
    Report(state, c, LayoutName(layout));
}

void BM_GatherPieces(benchmark::State& state) {
    const Case c = CaseOf(state);
    const Layout layout = LayoutArg(state);
    const ImageSurface& picture = Picture(c);
    const TextureInfo info = Info(c, layout);
    for (auto _ : state) {
        StreamPieces pieces;
        const bool planned = layout == Layout::kRectangle ? PlanGather_Rect(picture, info, pieces)
                                                          : PlanGather_Squ(picture, info, pieces);
        if (!planned) {
            state.SkipWithError("gather failed");
            break;
        }
        std::size_t runs = 0;
        ForEachGatheredRun(picture, pieces, [&runs](PixelWord, std::size_t) { ++runs; });
        benchmark::DoNotOptimize(runs);
    }
    Report(state, c, LayoutName(layout));
}

BENCHMARK(BM_GetPngColor)->Apply(LayoutArgs);
BENCHMARK(BM_GatherPieces)->Apply(LayoutArgs);

}  // namespace
}  // namespace qm::bench

BENCHMARK_MAIN();
