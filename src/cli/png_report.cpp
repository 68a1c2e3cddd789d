#include "cli/png_report.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "convert/png_name.h"
#include "convert/sibling_names.h"
#include "layout/gather.h"
#include "platform/file_io.h"
#include "platform/image_surface.h"
#include "platform/messages.h"
#include "texture/color_format.h"
#include "texture/pvz_header.h"

namespace qm::cli {

namespace {

// The signature, then the IHDR chunk: length, type and 13 bytes of data.
//   8  4  data length (13)     16  4  width        24  1  bit depth
//  12  4  "IHDR"               20  4  height       25  1  colour type
//                                                  28  1  interlace method
constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kIhdrTypeOffset = 12;
constexpr std::size_t kWidthOffset = 16;
constexpr std::size_t kHeightOffset = 20;
constexpr std::size_t kBitDepthOffset = 24;
constexpr std::size_t kColorTypeOffset = 25;
constexpr std::size_t kInterlaceOffset = 28;
constexpr std::size_t kIhdrEnd = 33;  // the data's end, before the CRC

std::uint32_t ReadBe32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

// Reads up to out.size() bytes from the start of the file; the file's
// length goes to fileBytes. Nothing on an open or read error.
std::optional<std::size_t> ReadStart(const std::string& path, std::span<std::uint8_t> out,
                                     std::uint64_t* fileBytes, bool* opened) {
    FileReader file(path);
    *opened = file.IsOpen();
    const std::uint64_t size = file.RegularFileSize();
    if (size == 0) {
        return std::nullopt;
    }
    *fileBytes = size;
    return file.Read(out);
}

}  // namespace

bool HasPngSignature(const std::string& path) {
    std::array<std::uint8_t, kPngSignature.size()> start{};
    std::uint64_t fileBytes = 0;
    bool opened = false;
    return ReadStart(TypedFile(path), start, &fileBytes, &opened) == start.size() &&
           start == kPngSignature;
}

std::string_view PngColorTypeName(std::uint8_t colorType) {
    switch (colorType) {
        case 0:
            return "grey";
        case 2:
            return "RGB";
        case 3:
            return "palette";
        case 4:
            return "grey + alpha";
        case 6:
            return "RGBA";
        default:
            return "unknown";
    }
}

PngReport InspectPng(const std::string& path) {
    PngReport report;
    report.path = path;
    // Read and named as png2pvz would.
    std::string name = TypedFile(path);
    std::array<std::uint8_t, kIhdrEnd> start{};
    bool opened = false;
    const std::optional<std::size_t> got = ReadStart(name, start, &report.fileBytes, &opened);
    if (!got) {
        report.readError = opened ? msg::kError : msg::kReadFailed;
        return report;
    }
    std::vector<std::string>& problems = report.problems;
    report.hasHeader = *got == kIhdrEnd && ReadBe32(&start[kIhdrTypeOffset]) == 0x49484452u;
    if (!report.hasHeader) {
        problems.push_back("no IHDR chunk behind the signature");
    } else {
        report.width = ReadBe32(&start[kWidthOffset]);
        report.height = ReadBe32(&start[kHeightOffset]);
        report.bitDepth = start[kBitDepthOffset];
        report.colorType = start[kColorTypeOffset];
        report.interlaced = start[kInterlaceOffset] != 0;
        const std::uint64_t pixels = std::uint64_t{report.width} * report.height;
        if (report.width == 0 || report.height == 0) {
            problems.push_back("width and height must be above 0");
        } else if (report.width > ImageSurface::kMaxSide ||
                   report.height > ImageSurface::kMaxSide ||
                   pixels > static_cast<std::uint64_t>(kMaxPixelCount)) {
            problems.push_back("larger than a texture can hold");
        }
    }
    if (!CheckPngFileName(name)) {
        problems.push_back("name does not carry a header (NAME_<28 characters>.png)");
        return report;
    }
    const PngNameFields fields = ParsePngName(name);
    PngTextureReport& texture = report.texture.emplace();
    texture.path = TextureFileFor(fields);
    texture.headerText = fields.headerText;
    texture.pixelFormat = fields.pixelFormat;
    texture.dataFormat = fields.dataFormat;
    if (PixelFormatName(texture.pixelFormat) == "unknown") {
        problems.push_back("pixel format has no colour layout");
    }
    // Without --keep-palette a palette texture is written row by row; with
    // it, twiddled as a palette texture.
    texture.keepPaletteRoad = texture.dataFormat == data_format::kPalette8;
    if (texture.keepPaletteRoad) {
        texture.dataFormat = data_format::kRectangle;
    }
    const std::uint32_t w = report.width;
    const std::uint32_t h = report.height;
    if (report.hasHeader &&
        (texture.dataFormat != data_format::kRectangle || texture.keepPaletteRoad) &&
        !CanGatherTwiddled(w, h)) {
        problems.push_back(
            std::string(texture.keepPaletteRoad ? "with --keep-palette: " : "") +
            "twiddled layout needs a square or two squares (2:1 or 1:2) with power-of-two sides "
            "from 2 to 16384");
    }
    return report;
}

}  // namespace qm::cli
