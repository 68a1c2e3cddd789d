// A pixel of a 32-bit surface as one word: its four bytes blue, green, red,
// alpha in memory order, whatever the machine's byte order. The conversion
// loops copy and compare pixels as words; ArgbColor stays the type the
// interfaces exchange single colours in.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "texture/argb_color.h"

namespace qm {

using PixelWord = std::uint32_t;

// The bytes of a word, blue first.
using PixelBytes = std::array<std::uint8_t, 4>;

constexpr PixelWord MakePixelWord(std::uint8_t blue, std::uint8_t green, std::uint8_t red,
                                  std::uint8_t alpha) {
    return std::bit_cast<PixelWord>(PixelBytes{blue, green, red, alpha});
}

constexpr PixelBytes BytesOf(PixelWord pixel) {
    return std::bit_cast<PixelBytes>(pixel);
}

// Transparent black, the colour of texels a stream leaves out.
inline constexpr PixelWord kClearPixel = MakePixelWord(0, 0, 0, 0);

inline PixelWord LoadPixelWord(const std::uint8_t* p) {
    PixelWord pixel;
    std::memcpy(&pixel, p, sizeof pixel);
    return pixel;
}

inline void StorePixelWord(std::uint8_t* p, PixelWord pixel) {
    std::memcpy(p, &pixel, sizeof pixel);
}

// The low 8 bits of each channel, as a 32-bit surface stores them.
constexpr PixelWord ToPixelWord(const ArgbColor& c) {
    return MakePixelWord(
        static_cast<std::uint8_t>(c.blue & 0xFFu), static_cast<std::uint8_t>(c.green & 0xFFu),
        static_cast<std::uint8_t>(c.red & 0xFFu), static_cast<std::uint8_t>(c.alpha & 0xFFu));
}

constexpr ArgbColor ToArgbColor(PixelWord pixel) {
    const PixelBytes b = BytesOf(pixel);
    return ArgbColor{b[3], b[2], b[1], b[0]};
}

}  // namespace qm
