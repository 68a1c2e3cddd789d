// What the thumbnail provider asks of the converter: a texture decoded onto a
// 32-bit picture, from its file (with the palette beside it) or from its
// bytes alone. The only file of the provider that knows the converter's
// functions.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/image_surface.h"
#include "texture/pvz_header.h"

namespace qm::explorer {

// A preview decodes at most 4096 x 4096 texels (64 MB of pixels): Explorer
// asks for every file a user browses, and larger textures keep their icon.
inline constexpr std::int64_t kMaxPreviewTexels = std::int64_t{4096} * 4096;

// The longest texture file a preview reads: one record per texel of the
// largest picture, plus the bytes of an incomplete last record.
inline constexpr std::uint64_t kMaxPreviewFileBytes = kPvzHeaderSize + 3 * kMaxPreviewTexels + 2;

// The texture at path (UTF-8) and, for a palette texture, the .pvp beside
// it, decoded as quillmere-cli thumbnail decodes it. False, without a
// message, for whatever the converter refuses and for textures beyond the
// limits above; the picture's memory is taken only once the header and the
// stream's length promise a picture within them.
bool DecodeTextureFile(const std::string& path, ImageSurface& picture);

// A texture's bytes without anything beside them: 2-byte textures as the
// converter decodes them; a palette texture, whose palette is out of reach,
// as a grey ramp of its indices (index i is the opaque grey i, i, i).
bool DecodeTextureBytes(std::span<const std::uint8_t> bytes, ImageSurface& picture);

}  // namespace qm::explorer
