// Texture to PNG: one .pvz file into a PNG beside it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "convert/conversion_options.h"
#include "convert/png_name.h"
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

// Converts the texture at path (a bare name or a path; the name rules apply
// to its last component) into a PNG in the same folder. Every failure is
// reported through ShowMessage. path may be rewritten in place (".PVZ" to
// ".pvz"); the file is still read under the name as given. When written is
// not null it receives the PNG's path on success. The PNG gets the
// texture's modification time.
bool ConvertPvzToPng(std::string& path, std::string* written = nullptr);

// The same, with options, telling what happened in report.
bool ConvertPvzToPng(std::string& path, const ConversionOptions& options, ConversionReport& report);

}  // namespace qm
