// The palette of a palette texture being written and each pixel's index.
//
// The palette has T entries: --colors when given, else the existing
// palette's count (at most 256), else the PLTE length of a palette PNG, else
// the number of distinct narrowed colours (at most 256). The indices come,
// in this order of preference, from
//   1. a palette PNG whose indices are all below T: kept as they are, entry
//      i being PLTE[i] narrowed (the existing entry, or 0, past PLTE's end);
//   2. the existing palette, when it holds every narrowed colour: the first
//      entry of each colour, the palette unchanged;
//   3. an exact palette, when there are at most T narrowed colours: existing
//      entries stay in their slots, new colours take the slots no pixel uses
//      any more, then the slots past the existing entries;
//   4. the quantiser (texture/quantize.h), T entries, and the nearest entry
//      of each pixel, dithered on request.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/pixel_options.h"
#include "platform/image_surface.h"
#include "platform/png_indexed.h"
#include "texture/color_format.h"

namespace qm {

struct PaletteChoice {
    std::vector<std::uint16_t> entries;  // T of them
    std::vector<std::uint8_t> indices;   // row by row
};

// The choice above for a 24- or 32-bit surface (alphaThreshold applied
// already), old being the existing palette's entries (none when there is
// no palette) and png the picture's own palette and indices when it was a
// palette PNG (null otherwise; its indices may be taken).
PaletteChoice ChoosePalette(const ImageSurface& surface, const std::vector<std::uint16_t>& old,
                            IndexedPicture* png, const PixelCodec& codec,
                            const PixelOptions& options, std::uint8_t pixelFormat);

}  // namespace qm
