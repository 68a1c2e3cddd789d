// Palette textures (data-format code 7) kept as palette pictures on both
// roads, and the pixel options of PNG to texture.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "convert/conversion_options.h"
#include "platform/file_io.h"
#include "platform/image_surface.h"
#include "texture/pvz_header.h"

namespace qm {

// Texture to PNG for a code-7 texture whose file was read and whose header
// and size were checked: an 8-bit palette PNG whose palette holds the .pvp's
// first 256 entries widened as for the colour PNG, tRNS only when some entry
// is not opaque, and each pixel the texture's index. The decode checks and
// messages, and their order, are those of the colour PNG. Texels a short
// stream leaves out are transparent black: the first entry that widens to
// it, or one more entry; with 256 entries and none such, the colour PNG is
// written instead. The PNG is named by BuildPngName either way.
// When modified is not null the PNG gets that modification time.
bool CreateIndexedPng(std::span<const std::uint8_t> file, TextureInfo& info, std::string* written,
                      const FileTime* modified = nullptr);

// PNG to texture for a code-7 name with keepPalette: the loaded surface (its
// pixels may be changed) becomes a code-7 texture at info.texturePath and
// its .pvp, with the twiddled shape rules and their messages. pngPath is the
// file the surface was loaded from, read again for a palette PNG's indices.
bool WritePaletteTexture(const std::string& pngPath, ImageSurface& surface, const TextureInfo& info,
                         const ConversionOptions& options, std::string* written);

}  // namespace qm
