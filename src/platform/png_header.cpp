#include "platform/png_header.h"

#include <zlib.h>

#include <cstring>

#include "platform/be_bytes.h"
#include "platform/image_surface.h"

namespace qm {

namespace {

constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::size_t kSignatureSize = sizeof kSignature;
constexpr std::size_t kIhdrDataSize = 13;
constexpr std::size_t kIhdrTypeOffset = kSignatureSize + 4;
constexpr std::size_t kIhdrDataOffset = kIhdrTypeOffset + 4;
constexpr std::size_t kIhdrCrcOffset = kIhdrDataOffset + kIhdrDataSize;
static_assert(kIhdrCrcOffset + 4 == kPngHeaderSize);

constexpr std::uint64_t kMaxDeflateRatio = 1032;  // 258 bytes from 2 bits at best

std::uint32_t Crc(const std::uint8_t* data, std::size_t size) {
    return static_cast<std::uint32_t>(crc32(0L, data, static_cast<uInt>(size)));
}

}  // namespace

// Samples per pixel stored for a PNG colour type; 0 for an invalid type.
std::uint64_t SamplesPerPixel(std::uint8_t colorType) {
    switch (colorType) {
        case 0:  // grey
        case 3:  // palette
            return 1;
        case 4:  // grey and alpha
            return 2;
        case 2:  // RGB
            return 3;
        case 6:  // RGBA
            return 4;
        default:
            return 0;
    }
}

int CheckPngHeader(std::span<const std::uint8_t, kPngHeaderSize> bytes, std::uint64_t fileSize,
                   PngHeader& header) {
    const std::uint8_t* p = bytes.data();
    if (std::memcmp(p, kSignature, kSignatureSize) != 0 ||
        ReadBe32(bytes, kSignatureSize) != kIhdrDataSize ||
        std::memcmp(p + kIhdrTypeOffset, "IHDR", 4) != 0 ||
        Crc(p + kIhdrTypeOffset, 4 + kIhdrDataSize) != ReadBe32(bytes, kIhdrCrcOffset)) {
        return kPngLoadFailed;
    }
    header.width = ReadBe32(bytes, kIhdrDataOffset);
    header.height = ReadBe32(bytes, kIhdrDataOffset + 4);
    header.bitDepth = p[kIhdrDataOffset + 8];
    header.colorType = p[kIhdrDataOffset + 9];
    header.interlaced = p[kIhdrDataOffset + 12] != 0;
    const std::uint64_t width = header.width;
    const std::uint64_t height = header.height;
    if (width == 0 || height == 0) {
        return kPngLoadFailed;
    }
    if (!PngWithinLimits(width, height)) {
        return kPngLoadTooLarge;
    }
    const std::uint64_t pixelBits =
        width * height * SamplesPerPixel(header.colorType) * header.bitDepth;
    if (pixelBits / 8 / kMaxDeflateRatio > fileSize) {
        return kPngLoadFailed;
    }
    return kPngLoaded;
}

bool PngWithinLimits(std::uint64_t width, std::uint64_t height) {
    return width <= static_cast<std::uint64_t>(ImageSurface::kMaxSide) &&
           height <= static_cast<std::uint64_t>(ImageSurface::kMaxSide) &&
           width * height <= static_cast<std::uint64_t>(ImageSurface::kMaxPixels);
}

bool HasPngExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.size() - dot != 4) {
        return false;
    }
    const char expected[] = {'p', 'n', 'g'};
    for (std::size_t i = 0; i < 3; ++i) {
        const char c = path[dot + 1 + i];
        if (c != expected[i] && c != expected[i] - ('a' - 'A')) {
            return false;
        }
    }
    return true;
}

bool PngChunksIntact(std::span<const std::uint8_t> file) {
    std::size_t at = kSignatureSize;
    while (file.size() - at >= 12) {
        const std::uint32_t length = ReadBe32(file, at);
        if (length > file.size() - at - 12) {
            return false;
        }
        const std::uint8_t* type = file.data() + at + 4;
        if (Crc(type, 4 + std::size_t{length}) != ReadBe32(file, at + 8 + length)) {
            return false;
        }
        if (std::memcmp(type, "IEND", 4) == 0) {
            return true;
        }
        at += 12 + std::size_t{length};
    }
    return false;
}

}  // namespace qm
