// The 36-byte header of a .pvz texture and the descriptor it fills.
//
//   offset size  content
//        0    4  expanded size: width * height * 2 + 32 (ignored on reading)
//        4    4  "GBIX"                                 (not compared)
//        8   12  header bytes, kept as 24 hex digits in headerText
//       20    4  "PVRT"                                 (not compared)
//       24    4  0                                      (ignored)
//       28    1  pixel-format code (0 ARGB1555, 1 RGB565, 2 ARGB4444)
//       29    1  data-format code (7 palette indices, 9 row-major, else twiddled)
//       30    2  0                                      (ignored)
//       32    2  width, signed 16-bit
//       34    2  height, signed 16-bit
//       36    -  run-length texel stream to the end of the file (run_stream.h)
//
// All numbers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/picture_limits.h"

namespace qm {

inline constexpr std::size_t kSizeWordOffset = 0;
inline constexpr std::size_t kGbixOffset = 4;
inline constexpr std::size_t kHeaderBytesOffset = 8;
inline constexpr std::size_t kHeaderBytesLength = 12;
inline constexpr std::size_t kPvrtOffset = 20;
inline constexpr std::size_t kChunkWordOffset = 24;
inline constexpr std::size_t kPixelFormatOffset = 28;
inline constexpr std::size_t kDataFormatOffset = 29;
inline constexpr std::size_t kReservedOffset = 30;
inline constexpr std::size_t kWidthOffset = 32;
inline constexpr std::size_t kHeightOffset = 34;
inline constexpr std::size_t kPvzHeaderSize = 36;
static_assert(kHeightOffset + 2 == kPvzHeaderSize);
static_assert(kHeaderBytesOffset + kHeaderBytesLength == kPvrtOffset);

inline constexpr std::string_view kGbixMagic = "GBIX";
inline constexpr std::string_view kPvrtMagic = "PVRT";
// The expanded size counts the 32 header bytes behind the size word.
inline constexpr std::int32_t kExpandedSizeBase = 32;

// 24 hex digits stand for the 12 header bytes.
inline constexpr std::size_t kHeaderTextLength = 2 * kHeaderBytesLength;

namespace data_format {
inline constexpr std::uint8_t kPalette8 = 7;   // 1-byte palette indices, twiddled
inline constexpr std::uint8_t kRectangle = 9;  // 2-byte colours, row by row
}  // namespace data_format

struct TextureInfo {
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::uint8_t pixelFormat = 0;
    std::uint8_t dataFormat = 0;
    std::string texturePath;             // the .pvz file name
    std::string headerText;              // header bytes 8..19 as hex digits
    std::vector<std::uint32_t> palette;  // 16-bit entries of the .pvp file
    std::string palettePath;             // the .pvp file, for data-format code 7
};

// Fills pixelFormat, dataFormat, width, height and headerText from the file's
// bytes. False when the file is shorter than the header.
bool ReadPvzHeader(std::span<const std::uint8_t> file, TextureInfo& info);

// Header bytes (kHeaderBytesLength of them) as headerText holds them: two
// lowercase hex digits each.
std::string HeaderTextOf(std::span<const std::uint8_t> bytes);

// width * height as the descriptor's signed values, in 64 bits.
inline std::int64_t PixelCount(const TextureInfo& info) {
    return static_cast<std::int64_t>(info.width) * static_cast<std::int64_t>(info.height);
}

// Texel count expected by the decoders: width * height as signed 32-bit
// numbers (never overflows: both sides are 16-bit).
inline std::int64_t ExpectedTexels(const TextureInfo& info) {
    return PixelCount(info);
}

// "palette", "rectangle" or "twiddled".
std::string_view DataFormatLayoutName(std::uint8_t dataFormat);

// The low 8 bits of what strtol(text, base 16) gives for up to two
// characters of text: leading blanks and a sign are accepted, conversion
// stops at the first character that is not a hex digit, no digit gives 0.
std::uint8_t ParseHexPair(std::string_view text);

}  // namespace qm
