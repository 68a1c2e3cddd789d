// The twiddled texel order.
//
// A twiddled square of side s = 2^k stores its texels in a recursive quadrant
// order: the square splits into four quarters, top-left, bottom-left,
// top-right, bottom-right, each stored whole before the next and each split
// the same way down to single pixels. Unrolled, the texel at stream offset t
// belongs to pixel (X, Y) where Y takes the bits of t at even places and X
// the bits at odd places:
//
//   t = ... x2 y2 x1 y1 x0 y0        4 x 4:   0  2  8 10
//                                             1  3  9 11
//                                             4  6 12 14
//                                             5  7 13 15
//
// A whole picture is one square, or two squares: side by side when it is
// twice as wide as high (left square first), stacked when it is twice as
// high as wide (top square first).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/image_surface.h"
#include "platform/picture_limits.h"
#include "texture/argb_color.h"
#include "texture/pixel_word.h"

namespace qm {

// One square region of a picture and the stream position of its first texel;
// its texels occupy positions firstPosition .. firstPosition + side^2 - 1.
struct TwiddleRegion {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t firstPosition = 0;
    std::int32_t side = 0;
};

// Stream offset of pixel (x, y) within a twiddled square.
inline std::uint32_t TwiddleOffset(std::uint32_t x, std::uint32_t y) {
    auto spread = [](std::uint32_t v) {
        v &= 0xFFFFu;
        v = (v | (v << 8)) & 0x00FF00FFu;
        v = (v | (v << 4)) & 0x0F0F0F0Fu;
        v = (v | (v << 2)) & 0x33333333u;
        v = (v | (v << 1)) & 0x55555555u;
        return v;
    };
    return spread(y) | (spread(x) << 1);
}

// The pixel (x, y) at stream offset t within a twiddled square: the inverse
// of TwiddleOffset.
inline void TwiddlePixel(std::uint32_t t, std::uint32_t& x, std::uint32_t& y) {
    auto compact = [](std::uint32_t v) {
        v &= 0x55555555u;
        v = (v | (v >> 1)) & 0x33333333u;
        v = (v | (v >> 2)) & 0x0F0F0F0Fu;
        v = (v | (v >> 4)) & 0x00FF00FFu;
        v = (v | (v >> 8)) & 0x0000FFFFu;
        return v;
    };
    y = compact(t);
    x = compact(t >> 1);
}

inline bool IsPowerOfTwo(std::int64_t v) {
    return v > 0 && (v & (v - 1)) == 0;
}

// Largest side of a twiddled square.
inline constexpr std::int32_t kMaxTwiddleSide = kMaxTextureSide;

// The root regions of a whole twiddled picture of width x height texels, in
// stream order. False for shapes that are neither square, 2:1 nor 1:2, or
// whose squares do not have a power-of-two side.
bool TwiddleRoots(std::int64_t width, std::int64_t height, std::vector<TwiddleRegion>& roots);

// Places the colours of a region, taken from the stream-ordered array, on a
// 32-bit surface. False (nothing written) when the region does not lie on the
// surface, its side is not a power of two, or the array is too short.
bool UntwiddleSquare(ImageSurface& surface, const TwiddleRegion& region,
                     const std::vector<ArgbColor>& colors);
// The same from pixel words.
bool UntwiddleSquare(ImageSurface& surface, const TwiddleRegion& region,
                     std::span<const PixelWord> pixels);

// Reads the pixels of a region of a 24- or 32-bit surface into their stream
// positions of colors (24-bit pixels get alpha 255). False (nothing read)
// under the same conditions as UntwiddleSquare.
bool TwiddleSquare(const ImageSurface& surface, const TwiddleRegion& region,
                   std::vector<ArgbColor>& colors);
// The same into pixel words.
bool TwiddleSquare(const ImageSurface& surface, const TwiddleRegion& region,
                   std::span<PixelWord> pixels);

}  // namespace qm
