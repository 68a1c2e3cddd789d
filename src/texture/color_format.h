// The 16-bit texel colour layouts and the two conversions between them and
// ArgbColor.
//
//   code 0  ARGB1555  A RRRRR GGGGG BBBBB     (bit 15 .. bit 0)
//   code 1  RGB565    RRRRR GGGGGG BBBBB      (no alpha: decodes as 255)
//   code 2  ARGB4444  AAAA RRRR GGGG BBBB
//
// Decoding widens a field x of N = 2^n - 1 to floor(x * 255 / N); the 1-bit
// alpha becomes 0 or 255. Encoding narrows a channel C to the nearest field
// value, floor((C * N + 127) / 255), so that decode then encode gives back
// every 16-bit value unchanged; the 1-bit alpha is set only by 255.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "texture/argb_color.h"
#include "texture/pixel_word.h"

namespace qm {

namespace pixel_format {
inline constexpr std::uint8_t kArgb1555 = 0;
inline constexpr std::uint8_t kRgb565 = 1;
inline constexpr std::uint8_t kArgb4444 = 2;
}  // namespace pixel_format

// True for the pixel-format codes that have a colour layout.
bool IsKnownPixelFormat(std::uint8_t pixelFormat);

// "ARGB1555", "RGB565", "ARGB4444", or "unknown".
std::string_view PixelFormatName(std::uint8_t pixelFormat);

// Fills color from a 16-bit value (upper 16 bits zero). False, with color
// untouched and no message, for an unknown pixel format.
bool ColorDecode(std::uint8_t pixelFormat, std::uint32_t value, ArgbColor& color);

// Packs color into a 16-bit value. For an unknown pixel format it shows
// "ColorEncode エラー", leaves value 0 and returns false.
bool ColorEncode(std::uint8_t pixelFormat, const ArgbColor& color, std::uint32_t& value);

// ColorDecode and ColorEncode of one pixel format as table lookups, for the
// loops that convert every texel of a picture: the same results, with pixels
// as words. The tables are made from the layouts at compile time.
struct PixelCodec {
    // One field of the 16-bit value and the pixel word each of its values
    // widens to (a missing alpha has mask 0 and an opaque words[0]).
    struct DecodeField {
        unsigned shift = 0;
        std::uint32_t mask = 0;
        std::array<PixelWord, 64> words{};
    };
    std::array<DecodeField, 4> decode{};
    // The 16-bit value's bits for each byte of a pixel word, blue first.
    std::array<std::array<std::uint16_t, 256>, 4> encode{};

    PixelWord Decode(std::uint32_t value) const {
        PixelWord pixel = 0;
        for (const DecodeField& field : decode) {
            pixel |= field.words[(value >> field.shift) & field.mask];
        }
        return pixel;
    }

    std::uint32_t Encode(PixelWord pixel) const {
        const PixelBytes bytes = BytesOf(pixel);
        return static_cast<std::uint32_t>(encode[0][bytes[0]] | encode[1][bytes[1]] |
                                          encode[2][bytes[2]] | encode[3][bytes[3]]);
    }
};

// The codec of a pixel format; null, without a message, for an unknown one.
const PixelCodec* FindPixelCodec(std::uint8_t pixelFormat);

}  // namespace qm
