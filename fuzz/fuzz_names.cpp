// The bytes of an input as a file name (any bytes: not necessarily UTF-8,
// may hold slashes, dots, underscores and NULs) through the name scheme.
//
// Properties:
//   - the checks only ever rewrite an upper-case extension to lower case;
//   - a name that passes CheckPngFileName parses: 24 header characters, a
//     texture name 29 characters shorter ending in ".pvz", folder kept; and a
//     name of exactly the built shape is rebuilt from its fields unchanged;
//   - for a name that passes CheckPvzExtension, BuildPngName gives a name
//     that passes CheckPngFileName and parses back to the texture's name,
//     header text and codes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "convert/png_name.h"
#include "target_support.h"
#include "texture/pvz_header.h"

namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::string_view FolderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

bool IsLowerHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// A checked name may differ from the original only by an upper-case
// extension rewritten to lower case.
void CheckRewrite(const std::string& original, const std::string& checked, std::string_view lower,
                  std::string_view upper) {
    QM_FUZZ_CHECK(checked.size() == original.size());
    if (checked == original) {
        return;
    }
    const std::size_t stem = original.size() - upper.size();
    QM_FUZZ_CHECK(EndsWith(original, upper));
    QM_FUZZ_CHECK(EndsWith(checked, lower));
    QM_FUZZ_CHECK(checked.compare(0, stem, original, 0, stem) == 0);
}

void CheckPngName(const std::string& original) {
    std::string name = original;
    const bool passed = qm::CheckPngFileName(name);
    if (EndsWith(original, ".PNG")) {
        // Rewritten even when the rest of the check fails.
        CheckRewrite(original, name, ".png", ".PNG");
    } else {
        QM_FUZZ_CHECK(name == original);
    }
    const qm::PngNameFields fields = qm::ParsePngName(name);  // must not fail on any name
    if (!passed) {
        return;
    }
    QM_FUZZ_CHECK(EndsWith(name, ".png"));
    QM_FUZZ_CHECK(fields.headerText.size() == qm::kHeaderTextLength);
    QM_FUZZ_CHECK(fields.texturePath.size() + qm::kPngNameSuffixLength + 1 == name.size());
    QM_FUZZ_CHECK(EndsWith(fields.texturePath, ".pvz"));
    const std::string_view folder = FolderOf(name);
    QM_FUZZ_CHECK(std::string_view(fields.texturePath).substr(0, folder.size()) == folder);

    // stem_<24 hex><2 hex><2 hex>.png in lower case: built back unchanged.
    const std::size_t underscore = name.rfind('_');
    bool builtShape = underscore + qm::kPngNameSuffixLength + 1 + 4 == name.size();
    for (std::size_t i = underscore + 1; builtShape && i < name.size() - 4; ++i) {
        builtShape = IsLowerHex(name[i]);
    }
    if (builtShape) {
        qm::TextureInfo info;
        info.texturePath = fields.texturePath;
        info.headerText = fields.headerText;
        info.pixelFormat = fields.pixelFormat;
        info.dataFormat = fields.dataFormat;
        QM_FUZZ_CHECK(qm::BuildPngName(info) == name);
    }
}

void CheckPvzName(const std::string& original) {
    std::string name = original;
    const bool passed = qm::CheckPvzExtension(name);
    if (!passed) {
        QM_FUZZ_CHECK(name == original);
        return;
    }
    CheckRewrite(original, name, ".pvz", ".PVZ");
    QM_FUZZ_CHECK(EndsWith(name, ".pvz"));

    // Header bytes and codes as ReadPvzHeader would give them, taken from the
    // name's own bytes.
    static constexpr char kDigits[] = "0123456789abcdef";
    qm::TextureInfo info;
    info.texturePath = name;
    for (std::size_t i = 0; i < qm::kHeaderBytesLength; ++i) {
        const auto b = static_cast<std::uint8_t>(i < name.size() ? name[i] : 0);
        info.headerText += kDigits[b >> 4];
        info.headerText += kDigits[b & 0xF];
    }
    info.pixelFormat = static_cast<std::uint8_t>(name.size());
    info.dataFormat = static_cast<std::uint8_t>(name.empty() ? 0 : name.back() ^ name.front());

    std::string png = qm::BuildPngName(info);
    QM_FUZZ_CHECK(png.size() == name.size() + qm::kPngNameSuffixLength + 1);
    QM_FUZZ_CHECK(qm::CheckPngFileName(png));
    const qm::PngNameFields fields = qm::ParsePngName(png);
    QM_FUZZ_CHECK(fields.texturePath == name);
    QM_FUZZ_CHECK(fields.headerText == info.headerText);
    QM_FUZZ_CHECK(fields.pixelFormat == info.pixelFormat);
    QM_FUZZ_CHECK(fields.dataFormat == info.dataFormat);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qm::fuzz::QuietMessages quiet;
    const std::string name(reinterpret_cast<const char*>(data), size);
    CheckPngName(name);
    CheckPvzName(name);
    // Any two characters parse, and nothing past them is read.
    for (std::size_t i = 0; i < size; ++i) {
        static_cast<void>(qm::ParseHexPair(std::string_view(name).substr(i, 2)));
    }
    return 0;
}
