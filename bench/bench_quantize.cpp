// Quantising truecolour pictures to a palette, and how good the result is.
//
//   BM_Quantize     QuantizeColors + MapToPalette of a 1024 x 1024 picture to
//                   256 entries, per pixel format: drawn art, and noise (every
//                   16-bit colour, the worst case)
//   BM_Quality      128 x 128 drawn pictures narrowed to RGB565 (and the
//                   other formats): PSNR of the palette picture against the
//                   same picture narrowed directly, with and without
//                   dithering, and of the 256 most frequent narrowed colours
//                   as a baseline; counters in dB
//
// PSNR is taken on premultiplied RGBA (r*a, g*a, b*a on the 0..255 scale,
// and a), so the colour of a transparent pixel does not count.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "texture/color_format.h"
#include "texture/quantize.h"

namespace qm::bench {
namespace {

struct Picture {
    int width;
    int height;
    std::vector<PixelWord> pixels;
};

std::uint8_t Byte(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

// Drawn art: a sky gradient behind soft shaded discs with anti-aliased edges,
// a translucent glow and a little grain, with a transparent corner. kind
// varies the palette of the scene.
Picture DrawnPicture(int side, int kind) {
    Picture p{side, side, {}};
    std::uint32_t grain = 12345u + static_cast<std::uint32_t>(kind);
    const double hue = kind * 1.7;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double u = (x + 0.5) / side, v = (y + 0.5) / side;
            double r = 60 + 120 * v + 40 * std::sin(hue), g = 90 + 100 * v, b = 200 - 80 * v;
            double a = 255;
            for (int d = 0; d < 3; ++d) {
                const double cx = 0.3 + 0.2 * d, cy = 0.4 + 0.15 * std::sin(d + hue);
                const double radius = 0.18 - 0.03 * d;
                const double dist = std::hypot(u - cx, v - cy);
                const double cover = std::clamp((radius - dist) * side, 0.0, 1.0);
                const double shade = 1.0 - dist / radius * 0.6;
                const double dr = (180 + 60 * std::cos(hue + d)) * shade;
                const double dg = (120 + 80 * std::sin(hue * d)) * shade;
                const double db = (60 + 90 * d) * shade;
                r = r * (1 - cover) + dr * cover;
                g = g * (1 - cover) + dg * cover;
                b = b * (1 - cover) + db * cover;
            }
            const double glow = std::exp(-std::hypot(u - 0.7, v - 0.25) * 8);
            r += 90 * glow;
            g += 70 * glow;
            grain = grain * 1664525u + 1013904223u;
            const double noise = static_cast<double>(grain >> 28) - 7.5;
            if (u + v > 1.6) a = std::clamp((1.8 - u - v) * 5 * 255, 0.0, 255.0);
            p.pixels.push_back(
                MakePixelWord(Byte(b + noise), Byte(g + noise), Byte(r + noise), Byte(a)));
        }
    }
    return p;
}

double PremultipliedSquaredError(PixelWord x, PixelWord y) {
    const PixelBytes p = BytesOf(x), q = BytesOf(y);
    double sum = 0;
    for (std::size_t c = 0; c < 3; ++c) {
        const double d = (p[c] * p[3] - q[c] * q[3]) / 255.0;
        sum += d * d;
    }
    const double da = p[3] - q[3];
    return sum + da * da;
}

// PSNR of the palette picture against the directly narrowed one.
double Psnr(const Picture& p, const PixelCodec& codec, const std::vector<std::uint16_t>& palette,
            const std::vector<std::uint8_t>& indices) {
    double sum = 0;
    for (std::size_t i = 0; i < p.pixels.size(); ++i) {
        sum += PremultipliedSquaredError(codec.Decode(codec.Encode(p.pixels[i])),
                                         codec.Decode(palette[indices[i]]));
    }
    const double mse = sum / (4.0 * static_cast<double>(p.pixels.size()));
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::vector<std::uint16_t> MostFrequent(const Picture& p, const PixelCodec& codec,
                                        std::size_t count) {
    std::vector<std::pair<std::uint32_t, std::uint16_t>> counts(1 << 16);
    for (std::size_t v = 0; v < counts.size(); ++v)
        counts[v].second = static_cast<std::uint16_t>(v);
    for (const PixelWord pixel : p.pixels) ++counts[codec.Encode(pixel)].first;
    std::sort(counts.begin(), counts.end(), std::greater<>());
    std::vector<std::uint16_t> palette;
    for (std::size_t i = 0; i < count && counts[i].first > 0; ++i)
        palette.push_back(counts[i].second);
    return palette;
}

void BM_Quantize(benchmark::State& state) {
    const auto pixelFormat = static_cast<std::uint8_t>(state.range(0));
    const PixelCodec& codec = *FindPixelCodec(pixelFormat);
    Picture picture = DrawnPicture(1024, 0);
    if (state.range(1) == 1) {
        std::uint32_t seed = 1;
        for (PixelWord& pixel : picture.pixels) {
            seed = seed * 1664525u + 1013904223u;
            pixel = seed;
        }
    }
    for (auto _ : state) {
        const auto palette = QuantizeColors(picture.pixels, 256, codec);
        const auto indices = MapToPalette(picture.pixels, 1024, 1024, palette, codec, false);
        benchmark::DoNotOptimize(indices.data());
    }
    state.SetLabel(std::string(PixelFormatName(pixelFormat)) +
                   (state.range(1) == 1 ? " noise" : " drawn"));
    state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}

void BM_Quality(benchmark::State& state) {
    const auto pixelFormat = static_cast<std::uint8_t>(state.range(0));
    const PixelCodec& codec = *FindPixelCodec(pixelFormat);
    constexpr int kPictures = 8;
    double plain = 0, dithered = 0, frequent = 0;
    for (auto _ : state) {
        plain = dithered = frequent = 0;
        for (int kind = 0; kind < kPictures; ++kind) {
            const Picture p = DrawnPicture(128, kind);
            const auto palette = QuantizeColors(p.pixels, 256, codec);
            plain +=
                Psnr(p, codec, palette, MapToPalette(p.pixels, 128, 128, palette, codec, false));
            dithered +=
                Psnr(p, codec, palette, MapToPalette(p.pixels, 128, 128, palette, codec, true));
            const auto top = MostFrequent(p, codec, 256);
            frequent += Psnr(p, codec, top, MapToPalette(p.pixels, 128, 128, top, codec, false));
        }
    }
    state.SetLabel(std::string(PixelFormatName(pixelFormat)));
    state.counters["psnr_db"] = plain / kPictures;
    state.counters["psnr_dither_db"] = dithered / kPictures;
    state.counters["psnr_top256_db"] = frequent / kPictures;
}

BENCHMARK(BM_Quantize)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quality)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace qm::bench

BENCHMARK_MAIN();
