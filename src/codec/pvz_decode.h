// Texture to picture in memory: the .pvz bytes (and the .pvp bytes of a
// palette texture) into the header fields and a 32-bit picture. No file, no
// message, no state: every refusal is a Status (codec/status.h), in the
// order the steps find them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "codec/limits.h"
#include "codec/status.h"
#include "platform/image_surface.h"
#include "texture/pvz_header.h"

namespace qm {

// The header of a texture's bytes, checked against the limits:
// kFileTooLarge, kHeaderTooShort, then kPictureTooLarge for width x height.
Status ReadPvzInfo(std::span<const std::uint8_t> file, const Limits& limits, TextureInfo& info);

// The texels of a texture whose header was read (for code 7 with its palette
// in info.palette) placed on a new 32-bit surface of its size: colours as
// pixel words (blue, green, red, alpha), or with indexWords each palette
// index + 1 (0 where a short stream left texels out). A stream whose shape
// cannot be placed is still decoded first, so that its own status comes
// before kShapeNotPlaceable; kOutOfMemory when the surface cannot be made.
Status DecodePicture(std::span<const std::uint8_t> file, const TextureInfo& info,
                     ImageSurface& surface, std::uint64_t& padded, bool indexWords = false);

struct DecodedPvz {
    TextureInfo info;  // header fields; palette holds the .pvp's entries
    ImageSurface surface;
    std::uint64_t paddedTexels = 0;
};

// All three steps: header, palette (pvp: the .pvp's bytes, none when there
// is no such file; kPaletteMissing when code 7 needs one), picture.
Status DecodePvz(std::span<const std::uint8_t> pvz,
                 std::optional<std::span<const std::uint8_t>> pvp, const Limits& limits,
                 DecodedPvz& out, bool indexWords = false);

}  // namespace qm
