// What a front end may ask of a conversion beyond its usual road, and what a
// conversion tells it that is not a failure. The defaults are the usual
// road: a driver given ConversionOptions{} writes exactly what it writes
// without options, and the messages it shows are the same.
#pragma once

#include <cstdint>
#include <string>

#include "codec/pixel_options.h"

namespace qm {

struct ConversionOptions {
    // Texture to PNG: a PNG newer than its texture (edited since it was
    // extracted, since extraction gives it the texture's time) is left as
    // it is and reported as kept.
    bool keepNewerPng = false;
    // Texture to PNG: a palette texture (data-format code 7) becomes an 8-bit
    // palette PNG whose palette is the .pvp's and whose pixels are the
    // texture's indices.
    bool indexed = false;
    // PNG to texture: a name with data-format code 7 gives a palette texture
    // and its .pvp instead of a row-by-row texture of 2-byte colours.
    bool keepPalette = false;
    // With keepPalette: the number of palette entries, 2..256; 0 keeps the
    // existing palette's count (or takes the picture's).
    int colors = 0;
    // PNG to texture: Floyd-Steinberg error diffusion when colours are
    // narrowed to 16 bits or mapped to palette entries.
    bool dither = false;
    // PNG to texture, ARGB1555 only: alpha at or above this is opaque, below
    // it transparent; -1 keeps the usual rule (only 255 is opaque).
    int alphaThreshold = -1;

    // The options the codec's encoder takes (codec/pixel_options.h).
    PixelOptions Pixels() const { return {keepPalette, colors, dither, alphaThreshold}; }
};

struct ConversionReport {
    std::string written;  // the file produced, on success
    bool kept = false;    // keepNewerPng applied: nothing was written
    // Texture to PNG: texels the stream left out, made transparent black.
    std::uint64_t paddedTexels = 0;
    // PNG to texture: pixels that were not opaque, written opaque because
    // the pixel format has no alpha.
    std::uint64_t madeOpaque = 0;
};

}  // namespace qm
