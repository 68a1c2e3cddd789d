// Reading and writing one ArgbColor at a surface pixel. A 32-bit pixel is the
// bytes blue, green, red, alpha; a 24-bit pixel is blue, green, red and reads
// as opaque.
#pragma once

#include <cstdint>

#include "texture/argb_color.h"
#include "texture/pixel_word.h"

namespace qm {

inline constexpr std::uint32_t kOpaque = 255;

inline ArgbColor ReadPixel32(const std::uint8_t* p) {
    return ArgbColor{p[3], p[2], p[1], p[0]};
}

inline ArgbColor ReadPixel24(const std::uint8_t* p) {
    return ArgbColor{kOpaque, p[2], p[1], p[0]};
}

// A 24-bit pixel as the word of the same, opaque, 32-bit pixel.
inline PixelWord LoadPixelWord24(const std::uint8_t* p) {
    return MakePixelWord(p[0], p[1], p[2], static_cast<std::uint8_t>(kOpaque));
}

inline void WritePixel32(std::uint8_t* p, const ArgbColor& c) {
    p[0] = static_cast<std::uint8_t>(c.blue & 0xFFu);
    p[1] = static_cast<std::uint8_t>(c.green & 0xFFu);
    p[2] = static_cast<std::uint8_t>(c.red & 0xFFu);
    p[3] = static_cast<std::uint8_t>(c.alpha & 0xFFu);
}

}  // namespace qm
