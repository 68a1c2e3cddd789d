// What `info` finds out about one .pvz texture, without decoding a pixel.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm::cli {

struct PaletteReport {
    std::string path;
    bool readable = false;
    std::optional<std::uint32_t> announced;  // the count field, when the header is complete
    std::uint64_t entries = 0;               // whole entries in the file
    // How the texture uses the entries (with a count only).
    std::uint64_t used = 0;        // entries some index names
    std::uint64_t unused = 0;      // entries no index names
    std::uint64_t duplicates = 0;  // entries equal to an earlier entry
    bool indexBeyond = false;      // some index is not below the number of entries
};

struct TextureReport {
    std::string path;
    // Set when the file could not be read at all: the message to show. Nothing
    // else is then filled in.
    std::string readError;

    std::uint64_t fileBytes = 0;
    bool hasHeader = false;  // the rest is valid only with a whole header
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::uint8_t pixelFormat = 0;
    std::uint8_t dataFormat = 0;
    std::string headerText;  // header bytes 8..19, as in the PNG name

    std::uint64_t records = 0;
    std::uint64_t texels = 0;
    std::int64_t expectedTexels = 0;       // width * height
    std::uint64_t streamBytes = 0;         // everything behind the header
    std::uint64_t rawBytes = 0;            // the texels unpacked, 1 or 2 bytes each
    std::optional<PaletteReport> palette;  // data-format code 7 only

    std::vector<std::string> problems;  // anything a conversion would stumble on
};

// Reads the texture at path in fixed-size pieces, so memory does not grow
// with the file, and its palette when it has one.
TextureReport InspectTexture(const std::string& path);

}  // namespace qm::cli
