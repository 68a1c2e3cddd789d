#include "texture/pvz_header.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/le_bytes.h"

namespace qm {

bool ReadPvzHeader(std::span<const std::uint8_t> file, TextureInfo& info) {
    if (file.size() < kPvzHeaderSize) {
        return false;
    }
    info.pixelFormat = file[kPixelFormatOffset];
    info.dataFormat = file[kDataFormatOffset];
    info.width = static_cast<std::int16_t>(ReadLe16(file, kWidthOffset));
    info.height = static_cast<std::int16_t>(ReadLe16(file, kHeightOffset));
    info.headerText = HeaderTextOf(file.subspan(kHeaderBytesOffset, kHeaderBytesLength));
    return true;
}

std::string HeaderTextOf(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t b : bytes.first(std::min(bytes.size(), kHeaderBytesLength))) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

std::string_view DataFormatLayoutName(std::uint8_t dataFormat) {
    switch (dataFormat) {
        case data_format::kPalette8:
            return "palette";
        case data_format::kRectangle:
            return "rectangle";
        default:
            return "twiddled";
    }
}

std::uint8_t ParseHexPair(std::string_view text) {
    char buffer[3] = {0, 0, 0};
    for (std::size_t i = 0; i < 2 && i < text.size(); ++i) {
        buffer[i] = text[i];
    }
    const long value = std::strtol(buffer, nullptr, 16);
    return static_cast<std::uint8_t>(static_cast<unsigned long>(value) & 0xFFu);
}

}  // namespace qm
