// What a conversion may do beyond its usual road. The defaults are the
// usual road: a driver given ConversionOptions{} writes exactly what it
// writes without options.
#pragma once

namespace qm {

struct ConversionOptions {
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
};

}  // namespace qm
