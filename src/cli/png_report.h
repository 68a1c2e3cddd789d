// What `info` finds out about a PNG, from its signature, its IHDR chunk and
// its name, without decoding a pixel: the picture and the texture png2pvz
// would write from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::cli {

// The texture png2pvz would write, from the name and the picture's size.
struct PngTextureReport {
    std::string path;  // the .pvz name, as png2pvz would resolve it
    std::string headerText;
    std::uint8_t pixelFormat = 0;
    std::uint8_t dataFormat = 0;  // as written: palette mode (7) becomes 9
    // Named with code 7: png2pvz --keep-palette writes a palette texture
    // (data format 7) and its .pvp instead.
    bool keepPaletteRoad = false;
};

struct PngReport {
    std::string path;
    std::string readError;  // as in TextureReport: nothing else is then filled in

    std::uint64_t fileBytes = 0;
    bool hasHeader = false;  // a whole IHDR chunk; the picture fields need it
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 0;
    std::uint8_t colorType = 0;
    bool interlaced = false;
    std::optional<PngTextureReport> texture;  // when the name carries a header

    std::vector<std::string> problems;  // anything png2pvz would stumble on
};

// True when the file at path begins with the PNG signature.
bool HasPngSignature(const std::string& path);

// "grey", "RGB", "palette", "grey + alpha", "RGBA" or "unknown".
std::string_view PngColorTypeName(std::uint8_t colorType);

PngReport InspectPng(const std::string& path);

}  // namespace qm::cli
