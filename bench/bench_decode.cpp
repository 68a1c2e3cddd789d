// Run walk and texel decoding: a .pvz file's stream into colours.
//
//   BM_WalkRunStream     the record walk alone
//   BM_DecodeToColors    ReadColorData2Byte into an ArgbColor array (16 bytes
//                        a texel), the library's array interface
//   BM_DecodeToSink      the converter's decode: records handed to a sink in
//                        batches (a sink that only counts, so placing is left
//                        to bench_place)
#include "bench_support.h"
#include "texture/run_stream.h"

namespace qm::bench {
namespace {

class CountingSink final : public TexelSink {
  public:
    void Append(std::span<const TexelRun> runs) override {
        for (const TexelRun& run : runs) {
            texels += run.count;
        }
    }
    void PadTo(std::size_t count) override { texels = count; }
    std::size_t texels = 0;
};

void BM_WalkRunStream(benchmark::State& state) {
    const Case c = CaseOf(state);
    const std::vector<std::uint8_t>& file = PvzFile(c, Layout::kTwiddled);
    for (auto _ : state) {
        std::uint64_t texels = 0;
        WalkRunStream(file, TexelWidth::kTwoByte, [&texels](const RunRecord& record) {
            texels += record.count;
            return true;
        });
        benchmark::DoNotOptimize(texels);
    }
    Report(state, c);
}

void BM_DecodeToColors(benchmark::State& state) {
    const Case c = CaseOf(state);
    const std::vector<std::uint8_t>& file = PvzFile(c, Layout::kTwiddled);
    const TextureInfo info = Info(c, Layout::kTwiddled);
    for (auto _ : state) {
        std::vector<ArgbColor> colors;
        if (!ReadColorData2Byte(file, info, colors)) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(colors.data());
    }
    Report(state, c);
}

void BM_DecodeToSink(benchmark::State& state) {
    const Case c = CaseOf(state);
    const std::vector<std::uint8_t>& file = PvzFile(c, Layout::kTwiddled);
    const TextureInfo info = Info(c, Layout::kTwiddled);
    for (auto _ : state) {
        CountingSink sink;
        if (!ReadColorData2Byte(file, info, sink)) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(sink.texels);
    }
    Report(state, c);
}

BENCHMARK(BM_WalkRunStream)->Apply(ContentArgs);
BENCHMARK(BM_DecodeToColors)->Apply(ContentArgs);
BENCHMARK(BM_DecodeToSink)->Apply(ContentArgs);

}  // namespace
}  // namespace qm::bench

BENCHMARK_MAIN();
