// Textures and palettes written byte by byte, independently of the
// project's own writer, so that a fault in the writer cannot hide itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace qm::test {

// Header bytes 8..19 used by most tests, and their text in PNG names.
inline const Bytes kHeaderBytes = {0x08, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0};
inline const std::string kHeaderText = "080000000100000000000000";

// A 36-byte .pvz header: size word, "GBIX", the header bytes, "PVRT", the
// two codes, width and height.
Bytes PvzHeader(std::uint8_t pixelFormat, std::uint8_t dataFormat, std::int16_t width,
                std::int16_t height, const Bytes& headerBytes = {});

// A whole .pvz: header then stream.
Bytes Pvz(std::uint8_t pixelFormat, std::uint8_t dataFormat, std::int16_t width,
          std::int16_t height, const Bytes& stream, const Bytes& headerBytes = {});

// Stream records: value little-endian then repeat (run length - 1).
void AppendRecord2(Bytes& stream, std::uint16_t value, std::uint8_t repeat);
void AppendRecord1(Bytes& stream, std::uint8_t index, std::uint8_t repeat);

// A .pvp palette: 14 filler bytes, the 16-bit count at 14, entries from 16.
Bytes Palette(const std::vector<std::uint16_t>& entries, std::uint16_t count);

// A texture of random 16-bit texels in maximal runs (long runs of up to
// 600 equal texels among single ones), written record by record here, so
// that converting it to PNG and back must give the same bytes.
Bytes RandomTexture(Random& random, std::uint8_t pixelFormat, std::uint8_t dataFormat,
                    std::int16_t width, std::int16_t height, const Bytes& headerBytes = {});

}  // namespace qm::test
