// Placement: decoded colours onto a 32-bit surface, row by row and twiddled.
//
//   BM_PlaceColors   SetPngColor_Rect / UntwiddleSquare from an ArgbColor
//                    array, the library's array interface
//   BM_PlacePieces   the converter's placement: decoded records through a
//                    PieceSink, a piece of at most 64 x 64 texels at a time
#include "bench_support.h"
#include "convert/png_output.h"
#include "layout/twiddle.h"
#include "texture/color_format.h"
#include "texture/run_stream.h"

namespace qm::bench {
namespace {

// The records of the picture's file, decoded, as the decoder hands them on.
std::vector<TexelRun> DecodedRecords(const Case& c, Layout layout) {
    const PixelCodec* codec = FindPixelCodec(kBenchPixelFormat);
    std::vector<TexelRun> records;
    WalkRunStream(PvzFile(c, layout), TexelWidth::kTwoByte, [&](const RunRecord& record) {
        records.push_back({codec->Decode(record.value), record.count});
        return true;
    });
    return records;
}

void BM_PlaceColors(benchmark::State& state) {
    const Case c = CaseOf(state);
    const Layout layout = LayoutArg(state);
    const std::vector<ArgbColor>& colors = StreamColors(c, layout);
    ImageSurface surface;
    surface.Create(c.side, c.side, 32, true);
    std::vector<TwiddleRegion> roots;
    TwiddleRoots(c.side, c.side, roots);
    for (auto _ : state) {
        bool placed = true;
        if (layout == Layout::kRectangle) {
            placed = SetPngColor_Rect(surface, c.side, c.side, colors);
        } else {
            for (const TwiddleRegion& root : roots) {
                placed = placed && UntwiddleSquare(surface, root, colors);
            }
        }
        if (!placed) {
            state.SkipWithError("placement failed");
            break;
        }
        benchmark::DoNotOptimize(surface.GetBits());
    }
    Report(state, c, LayoutName(layout));
}

void BM_PlacePieces(benchmark::State& state) {
    const Case c = CaseOf(state);
    const Layout layout = LayoutArg(state);
    const std::vector<TexelRun> records = DecodedRecords(c, layout);
    const std::optional<StreamPieces> pieces = PlacementPieces(Info(c, layout));
    ImageSurface surface;
    surface.Create(c.side, c.side, 32, true);
    for (auto _ : state) {
        PieceSink sink(surface, *pieces);
        sink.Append(records);
        benchmark::DoNotOptimize(surface.GetBits());
    }
    Report(state, c, LayoutName(layout));
}

BENCHMARK(BM_PlaceColors)->Apply(LayoutArgs);
BENCHMARK(BM_PlacePieces)->Apply(LayoutArgs);

}  // namespace
}  // namespace qm::bench

BENCHMARK_MAIN();
