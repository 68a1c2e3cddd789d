// The first 33 bytes of every PNG file, the signature and the IHDR chunk,
// checked before any pixel is decoded: by the libpng codec on Linux and the
// WIC codec on Windows alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/png_file.h"

namespace qm {

// Signature (8), then the IHDR chunk: length (4), type (4), data (13), CRC (4).
inline constexpr std::size_t kPngHeaderSize = 33;

struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 0;
    std::uint8_t colorType = 0;
    bool interlaced = false;
};

// Samples per pixel stored for a PNG colour type; 0 for an invalid type.
std::uint64_t SamplesPerPixel(std::uint8_t colorType);

// kPngLoaded with header filled in, kPngLoadTooLarge for a picture
// beyond ImageSurface's limits, kPngLoadFailed for anything that is not a PNG
// header, or for a file of fileSize bytes too short to hold the pixels it
// declares (deflate cannot shrink data more than 1032:1).
int CheckPngHeader(std::span<const std::uint8_t, kPngHeaderSize> bytes, std::uint64_t fileSize,
                   PngHeader& header);

// True when a picture of width x height lies within ImageSurface's limits.
bool PngWithinLimits(std::uint64_t width, std::uint64_t height);

// True when the file name ends in ".png", in any case.
bool HasPngExtension(const std::string& path);

// Walks the chunks of a whole PNG file: each one complete and its CRC right,
// up to and including IEND.
bool PngChunksIntact(std::span<const std::uint8_t> file);

}  // namespace qm
