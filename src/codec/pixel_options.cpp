#include "codec/pixel_options.h"

#include <algorithm>
#include <bit>

#include "layout/surface_pixels.h"
#include "texture/color_format.h"
#include "texture/quantize.h"

namespace qm {

namespace {

constexpr std::uint8_t kOpaqueAlpha = 255;

}  // namespace

// The surface's pixels row by row (24-bit pixels opaque).
std::vector<PixelWord> SurfaceWords(const ImageSurface& surface) {
    std::vector<PixelWord> words;
    words.reserve(static_cast<std::size_t>(surface.GetWidth()) *
                  static_cast<std::size_t>(surface.GetHeight()));
    const bool wide = surface.GetBPP() == 32;
    for (int y = 0; y < surface.GetHeight(); ++y) {
        const std::uint8_t* pixel = surface.GetBits() + y * surface.GetPitch();
        for (int x = 0; x < surface.GetWidth(); ++x, pixel += wide ? 4 : 3) {
            words.push_back(wide ? LoadPixelWord(pixel) : LoadPixelWord24(pixel));
        }
    }
    return words;
}

PixelWord Thresholded(PixelWord pixel, const PixelOptions& options, std::uint8_t format) {
    if (options.alphaThreshold < 0 || format != pixel_format::kArgb1555) {
        return pixel;
    }
    PixelBytes b = BytesOf(pixel);
    b[3] = b[3] >= options.alphaThreshold ? kOpaqueAlpha : 0;
    return std::bit_cast<PixelWord>(b);
}

void ApplyPixelOptions(ImageSurface& surface, std::uint8_t pixelFormat, const PixelOptions& options,
                       bool narrow) {
    const PixelCodec* codec = FindPixelCodec(pixelFormat);
    if (codec == nullptr || surface.IsNull()) {
        return;
    }
    if (options.alphaThreshold >= 0 && pixelFormat == pixel_format::kArgb1555 &&
        surface.GetBPP() == 32) {
        ForEachPixel(surface, [&](std::uint8_t* p, std::size_t) {
            StorePixelWord(p, Thresholded(LoadPixelWord(p), options, pixelFormat));
        });
    }
    if (narrow && options.dither) {
        const std::vector<std::uint16_t> values = NarrowPixels(
            SurfaceWords(surface), surface.GetWidth(), surface.GetHeight(), *codec, true);
        ForEachPixel(surface, [&](std::uint8_t* p, std::size_t i) {
            const PixelBytes b = BytesOf(codec->Decode(values[i]));
            std::copy_n(b.begin(), surface.GetBPP() / 8, p);
        });
    }
}

}  // namespace qm
