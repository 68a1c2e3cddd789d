#include "cli/texture_report.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>

#include "convert/png_name.h"
#include "convert/png_output.h"
#include "convert/sibling_names.h"
#include "platform/file_io.h"
#include "platform/le_bytes.h"
#include "platform/messages.h"
#include "texture/color_format.h"
#include "texture/palette.h"
#include "texture/pvz_header.h"
#include "texture/run_stream.h"

namespace qm::cli {

namespace {

// The stream is read this many records at a time.
constexpr std::size_t kRecordsPerPiece = 16384;

std::string Num(std::uint64_t value) {
    return std::to_string(value);
}
std::string Num(std::int64_t value) {
    return std::to_string(value);
}

// Reads the palette beside a texture of 1-byte texels, as the converter
// would find it.
PaletteReport InspectPalette(const std::string& texturePath, std::vector<std::string>& problems) {
    PaletteReport palette;
    palette.path = PaletteFileFor(texturePath);
    std::vector<std::uint8_t> bytes;
    switch (ReadWholeFile(palette.path, bytes, kMaxPaletteFileSize)) {
        case ReadStatus::kOk:
            break;
        case ReadStatus::kTooLarge:
            problems.push_back("palette holds more entries than its count can announce");
            return palette;
        case ReadStatus::kOpenFailed:
        case ReadStatus::kReadFailed:
            problems.push_back("palette cannot be read");
            return palette;
    }
    palette.readable = true;
    if (bytes.size() < kPaletteEntriesOffset) {
        problems.push_back("palette is shorter than its " +
                           Num(std::uint64_t{kPaletteEntriesOffset}) + "-byte header");
        return palette;
    }
    palette.announced = ReadLe16(bytes, kPaletteCountOffset);
    const std::vector<std::uint16_t> entries = PaletteEntriesOf(bytes);
    palette.entries = entries.size();
    std::vector<bool> seen(0x10000, false);
    for (const std::uint16_t value : entries) {
        palette.duplicates += seen[value] ? 1u : 0u;
        seen[value] = true;
    }
    if (palette.entries != *palette.announced) {
        problems.push_back("palette announces " + Num(std::uint64_t{*palette.announced}) +
                           " entries but holds " + Num(palette.entries));
    }
    return palette;
}

}  // namespace

TextureReport InspectTexture(const std::string& path) {
    TextureReport report;
    report.path = path;
    // Read, and name its palette, as the converter would.
    const std::string resolved = TypedFile(path);
    FileReader file(resolved);
    if (!file.IsOpen()) {
        report.readError = msg::kReadFailed;
        return report;
    }
    if (file.RegularFileSize() == 0) {
        report.readError = msg::kError;
        return report;
    }

    std::vector<std::uint8_t> header(kPvzHeaderSize);
    const std::optional<std::size_t> headerBytes = file.Read(header);
    if (!headerBytes) {
        report.readError = msg::kError;
        return report;
    }
    if (*headerBytes < kPvzHeaderSize) {
        report.fileBytes = *headerBytes;
        report.problems.push_back("shorter than the " + Num(std::uint64_t{kPvzHeaderSize}) +
                                  "-byte header");
        return report;
    }
    TextureInfo info;
    ReadPvzHeader(header, info);
    report.hasHeader = true;
    report.width = info.width;
    report.height = info.height;
    report.pixelFormat = info.pixelFormat;
    report.dataFormat = info.dataFormat;
    report.headerText = info.headerText;
    report.expectedTexels = ExpectedTexels(info);
    const TexelWidth texelWidth =
        info.dataFormat == data_format::kPalette8 ? TexelWidth::kOneByte : TexelWidth::kTwoByte;

    // The stream, piece by piece, each behind the header's place, so that
    // WalkRunStream sees it at the stream's offset. Every piece but the last
    // holds whole records only.
    const std::size_t recordSize = static_cast<std::size_t>(texelWidth);
    std::vector<std::uint8_t> piece(kPvzHeaderSize + kRecordsPerPiece * recordSize, 0);
    std::uint32_t highestIndex = 0;
    std::array<bool, 256> indexUsed{};  // 1-byte texels only
    while (true) {
        const std::optional<std::size_t> got = file.Read(std::span(piece).subspan(kPvzHeaderSize));
        if (!got) {
            TextureReport failed;
            failed.path = path;
            failed.readError = msg::kError;
            return failed;
        }
        report.streamBytes += *got;
        WalkRunStream(std::span(piece).first(kPvzHeaderSize + *got), texelWidth,
                      [&](const RunRecord& record) {
                          ++report.records;
                          report.texels += record.count;
                          highestIndex = std::max(highestIndex, record.value);
                          indexUsed[record.value & 0xFFu] = true;
                          return true;
                      });
        if (*got < piece.size() - kPvzHeaderSize) {
            break;
        }
    }
    report.fileBytes = kPvzHeaderSize + report.streamBytes;
    if (report.expectedTexels > 0) {
        report.rawBytes = static_cast<std::uint64_t>(report.expectedTexels) *
                          (texelWidth == TexelWidth::kOneByte ? 1u : 2u);
    }

    std::vector<std::string>& problems = report.problems;
    std::string name = resolved;
    const bool pvzName = CheckPvzExtension(name);
    if (!pvzName) {
        problems.push_back("name does not end in .pvz or .PVZ");
    }
    if (report.width <= 0 || report.height <= 0) {
        problems.push_back("width and height must be above 0");
    } else if (report.expectedTexels > kMaxPixelCount) {
        problems.push_back("larger than the " + Num(kMaxPixelCount) +
                           " pixels a conversion accepts");
    } else if (!PlacementPieces(info)) {
        // Asked of the converter itself, so that the report cannot drift.
        problems.push_back(
            "twiddled layout needs a square or two squares (2:1 or 1:2) with power-of-two sides "
            "up to 16384");
    }
    if (PixelFormatName(report.pixelFormat) == "unknown") {
        problems.push_back("pixel format has no colour layout");
    }
    const std::int64_t expected = std::max<std::int64_t>(report.expectedTexels, 0);
    const auto texels = static_cast<std::int64_t>(report.texels);
    if (texels < expected) {
        problems.push_back("stream is " + Num(expected - texels) +
                           " texels short (padded with transparent black)");
    } else if (texels > expected) {
        problems.push_back("stream holds " + Num(texels - expected) +
                           " texels more than width x height");
    }
    if (const std::uint64_t partial = report.streamBytes % recordSize; partial != 0) {
        problems.push_back(Num(partial) + " bytes after the last whole record are ignored");
    }
    if (texelWidth == TexelWidth::kOneByte && pvzName) {
        report.palette = InspectPalette(resolved, problems);
        PaletteReport& palette = *report.palette;
        for (std::size_t i = 0; i < indexUsed.size(); ++i) {
            if (indexUsed[i]) {
                palette.used += i < palette.entries ? 1u : 0u;
                palette.indexBeyond = palette.indexBeyond || i >= palette.entries;
            }
        }
        palette.unused = palette.entries - palette.used;
        if (report.records > 0 && report.palette->announced &&
            highestIndex >= report.palette->entries) {
            problems.push_back("palette index " + Num(std::uint64_t{highestIndex}) +
                               " is beyond the last entry");
        }
    }
    return report;
}

}  // namespace qm::cli
