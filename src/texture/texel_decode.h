// Texel decoding: the run-length stream of a .pvz file into one colour per
// texel, in stream order.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "texture/argb_color.h"
#include "texture/pvz_header.h"

namespace qm {

// 1-byte palette indices (data-format code 7). Reads the palette first.
bool ReadColorData1Byte(std::span<const std::uint8_t> file, TextureInfo& info,
                        std::vector<ArgbColor>& colors);

// 2-byte colours (every other data-format code).
bool ReadColorData2Byte(std::span<const std::uint8_t> file, const TextureInfo& info,
                        std::vector<ArgbColor>& colors);

}  // namespace qm
