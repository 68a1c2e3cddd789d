#include "codec/palette_choice.h"

#include <algorithm>
#include <optional>

#include "texture/palette.h"
#include "texture/quantize.h"

namespace qm {

namespace {

constexpr std::size_t kValueCount = 0x10000;

// Way 1, or nothing when some index is not below count.
std::optional<PaletteChoice> FromPalettePng(IndexedPicture& png, std::size_t count,
                                            const std::vector<std::uint16_t>& old,
                                            const PixelCodec& codec, const PixelOptions& options,
                                            std::uint8_t format) {
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

PaletteChoice ChoosePalette(const ImageSurface& surface, const std::vector<std::uint16_t>& old,
                            IndexedPicture* png, const PixelCodec& codec,
                            const PixelOptions& options, std::uint8_t pixelFormat) {
    const bool paletted =
        png != nullptr && png->width == surface.GetWidth() && png->height == surface.GetHeight();
    std::size_t count = 0;
    if (options.colors > 0) {
        count = static_cast<std::size_t>(options.colors);
    } else if (!old.empty()) {
        count = std::min(old.size(), kMaxIndexedEntries);
    } else if (paletted) {
        count = png->palette.size();
    }
    std::optional<PaletteChoice> choice;
    if (paletted && count > 0) {
        choice = FromPalettePng(*png, count, old, codec, options, pixelFormat);
    }
    if (!choice) {
        choice = FromColors(surface, count, old, codec, options.dither);
    }
    return std::move(*choice);
}

}  // namespace qm
