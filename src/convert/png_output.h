// PNG output: decoded colours placed on a 32-bit surface and saved under the
// name that carries the texture's header.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "layout/placement.h"
#include "layout/stream_pieces.h"
#include "platform/file_io.h"
#include "platform/image_surface.h"
#include "texture/argb_color.h"
#include "texture/pvz_header.h"
#include "texture/texel_decode.h"

namespace qm {

// Places colors (width * height, stream order) row by row from the top-left
// pixel. False when the array or the surface is too small.
bool SetPngColor_Rect(ImageSurface& surface, int width, int height,
                      const std::vector<ArgbColor>& colors);

// Places the colours (row by row for data-format code 9, twiddled for every
// other code) and saves the PNG named by BuildPngName. Shapes that cannot be
// placed whole give "CreatePng サポートしてません"; a PNG that cannot be
// written gives "ファイルの作成に失敗". When written is not null it receives
// the PNG's path on success.
bool CreatePng(const TextureInfo& info, const std::vector<ArgbColor>& colors,
               std::string* written = nullptr);

// Saves the placed picture under BuildPngName(info), or over the one existing
// file whose name differs from it only in letter case; "ファイルの作成に失敗"
// when it cannot be written. When modified is not null the PNG gets that
// modification time.
bool SavePng(const TextureInfo& info, const ImageSurface& surface, std::string* written,
             const FileTime* modified = nullptr);

}  // namespace qm
