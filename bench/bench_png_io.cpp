// PNG save and load of decoded textures at 256, 1024 and 4096 square, with
// the program's own settings (bench_png.cpp compares the settings at 1024).
// The "bytes" counter is the file size.
#include "bench_support.h"
#include "platform/png_file.h"

namespace qm::bench {
namespace {

std::string PathFor(const char* what, const Case& c) {
    return ScratchFolder() + "/" + what + "-" + std::to_string(c.side) + "-" +
           std::string(ContentName(c.content)) + ".png";
}

// Each iteration writes a new file: replacing one makes ext4 write it out at
// once, which would time the disk rather than the encoder.
void BM_SavePng(benchmark::State& state) {
    const Case c = CaseOf(state);
    const ImageSurface& picture = Picture(c);
    const std::string path = PathFor("save", c);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
        if (!SavePngFile(picture, path)) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    Report(state, c);
}

void BM_LoadPng(benchmark::State& state) {
    const Case c = CaseOf(state);
    const std::string path = PathFor("load", c);
    if (!SavePngFile(Picture(c), path)) {
        state.SkipWithError("save failed");
        return;
    }
    for (auto _ : state) {
        ImageSurface surface;
        if (LoadPngFile(path, surface) != qm::kPngLoaded) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(surface.GetBits());
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    Report(state, c);
}

BENCHMARK(BM_SavePng)->Apply(ContentArgs);
BENCHMARK(BM_LoadPng)->Apply(ContentArgs);

}  // namespace
}  // namespace qm::bench

BENCHMARK_MAIN();
