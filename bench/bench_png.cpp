// PNG save and load of 1024x1024 texture-like pictures: ImageSurface's own
// settings side by side with libpng's defaults, plus a sweep of the other
// candidate settings (encoding to memory) that the choice was made from.
//
// Pictures: tiles of flat colour, gradients, gradients with noise, pure
// noise and round shapes on a transparent ground, every colour cut to the
// levels of a 16-bit texture format (RGB565, ARGB1555, ARGB4444) as a
// decoded texture has them. The "bytes" counter is the file size.
#include <benchmark/benchmark.h>
#include <png.h>
#include <stdlib.h>
#include <unistd.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/image_surface.h"
#include "platform/png_file.h"

namespace qm {
namespace {

constexpr int kSide = 1024;
constexpr int kTile = 128;

enum Format { kRgb565, kArgb1555, kArgb4444, kFormatCount };
const char* const kFormatNames[] = {"RGB565", "ARGB1555", "ARGB4444"};

class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>(state_ >> 32);
    }
    int Below(int bound) { return static_cast<int>(Next() % static_cast<std::uint32_t>(bound)); }

  private:
    std::uint64_t state_;
};

// An 8-bit value cut to `bits` bits and widened again the way a texture
// decoder widens it (the top bits repeated below).
std::uint8_t Cut(int value, int bits) {
    value = value < 0 ? 0 : value > 255 ? 255 : value;
    const int kept = value >> (8 - bits);
    switch (bits) {
        case 4:
            return static_cast<std::uint8_t>(kept * 17);
        case 5:
            return static_cast<std::uint8_t>(kept << 3 | kept >> 2);
        default:
            return static_cast<std::uint8_t>(kept << 2 | kept >> 4);
    }
}

void Store(std::uint8_t* pixel, Format format, int r, int g, int b, int a) {
    switch (format) {
        case kRgb565:
            pixel[0] = Cut(b, 5), pixel[1] = Cut(g, 6), pixel[2] = Cut(r, 5), pixel[3] = 255;
            break;
        case kArgb1555:
            pixel[0] = Cut(b, 5), pixel[1] = Cut(g, 5), pixel[2] = Cut(r, 5);
            pixel[3] = a >= 128 ? 255 : 0;
            break;
        default:
            pixel[0] = Cut(b, 4), pixel[1] = Cut(g, 4), pixel[2] = Cut(r, 4), pixel[3] = Cut(a, 4);
            break;
    }
}

void MakeTexture(ImageSurface& surface, Format format) {
    surface.Create(kSide, kSide, 32, true);
    Rng rng(static_cast<std::uint64_t>(format) + 11);
    for (int ty = 0; ty < kSide / kTile; ++ty) {
        for (int tx = 0; tx < kSide / kTile; ++tx) {
            const int kind = rng.Below(20);
            const int c0[4] = {rng.Below(256), rng.Below(256), rng.Below(256),
                               128 + rng.Below(128)};
            const int c1[4] = {rng.Below(256), rng.Below(256), rng.Below(256), rng.Below(256)};
            const int direction = rng.Below(3);
            for (int y = 0; y < kTile; ++y) {
                std::uint8_t* row = surface.GetBits() + (ty * kTile + y) * surface.GetPitch();
                for (int x = 0; x < kTile; ++x) {
                    std::uint8_t* pixel = row + (tx * kTile + x) * 4;
                    const int t = direction == 0 ? x : direction == 1 ? y : (x + y) / 2;
                    int c[4];
                    for (int i = 0; i < 4; ++i) {
                        c[i] = c0[i] + (c1[i] - c0[i]) * t / (kTile - 1);
                    }
                    if (kind < 8) {  // flat
                        Store(pixel, format, c0[0], c0[1], c0[2], c0[3]);
                    } else if (kind < 14) {  // gradient
                        Store(pixel, format, c[0], c[1], c[2], c[3]);
                    } else if (kind < 17) {  // gradient with some noise
                        const int n = rng.Below(25) - 12;
                        Store(pixel, format, c[0] + n, c[1] + n, c[2] - n, c[3]);
                    } else if (kind < 19) {  // noise
                        Store(pixel, format, rng.Below(256), rng.Below(256), rng.Below(256),
                              rng.Below(256));
                    } else {  // a disc on a transparent ground
                        const int dx = x - kTile / 2, dy = y - kTile / 2;
                        const bool inside = dx * dx + dy * dy < (kTile / 3) * (kTile / 3);
                        if (inside) {
                            Store(pixel, format, c[0], c[1], c[2], 255);
                        } else {
                            Store(pixel, format, 0, 0, 0, 0);
                        }
                    }
                }
            }
        }
    }
}

const ImageSurface& Texture(Format format) {
    static ImageSurface textures[kFormatCount];
    if (textures[format].IsNull()) {
        MakeTexture(textures[format], format);
    }
    return textures[format];
}

// libpng settings for the comparison; level < 0 means libpng's defaults
// (level 6, all five filters tried per row, Z_FILTERED).
struct Setting {
    int level;
    int filter;
    int strategy;
};

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// Writes the surface as RGBA with the given settings, to a FILE* or (when
// file is null) to memory. Plain locals only: errors longjmp here.
bool WriteWithLibpng(const ImageSurface& surface, const Setting& setting, std::FILE* file,
                     std::vector<std::uint8_t>* memory) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    if (file != nullptr) {
        png_init_io(png, file);
    } else {
        png_set_write_fn(png, memory, AppendToVector, nullptr);
    }
    png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (setting.level >= 0) {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, setting.filter);
        png_set_compression_level(png, setting.level);
        png_set_compression_strategy(png, setting.strategy);
    }
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < surface.GetHeight(); ++y) {
        png_write_row(png, surface.GetBits() + y * surface.GetPitch());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

constexpr Setting kDefaults = {-1, 0, 0};

bool SaveWithDefaults(const ImageSurface& surface, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = WriteWithLibpng(surface, kDefaults, file, nullptr);
    return std::fclose(file) == 0 && written;
}

std::string PathFor(const char* what, Format format) {
    return bench::ScratchFolder() + "/" + what + "-" + kFormatNames[format] + ".png";
}

// Each iteration writes a new file: replacing one makes ext4 write it out
// at once, which would time the disk rather than the encoder.
void BM_SaveQuillmere(benchmark::State& state) {
    const auto format = static_cast<Format>(state.range(0));
    const ImageSurface& texture = Texture(format);
    const std::string path = PathFor("save", format);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
        if (!SavePngFile(texture, path)) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    state.SetLabel(kFormatNames[format]);
}

void BM_SaveLibpngDefaults(benchmark::State& state) {
    const auto format = static_cast<Format>(state.range(0));
    const ImageSurface& texture = Texture(format);
    const std::string path = PathFor("defaults", format);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
        if (!SaveWithDefaults(texture, path)) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    state.SetLabel(kFormatNames[format]);
}

void LoadBenchmark(benchmark::State& state, const std::string& path) {
    ImageSurface surface;
    for (auto _ : state) {
        if (LoadPngFile(path, surface) != qm::kPngLoaded) {
            state.SkipWithError("load failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void BM_LoadQuillmereFile(benchmark::State& state) {
    const auto format = static_cast<Format>(state.range(0));
    const std::string path = PathFor("load", format);
    if (!SavePngFile(Texture(format), path)) {
        state.SkipWithError("save failed");
        return;
    }
    LoadBenchmark(state, path);
    state.SetLabel(kFormatNames[format]);
}

void BM_LoadLibpngDefaultsFile(benchmark::State& state) {
    const auto format = static_cast<Format>(state.range(0));
    const std::string path = PathFor("load-defaults", format);
    if (!SaveWithDefaults(Texture(format), path)) {
        state.SkipWithError("save failed");
        return;
    }
    LoadBenchmark(state, path);
    state.SetLabel(kFormatNames[format]);
}

// The sweep: args are format, level, filter, strategy; encodes to memory.
void BM_EncodeSetting(benchmark::State& state) {
    const auto format = static_cast<Format>(state.range(0));
    const Setting setting = {static_cast<int>(state.range(1)), static_cast<int>(state.range(2)),
                             static_cast<int>(state.range(3))};
    const ImageSurface& texture = Texture(format);
    std::vector<std::uint8_t> memory;
    memory.reserve(8u << 20);
    static std::size_t referenceSize[kFormatCount] = {};
    if (referenceSize[format] == 0) {
        std::vector<std::uint8_t> reference;
        WriteWithLibpng(texture, kDefaults, nullptr, &reference);
        referenceSize[format] = reference.size();
    }
    for (auto _ : state) {
        memory.clear();
        if (!WriteWithLibpng(texture, setting, nullptr, &memory)) {
            state.SkipWithError("encode failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(memory.size());
    state.counters["vs_defaults"] =
        static_cast<double>(memory.size()) / static_cast<double>(referenceSize[format]);
    const char* filter = setting.filter == PNG_FILTER_NONE  ? "NONE"
                         : setting.filter == PNG_FILTER_SUB ? "SUB"
                         : setting.filter == PNG_FILTER_UP  ? "UP"
                                                            : "PAETH";
    const char* strategy = setting.strategy == Z_RLE        ? "RLE"
                           : setting.strategy == Z_FILTERED ? "FILTERED"
                                                            : "DEFAULT";
    state.SetLabel(std::string(kFormatNames[format]) +
                   (setting.level < 0 ? " libpng defaults"
                                      : (" level " + std::to_string(setting.level) + " " + filter +
                                         " " + strategy)));
}

void SweepArgs(benchmark::internal::Benchmark* b) {
    for (int format = 0; format < kFormatCount; ++format) {
        b->Args({format, -1, 0, 0});
        for (const int level : {1, 3, 4, 5, 6}) {
            for (const int filter :
                 {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_PAETH}) {
                for (const int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_RLE}) {
                    b->Args({format, level, filter, strategy});
                }
            }
        }
    }
}

BENCHMARK(BM_SaveQuillmere)->DenseRange(0, kFormatCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveLibpngDefaults)->DenseRange(0, kFormatCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadQuillmereFile)->DenseRange(0, kFormatCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLibpngDefaultsFile)
    ->DenseRange(0, kFormatCount - 1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeSetting)->Apply(SweepArgs)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
