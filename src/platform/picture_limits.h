// The largest pictures the program handles, in one place.
#pragma once

#include <cstdint>

namespace qm {

// The twiddled order addresses squares up to 16384 x 16384 texels (stream
// positions fit 32 bits with room for two squares); no texture, PNG or
// preview is larger than that many pixels. Checked before any pixel memory
// is taken.
inline constexpr std::int32_t kMaxTextureSide = 16384;
inline constexpr std::int64_t kMaxPixelCount =
    std::int64_t{kMaxTextureSide} * std::int64_t{kMaxTextureSide};

// A texture's descriptor holds its sides as signed 16-bit numbers.
inline constexpr std::int64_t kMaxDescriptorSide = 32767;

}  // namespace qm
