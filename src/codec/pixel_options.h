// The pixel options of PNG to texture: what a caller may ask beyond the
// usual road, applied to a picture before its colours are gathered. The
// defaults are the usual road.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/image_surface.h"
#include "texture/pixel_word.h"

namespace qm {

struct PixelOptions {
    // A name with data-format code 7 gives a palette texture and its .pvp
    // instead of a row-by-row texture of 2-byte colours.
    bool keepPalette = false;
    // With keepPalette: the number of palette entries, 2..256; 0 keeps the
    // existing palette's count (or takes the picture's).
    int colors = 0;
    // Floyd-Steinberg error diffusion when colours are narrowed to 16 bits
    // or mapped to palette entries.
    bool dither = false;
    // ARGB1555 only: alpha at or above this is opaque, below it transparent;
    // -1 keeps the usual rule (only 255 is opaque).
    int alphaThreshold = -1;
};

// The surface's pixels row by row (24-bit pixels opaque).
std::vector<PixelWord> SurfaceWords(const ImageSurface& surface);

// Calls change(pixel bytes, i) for pixel i (row by row) of a 24- or 32-bit
// surface.
template <class Change>
void ForEachPixel(ImageSurface& surface, Change&& change) {
    const std::size_t step = surface.GetBPP() == 32 ? 4 : 3;
    std::size_t i = 0;
    for (int y = 0; y < surface.GetHeight(); ++y) {
        std::uint8_t* pixel = surface.GetBits() + y * surface.GetPitch();
        for (int x = 0; x < surface.GetWidth(); ++x, pixel += step) {
            change(pixel, i++);
        }
    }
}

// A pixel with alphaThreshold applied (ARGB1555 only).
PixelWord Thresholded(PixelWord pixel, const PixelOptions& options, std::uint8_t pixelFormat);

// Applies alphaThreshold (ARGB1555 only) and, with narrow, dither to a
// loaded surface before its colours are gathered: dithered pixels are
// narrowed to the pixel format and widened back in place. Pixels the format
// holds exactly stay as they are. Nothing happens with the default options
// or an unknown pixel format.
void ApplyPixelOptions(ImageSurface& surface, std::uint8_t pixelFormat, const PixelOptions& options,
                       bool narrow);

}  // namespace qm
