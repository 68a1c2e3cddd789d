// Texture to PNG: one .pvz file into a PNG beside it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "convert/conversion_options.h"
#include "convert/png_name.h"
#include "platform/file_io.h"
#include "platform/image_surface.h"
#include "texture/argb_color.h"
#include "texture/pvz_header.h"
#include "texture/texel_decode.h"

namespace qm {

// Decodes the texel stream: palette indices for data-format code 7, 2-byte
// colours for every other code. Empties colors first.
bool ReadColorData(std::span<const std::uint8_t> file, TextureInfo& info,
                   std::vector<ArgbColor>& colors);
// The same into a sink, as the converter decodes.
bool ReadColorData(std::span<const std::uint8_t> file, TextureInfo& info, TexelSink& sink);

// A caller's own check of a texture, after its header is read and the size
// checked and before any pixel memory is taken, with the whole file's bytes.
// Shows its own message (or does the rest of the work itself) and returns
// false to stop.
using PictureCheck =
    std::function<bool(const TextureInfo& info, std::span<const std::uint8_t> file)>;

// Everything ConvertPvzToPng does but saving: the texture at path (and its
// palette) decoded onto a 32-bit surface, with the same checks and messages.
// A path that does not exist may stand for the one entry of its folder that
// differs only in letter case (platform/name_case.h); path is rewritten to it.
// What ReadPvzPicture found besides the picture.
struct PictureRead {
    FileTime modified;               // the texture's modification time
    std::uint64_t paddedTexels = 0;  // texels a short stream left out
};

bool ReadPvzPicture(std::string& path, TextureInfo& info, ImageSurface& surface,
                    const PictureCheck& check = {}, PictureRead* read = nullptr);

// Converts the texture at path (a bare name or a path; the name rules apply
// to its last component) into a PNG in the same folder. Every failure is
// reported through ShowMessage. path may be rewritten in place (to the entry
// it stands for, as above, then ".PVZ" to ".pvz"); the file is read under
// the name before that last rewrite. When written is
// not null it receives the PNG's path on success. An existing PNG whose name
// differs from the derived one only in letter case is replaced in place.
// The PNG gets the texture's modification time.
bool ConvertPvzToPng(std::string& path, std::string* written = nullptr);

// The same, with options, telling what happened in report.
bool ConvertPvzToPng(std::string& path, const ConversionOptions& options, ConversionReport& report);

}  // namespace qm
