// PNG to texture for palette textures, and the pixel options.
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
#include "convert/palette_texture.h"

#include <algorithm>
#include <optional>

#include "layout/gather.h"
#include "layout/surface_pixels.h"
#include "platform/file_io.h"
#include "platform/png_indexed.h"
#include "texture/color_format.h"
#include "texture/palette.h"
#include "texture/palette_writer.h"
#include "texture/quantize.h"

namespace qm {

namespace {

constexpr std::size_t kValueCount = 0x10000;
constexpr std::uint8_t kOpaqueAlpha = 255;

struct PaletteChoice {
    std::vector<std::uint16_t> entries;  // T of them
    std::vector<std::uint8_t> indices;   // row by row
};

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

PixelWord Thresholded(PixelWord pixel, const ConversionOptions& options, std::uint8_t format) {
    if (options.alphaThreshold < 0 || format != pixel_format::kArgb1555) {
        return pixel;
    }
    PixelBytes b = BytesOf(pixel);
    b[3] = b[3] >= options.alphaThreshold ? kOpaqueAlpha : 0;
    return std::bit_cast<PixelWord>(b);
}

// Way 1, or nothing when some index is not below count.
std::optional<PaletteChoice> FromPalettePng(IndexedPicture& png, std::size_t count,
                                            const std::vector<std::uint16_t>& old,
                                            const PixelCodec& codec,
                                            const ConversionOptions& options, std::uint8_t format) {
    if (std::ranges::any_of(png.indices, [count](std::uint8_t i) { return i >= count; })) {
        return std::nullopt;
    }
    PaletteChoice choice;
    for (std::size_t i = 0; i < count; ++i) {
        if (i < png.palette.size()) {
            const PngPaletteEntry& e = png.palette[i];
            const PixelWord pixel = MakePixelWord(e.blue, e.green, e.red, e.alpha);
            choice.entries.push_back(
                static_cast<std::uint16_t>(codec.Encode(Thresholded(pixel, options, format))));
        } else {
            choice.entries.push_back(i < old.size() ? old[i] : 0);
        }
    }
    choice.indices = std::move(png.indices);
    return choice;
}

// Ways 2 to 4; count 0 means the number of distinct narrowed colours.
PaletteChoice FromColors(const ImageSurface& surface, std::size_t count,
                         const std::vector<std::uint16_t>& old, const PixelCodec& codec,
                         bool dither) {
    const std::vector<PixelWord> pixels = SurfaceWords(surface);
    std::vector<std::uint16_t> values(pixels.size());
    std::vector<std::uint16_t> distinct;  // in the order of first appearance
    std::vector<bool> seen(kValueCount, false);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        values[i] = static_cast<std::uint16_t>(codec.Encode(pixels[i]));
        if (!seen[values[i]]) {
            seen[values[i]] = true;
            distinct.push_back(values[i]);
        }
    }
    if (count == 0) {
        count = std::min(distinct.size(), kMaxIndexedEntries);
    }
    const std::size_t kept = std::min(old.size(), count);
    constexpr int kNone = -1;
    std::vector<int> slotOf(kValueCount, kNone);  // the first slot holding each value
    for (std::size_t slot = kept; slot-- > 0;) {
        slotOf[old[slot]] = static_cast<int>(slot);
    }
    PaletteChoice choice;
    choice.entries.assign(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(kept));
    choice.entries.resize(count, 0);
    const auto missing = static_cast<std::size_t>(
        std::ranges::count_if(distinct, [&](std::uint16_t v) { return slotOf[v] == kNone; }));
    if (missing > 0 && distinct.size() > count) {
        choice.entries = QuantizeColors(pixels, count, codec);
        choice.entries.resize(count, 0);
        choice.indices = MapToPalette(pixels, surface.GetWidth(), surface.GetHeight(),
                                      choice.entries, codec, dither);
        return choice;
    }
    if (missing > 0) {
        std::vector<bool> used(count, false);
        for (const std::uint16_t v : distinct) {
            if (slotOf[v] != kNone) {
                used[static_cast<std::size_t>(slotOf[v])] = true;
            }
        }
        // Unused slots of the existing palette come first, then the new ones.
        std::size_t free = 0;
        for (const std::uint16_t v : distinct) {
            if (slotOf[v] == kNone) {
                while (used[free]) {
                    ++free;
                }
                used[free] = true;
                choice.entries[free] = v;
                slotOf[v] = static_cast<int>(free);
            }
        }
    }
    choice.indices.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        choice.indices[i] = static_cast<std::uint8_t>(slotOf[values[i]]);
    }
    return choice;
}

}  // namespace

void ApplyPixelOptions(ImageSurface& surface, std::uint8_t pixelFormat,
                       const ConversionOptions& options, bool narrow) {
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

bool WritePaletteTexture(const std::string& pngPath, ImageSurface& surface, const TextureInfo& info,
                         const ConversionOptions& options, std::string* written) {
    StreamPieces pieces;
    const bool planned = info.width == info.height ? PlanGather_Squ(surface, info, pieces)
                                                   : PlanGather_SquEX(surface, info, pieces);
    if (!planned) {
        return false;
    }
    PaletteTextureWriter writer(info);
    if (!writer.Open()) {
        return false;
    }
    const PixelCodec& codec = *FindPixelCodec(info.pixelFormat);
    ApplyPixelOptions(surface, info.pixelFormat, options, false);

    std::optional<std::vector<std::uint8_t>> existing;
    {
        std::vector<std::uint8_t> bytes;
        if (ReadWholeFile(info.palettePath, bytes, kMaxPaletteFileSize) == ReadStatus::kOk) {
            existing = std::move(bytes);
        }
    }
    const std::vector<std::uint16_t> old =
        existing ? PaletteEntriesOf(*existing) : std::vector<std::uint16_t>{};
    IndexedPicture png;
    const bool paletted = LoadIndexedPng(pngPath, png) == ImageSurface::kLoaded &&
                          png.width == surface.GetWidth() && png.height == surface.GetHeight();
    std::size_t count = 0;
    if (options.colors > 0) {
        count = static_cast<std::size_t>(options.colors);
    } else if (!old.empty()) {
        count = std::min(old.size(), kMaxIndexedEntries);
    } else if (paletted) {
        count = png.palette.size();
    }
    std::optional<PaletteChoice> choice;
    if (paletted && count > 0) {
        choice = FromPalettePng(png, count, old, codec, options, info.pixelFormat);
    }
    if (!choice) {
        choice = FromColors(surface, count, old, codec, options.dither);
    }

    // The indices take the pixels' place, so that the surface is gathered
    // in texture order as for any other texture.
    ForEachPixel(surface, [&](std::uint8_t* p, std::size_t i) {
        p[0] = choice->indices[i];
        p[1] = 0;
        p[2] = 0;
        if (surface.GetBPP() == 32) {
            p[3] = 0;
        }
    });
    ForEachGatheredRun(surface, pieces, [&writer](PixelWord word, std::size_t length) {
        writer.AddRun(BytesOf(word)[0], length);
    });
    surface.Destroy();
    const std::vector<std::uint8_t> paletteBytes = BuildPaletteBytes(
        existing ? std::span<const std::uint8_t>(*existing) : std::span<const std::uint8_t>(),
        info.pixelFormat, choice->entries);
    if (!writer.Commit(paletteBytes, existing)) {
        return false;
    }
    if (written != nullptr) {
        *written = info.texturePath;
    }
    return true;
}

}  // namespace qm
