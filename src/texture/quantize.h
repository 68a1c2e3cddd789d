// Reducing a picture's colours to a palette of a texture's pixel format, and
// mapping pixels onto such a palette, with or without error diffusion.
//
// Everything works on narrowed colours: each pixel is first narrowed to the
// pixel format (as the .pvz writer would store it) and widened back, so
// colours that become one texel count once and every palette entry is a
// colour the format can hold.
//
// Distance between two colours (used for the nearest entry and by the
// quantiser): squared differences of the colour channels premultiplied by
// alpha, plus the squared alpha difference, all on the 0..255 scale:
//   d = sum over c in {r, g, b} of (c1*a1 - c2*a2)^2 / 255^2 + (a1 - a2)^2
// so the colour of a fully transparent pixel does not count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "texture/color_format.h"
#include "texture/pixel_word.h"

namespace qm {

// The distance above.
std::uint64_t ColorDistance(PixelWord a, PixelWord b);

// A palette of at most maxEntries 16-bit values in the codec's format for the
// given pixels (any order, any count). With maxEntries or fewer distinct
// narrowed colours the palette holds exactly those colours (in the order of
// their first appearance); otherwise maxEntries distinct values, each the
// entry of at least one pixel (fewer only when fully transparent colours,
// which all look alike, are what makes the count exceed maxEntries).
// maxEntries is 1..256.
std::vector<std::uint16_t> QuantizeColors(std::span<const PixelWord> pixels, std::size_t maxEntries,
                                          const PixelCodec& codec);

// The index of each pixel (row by row, width x height) in palette (16-bit
// values of the codec's format): the first entry that holds the pixel's
// narrowed colour, else the entry nearest to it, the first of equals.
// With dither, Floyd-Steinberg error diffusion in serpentine order; a pixel
// whose colour an entry holds exactly takes that entry and passes no error
// on, so a picture made of palette colours maps the same either way.
std::vector<std::uint8_t> MapToPalette(std::span<const PixelWord> pixels, int width, int height,
                                       std::span<const std::uint16_t> palette,
                                       const PixelCodec& codec, bool dither);

// Narrows every pixel (row by row, width x height) to a 16-bit value of the
// codec's format, with dither as above (a pixel the format holds exactly
// carries no error). Without dither this is codec.Encode of each pixel.
std::vector<std::uint16_t> NarrowPixels(std::span<const PixelWord> pixels, int width, int height,
                                        const PixelCodec& codec, bool dither);

}  // namespace qm
