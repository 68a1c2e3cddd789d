// 8-bit palette PNGs kept as palette pictures: written from indices and a
// palette, read back as indices, palette and transparency, where
// ImageSurface turns them into colours.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/png_file.h"

namespace qm {

struct PngPaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    friend bool operator==(const PngPaletteEntry&, const PngPaletteEntry&) = default;
};

struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<PngPaletteEntry> palette;  // PLTE, with the alpha of tRNS (255 past its end)
    std::vector<std::uint8_t> indices;     // row by row, each below palette.size()
};

// What LoadIndexedPng found, besides ImageSurface's load results.
inline constexpr int kNotPalettePng = 1;

// The most entries a PNG palette holds.
inline constexpr std::size_t kMaxPngPaletteSize = 256;

// Loads a palette PNG of any bit depth (1 to 8), interlaced or not, with the
// header checks and size limits of ImageSurface::Load. Returns kPngLoaded,
// kNotPalettePng for another colour type (picture left empty), or one of
// ImageSurface's negative statuses; an index beyond the palette is a
// failure.
int LoadIndexedPng(const std::string& path, IndexedPicture& picture);

// Writes an 8-bit palette PNG of width x height: PLTE from palette (1 to 256
// entries), tRNS only when some entry is not opaque (up to the last such
// entry), and each row from fillRow(y, row), row holding width indices.
// Written under a temporary name and renamed over path when complete, like
// ImageSurface::Save; path must end in ".png" (any case). When modified is
// not null the file gets that modification time. False when nothing could
// be written.
bool SaveIndexedPng(const std::string& path, int width, int height,
                    std::span<const PngPaletteEntry> palette,
                    const std::function<void(int y, std::span<std::uint8_t> row)>& fillRow,
                    const FileTime* modified = nullptr);

namespace indexed_detail {

// Shared by the platforms' codecs: a loaded picture with an index beyond its
// palette is refused (status kPngLoadFailed), and a failed one left empty.
int RefuseStrayIndices(int status, IndexedPicture& picture);
// Whether SaveIndexedPng takes these arguments.
bool CanSave(const std::string& path, int width, int height, std::size_t paletteSize);

}  // namespace indexed_detail

}  // namespace qm
