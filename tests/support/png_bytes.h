// PNG files written chunk by chunk, so tests can make every kind the format
// allows (each colour type and depth, palettes with transparency, Adam7
// interlacing) and the kinds it forbids (stray palette indices, bad CRCs,
// unknown critical chunks).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "support/test_support.h"

namespace qm::test {

struct PngPicture {
    int width = 0;
    int height = 0;
    int colorType = 6;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    int depth = 8;      // bits per sample (1, 2, 4, 8 or 16)
    bool interlaced = false;
    // Samples row by row, one value per sample (palette index, grey, or the
    // channels in order), each below 2^depth.
    std::vector<std::uint16_t> samples;
    std::vector<std::array<std::uint8_t, 3>> palette;  // PLTE
    Bytes transparency;                                // tRNS, as stored
};

int ChannelsOf(int colorType);

// The file's bytes: signature, IHDR, PLTE and tRNS when given, one IDAT, IEND.
Bytes PngBytes(const PngPicture& picture);

// One chunk: length, type, data, CRC.
Bytes PngChunk(std::string_view type, const Bytes& data);

// The chunks of a PNG file: offset of each chunk's length field, and its type.
struct ChunkSpan {
    std::size_t offset;
    std::size_t length;  // data length
    std::string type;
};
std::vector<ChunkSpan> PngChunks(const Bytes& png);

// Inserts a chunk before the chunk of the given type.
Bytes InsertChunkBefore(const Bytes& png, std::string_view before, const Bytes& chunk);

// An 8-bit RGBA (or RGB when alpha is false) PNG of the given pixels.
Bytes PngOfPixels(int width, int height, const std::vector<ArgbColor>& pixels, bool alpha = true);

}  // namespace qm::test
