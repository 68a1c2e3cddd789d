#include "convert/png_name.h"

#include <cstdio>
#include <string_view>

namespace qm {

namespace {

constexpr std::string_view kPvzExtension = ".pvz";
constexpr std::string_view kPvzExtensionUpper = ".PVZ";
constexpr std::string_view kPngExtension = ".png";
constexpr std::string_view kPngExtensionUpper = ".PNG";
constexpr std::size_t kHeaderTextAt = 1;  // behind the "_"
constexpr std::size_t kPixelFormatAt = kHeaderTextAt + kHeaderTextLength;
constexpr std::size_t kDataFormatAt = kPixelFormatAt + 2;
static_assert(kDataFormatAt + 2 == kPngNameSuffixLength + 1);

// Where the last component of a path begins.
std::size_t BaseStart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// Checks the extension of the last component: the lowercase form passes, the
// uppercase form is rewritten to lowercase and passes, anything else fails.
bool CheckExtension(std::string& name, std::string_view lower, std::string_view upper) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < BaseStart(name)) {
        return false;
    }
    const std::string_view extension = std::string_view(name).substr(dot);
    if (extension == lower) {
        return true;
    }
    if (extension == upper) {
        name.replace(dot, upper.size(), lower);
        return true;
    }
    return false;
}

std::string TwoHexDigits(std::uint8_t code) {
    char text[3];
    std::snprintf(text, sizeof text, "%.2x", code);
    return text;
}

}  // namespace

bool CheckPvzExtension(std::string& name) {
    return CheckExtension(name, kPvzExtension, kPvzExtensionUpper);
}

bool CheckPngFileName(std::string& name) {
    if (!CheckExtension(name, kPngExtension, kPngExtensionUpper)) {
        return false;
    }
    const std::size_t underscore = name.rfind('_');
    if (underscore == std::string::npos || underscore < BaseStart(name)) {
        return false;
    }
    const std::size_t dot = name.find('.', underscore + 1);
    return dot != std::string::npos && dot - underscore - 1 == kPngNameSuffixLength;
}

std::string BuildPngName(const TextureInfo& info) {
    std::string name = info.texturePath;
    const std::size_t at = name.rfind(kPvzExtension);
    if (at == std::string::npos) {
        return name;
    }
    name.replace(at, kPvzExtension.size(), kPngExtension);
    name.insert(
        at, "_" + info.headerText + TwoHexDigits(info.pixelFormat) + TwoHexDigits(info.dataFormat));
    return name;
}

PngNameFields ParsePngName(const std::string& name) {
    PngNameFields fields;
    const std::size_t p = name.rfind('_');
    if (p == std::string::npos || p + kPngNameSuffixLength >= name.size()) {
        return fields;
    }
    const std::string_view suffix = std::string_view(name).substr(p, kPngNameSuffixLength + 1);
    fields.headerText = std::string(suffix.substr(kHeaderTextAt, kHeaderTextLength));
    fields.pixelFormat = ParseHexPair(suffix.substr(kPixelFormatAt, 2));
    fields.dataFormat = ParseHexPair(suffix.substr(kDataFormatAt, 2));
    std::string path = name;
    path.erase(p, kPngNameSuffixLength + 1);
    const std::size_t png = path.rfind(kPngExtension);
    if (png != std::string::npos) {
        path.replace(png, kPngExtension.size(), kPvzExtension);
    }
    fields.texturePath = std::move(path);
    return fields;
}

}  // namespace qm
