// Writing a .pvz texture from a descriptor and its runs.
#pragma once

#include <cstdint>
#include <vector>

#include "texture/color_run.h"
#include "texture/pvz_header.h"

namespace qm {

// Builds the complete file in memory: header (pvz_header.h) and one 3-byte
// record per run. False, after "ColorEncode エラー", when the pixel format
// has no colour layout.
bool BuildPvzBytes(const TextureInfo& info, const std::vector<ColorRun>& runs,
                   std::vector<std::uint8_t>& bytes);

// Writes info.texturePath. Nothing is created or changed unless the whole
// file could be written: an unknown pixel format shows "ColorEncode エラー",
// a file that cannot be written "ファイルの作成に失敗"; both give false.
bool WritePvz(const TextureInfo& info, const std::vector<ColorRun>& runs);

}  // namespace qm
