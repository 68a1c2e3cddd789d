#include "convert/sibling_names.h"

#include "platform/name_case.h"

namespace qm {

namespace {

constexpr std::size_t kExtensionLength = 4;  // ".pvz"

bool IsPvzExtension(const std::string& path, std::size_t at) {
    constexpr char kLower[] = ".pvz";
    for (std::size_t i = 0; i < kExtensionLength; ++i) {
        char c = path[at + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != kLower[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string PalettePathFor(const std::string& texturePath) {
    std::string path = texturePath;
    const std::size_t slash = path.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    if (path.size() >= base + kExtensionLength &&
        IsPvzExtension(path, path.size() - kExtensionLength)) {
        char& last = path.back();
        last = last == 'Z' ? 'P' : 'p';
        return path;
    }
    return path + ".pvp";
}

std::string PaletteFileFor(const std::string& texturePath) {
    return ResolveNameCase(PalettePathFor(texturePath));
}

std::string PngFileFor(const TextureInfo& info) {
    return ResolveNameCase(BuildPngName(info));
}

std::string TextureFileFor(const PngNameFields& fields) {
    return ResolveNameCase(fields.texturePath);
}

std::string TypedFile(const std::string& path) {
    return ResolveNameCase(path);
}

}  // namespace qm
