// .pvz writing: a texture's runs into its file.
//
//   BM_BuildPvzBytes     BuildPvzBytes, the whole file in memory
//   BM_WritePvz          WritePvz, the file written (temporary and rename)
//   BM_PvzStreamWriter   the converter's writer: records written through a
//                        small buffer as the runs come
#include "bench_support.h"

namespace qm::bench {
namespace {

std::string PathFor(const char* what, const Case& c) {
    return ScratchFolder() + "/" + what + "-" + std::to_string(c.side) + "-" +
           std::string(ContentName(c.content)) + ".pvz";
}

void BM_BuildPvzBytes(benchmark::State& state) {
    const Case c = CaseOf(state);
    const std::vector<ColorRun>& runs = Runs(c, Layout::kTwiddled);
    const TextureInfo info = Info(c, Layout::kTwiddled);
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes;
        BuildPvzBytes(info, runs, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["runs"] = static_cast<double>(runs.size());
    Report(state, c);
}

// Each iteration writes a new file (see bench_png_io.cpp).
void BM_WritePvz(benchmark::State& state) {
    const Case c = CaseOf(state);
    const std::vector<ColorRun>& runs = Runs(c, Layout::kTwiddled);
    const TextureInfo info = Info(c, Layout::kTwiddled, PathFor("write", c));
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(info.texturePath);
        state.ResumeTiming();
        if (!WritePvz(info, runs)) {
            state.SkipWithError("write failed");
            break;
        }
    }
    Report(state, c);
}

void BM_PvzStreamWriter(benchmark::State& state) {
    const Case c = CaseOf(state);
    const std::vector<ColorRun>& runs = Runs(c, Layout::kTwiddled);
    const TextureInfo info = Info(c, Layout::kTwiddled, PathFor("stream", c));
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(info.texturePath);
        state.ResumeTiming();
        PvzStreamWriter writer(info);
        if (!writer.Open()) {
            state.SkipWithError("open failed");
            break;
        }
        for (const ColorRun& run : runs) {
            writer.AddRun(ToPixelWord(run.color), run.repeat + 1);
        }
        if (!writer.Commit()) {
            state.SkipWithError("write failed");
            break;
        }
    }
    Report(state, c);
}

BENCHMARK(BM_BuildPvzBytes)->Apply(ContentArgs);
BENCHMARK(BM_WritePvz)->Apply(ContentArgs);
BENCHMARK(BM_PvzStreamWriter)->Apply(ContentArgs);

}  // namespace
}  // namespace qm::bench

BENCHMARK_MAIN();
