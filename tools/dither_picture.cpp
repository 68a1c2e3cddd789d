// Writes docs/palette-dither.png: a soft-edged sprite quantised to a small
// ARGB4444 palette, plain on the left and dithered on the right, each shown
// at three times its size over a checkerboard so that transparency shows.
//
//   dither_picture OUTPUT.png [ENTRIES]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/image_surface.h"
#include "platform/png_file.h"
#include "texture/color_format.h"
#include "texture/quantize.h"

namespace {

constexpr int kSide = 96;
constexpr int kZoom = 3;
constexpr int kGap = 8;

std::uint8_t Byte(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

// A shaded ball with a soft glow and an anti-aliased edge on transparency.
std::vector<qm::PixelWord> Sprite() {
    std::vector<qm::PixelWord> pixels;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const double u = (x + 0.5) / kSide - 0.5, v = (y + 0.5) / kSide - 0.5;
            const double r = std::hypot(u, v);
            const double light = std::clamp(1.1 - std::hypot(u + 0.15, v + 0.18) * 2.2, 0.0, 1.0);
            const double cover = std::clamp((0.36 - r) * kSide, 0.0, 1.0);
            const double glow = std::clamp(1.0 - r / 0.5, 0.0, 1.0) * 0.5;
            const double a = std::max(cover, glow * glow);
            pixels.push_back(qm::MakePixelWord(Byte(60 + 150 * light), Byte(40 + 120 * light),
                                               Byte(200 * light + 50 * (1 - cover)),
                                               Byte(255 * a)));
        }
    }
    return pixels;
}

// Draws one picture at kZoom over a checkerboard, at column left.
void Draw(qm::ImageSurface& out, int left, const std::vector<qm::PixelWord>& pixels) {
    for (int y = 0; y < kSide * kZoom; ++y) {
        for (int x = 0; x < kSide * kZoom; ++x) {
            const qm::PixelBytes p =
                qm::BytesOf(pixels[static_cast<std::size_t>((y / kZoom) * kSide + x / kZoom)]);
            const int check = ((x / 12 + y / 12) % 2) ? 200 : 235;
            std::uint8_t* d = out.GetBits() + y * out.GetPitch() + (left + x) * 3;
            for (std::size_t c = 0; c < 3; ++c) {
                d[c] = static_cast<std::uint8_t>((p[c] * p[3] + check * (255 - p[3])) / 255);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: dither_picture OUTPUT.png [ENTRIES]\n");
        return 2;
    }
    const std::size_t entries = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 16;
    const qm::PixelCodec& codec = *qm::FindPixelCodec(qm::pixel_format::kArgb4444);
    const std::vector<qm::PixelWord> sprite = Sprite();
    const std::vector<std::uint16_t> palette = qm::QuantizeColors(sprite, entries, codec);
    qm::ImageSurface out;
    out.Create(2 * kSide * kZoom + kGap, kSide * kZoom, 24, false);
    std::fill_n(out.GetBits(), out.GetPitch() * out.GetHeight(), std::uint8_t{255});
    for (const bool dither : {false, true}) {
        const auto indices = qm::MapToPalette(sprite, kSide, kSide, palette, codec, dither);
        std::vector<qm::PixelWord> shown;
        for (const std::uint8_t i : indices) shown.push_back(codec.Decode(palette[i]));
        Draw(out, dither ? kSide * kZoom + kGap : 0, shown);
    }
    if (!SavePngFile(out, argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
