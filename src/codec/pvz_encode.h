// Picture to texture in memory: a picture, the header fields a PNG's name
// carries and the pixel options into the .pvz bytes (through a byte sink)
// and, for a palette texture, the .pvp bytes. No file, no message, no
// state: every refusal is a Status (codec/status.h), in the order the steps
// find them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "codec/byte_sink.h"
#include "codec/limits.h"
#include "codec/pixel_options.h"
#include "codec/status.h"
#include "platform/image_surface.h"
#include "platform/png_indexed.h"
#include "texture/pvz_header.h"

namespace qm {

// kPictureTooLarge for a side beyond 32767 or width x height beyond the
// limit; kInvalidArgument for a side below 1.
Status CheckPictureSize(std::int64_t width, std::int64_t height, const Limits& limits);

// What a palette texture (code 7 with keepPalette) is made from besides the
// picture.
struct PaletteSources {
    // The bytes of the .pvp it replaces: its entries are kept where the
    // picture allows, and its first 14 bytes always. None when there is none
    // (or it is longer than kMaxExistingPaletteSize).
    std::optional<std::span<const std::uint8_t>> existing;
    // The picture's own palette and indices when it is a palette picture of
    // the same size; its indices may be taken. Null otherwise.
    IndexedPicture* indexed = nullptr;
};

struct EncodeResult {
    // The data-format code written: 9 for a code-7 name without
    // keepPalette, whose texture gets 2-byte colours row by row.
    std::uint8_t dataFormat = 0;
    // The .pvp's bytes of a palette texture; empty for any other.
    std::vector<std::uint8_t> paletteBytes;
    // Pixels that were not opaque, written opaque because the pixel format
    // (RGB565) has no alpha.
    std::uint64_t madeOpaque = 0;
};

// Encodes the picture on surface (24 or 32 bits; its width and height are
// the texture's) with info's pixel format, data format and headerText into
// pvz. The surface is used up: the options change its pixels, and it is
// freed once its texels are written. Statuses: those of CheckPictureSize,
// then the shape of the layout (kSideNotPowerOfTwo, kWidthNotPowerOfTwo,
// kHeightNotPowerOfTwo, kBadAspectRatio), kUnknownPixelFormat, and
// kWriteFailed when the sink refused bytes.
Status EncodePvz(ImageSurface& surface, const TextureInfo& info, const PixelOptions& options,
                 const PaletteSources& sources, const Limits& limits, ByteSink& pvz,
                 EncodeResult& result);

}  // namespace qm
