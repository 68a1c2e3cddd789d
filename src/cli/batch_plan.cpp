#include "cli/batch_plan.h"

#include <array>
#include <map>

#include "cli/cli_texts.h"
#include "convert/png_name.h"
#include "convert/sibling_names.h"
#include "platform/file_identity.h"
#include "platform/file_io.h"
#include "texture/pvz_header.h"

namespace qm::cli {

namespace {

// The header of the texture at path, when it is a file that holds one.
std::optional<TextureInfo> ReadHeaderOnly(const std::string& path) {
    std::array<std::uint8_t, kPvzHeaderSize> header{};
    FileReader file(path);
    if (!file.IsOpen() || file.RegularFileSize() < header.size() ||
        file.Read(header) != header.size()) {
        return std::nullopt;
    }
    TextureInfo info;
    if (!ReadPvzHeader(header, info)) {
        return std::nullopt;
    }
    return info;
}

struct PlannedFile {
    std::size_t index = 0;  // in the batch
    std::string output;     // as this input names it
};

std::string_view PaletteNote(Road road, const ConversionOptions& options) {
    if (road == Road::kPvzToPng) {
        return options.indexed ? std::string_view() : text::kNotePaletteExtracted;
    }
    return options.keepPalette ? std::string_view() : text::kNotePalettePutBack;
}

}  // namespace

std::optional<PlannedOutput> PlanOutput(Road road, const std::string& input) {
    // Named as the drivers name it: the input under another letter case,
    // ".PVZ" and ".PNG" lowercase in the derived names only.
    const std::string path = TypedFile(input);
    std::string name = path;
    PlannedOutput planned;
    if (road == Road::kPvzToPng) {
        std::optional<TextureInfo> info;
        if (!CheckPvzExtension(name) || !(info = ReadHeaderOnly(path))) {
            return std::nullopt;
        }
        info->texturePath = name;
        planned.path = PngFileFor(*info);
        planned.dataFormat = info->dataFormat;
        return planned;
    }
    if (!CheckPngFileName(name) || FileReader(path).RegularFileSize() == 0) {
        return std::nullopt;
    }
    const PngNameFields fields = ParsePngName(name);
    planned.path = TextureFileFor(fields);
    planned.dataFormat = fields.dataFormat;
    return planned;
}

void PlanBatch(std::vector<InputFile>& files, const RoadFunction& roadOf,
               const ConversionOptions& options) {
    // Output key -> the files that lead to it, in the batch's order.
    std::map<std::string, std::vector<PlannedFile>> outputs;
    for (std::size_t i = 0; i < files.size(); ++i) {
        InputFile& file = files[i];
        if (!file.error.empty()) {
            continue;
        }
        const Road road = roadOf(file.path);
        const std::optional<PlannedOutput> planned = PlanOutput(road, file.path);
        if (!planned) {
            continue;
        }
        if (planned->dataFormat == data_format::kPalette8) {
            file.note = PaletteNote(road, options);
        }
        outputs[SameFileKey(planned->path)].push_back({i, planned->path});
    }
    for (const auto& [key, inputs] : outputs) {
        for (const PlannedFile& planned : inputs) {
            std::string others;
            for (const PlannedFile& other : inputs) {
                if (other.index != planned.index) {
                    others += (others.empty() ? "" : ", ") + files[other.index].path;
                }
            }
            if (!others.empty()) {
                files[planned.index].error = std::string(text::kSameOutput) + planned.output +
                                             std::string(text::kSameOutputOthers) + others;
            }
        }
    }
}

}  // namespace qm::cli
