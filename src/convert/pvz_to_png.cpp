#include "convert/pvz_to_png.h"

#include <optional>

#include "codec/pvz_decode.h"
#include "convert/palette_texture.h"
#include "convert/png_output.h"
#include "convert/sibling_names.h"
#include "platform/file_io.h"
#include "platform/message_sink.h"
#include "platform/messages.h"
#include "texture/palette.h"
#include "texture/status_messages.h"

namespace qm {

bool ReadColorData(std::span<const std::uint8_t> file, TextureInfo& info,
                   std::vector<ArgbColor>& colors) {
    colors.clear();
    colors.shrink_to_fit();
    if (info.dataFormat == data_format::kPalette8) {
        return ReadColorData1Byte(file, info, colors);
    }
    return ReadColorData2Byte(file, info, colors);
}

bool ReadColorData(std::span<const std::uint8_t> file, TextureInfo& info, TexelSink& sink) {
    if (info.dataFormat == data_format::kPalette8) {
        return ReadColorData1Byte(file, info, sink);
    }
    return ReadColorData2Byte(file, info, sink);
}

bool ReadPvzPicture(std::string& path, TextureInfo& info, ImageSurface& surface,
                    const PictureCheck& check, PictureRead* read) {
    PictureRead ignored;
    PictureRead& out = read != nullptr ? *read : ignored;
    // A name that does not exist may stand for the file under another case.
    path = TypedFile(path);
    // The file is read under that name; ".PVZ" becomes ".pvz" only in the
    // names derived from it (palette and PNG).
    const std::string typed = path;
    if (!CheckPvzExtension(path)) {
        ShowMessage(msg::kNotPvzExtension);
        return false;
    }
    // The texels are placed on the picture as they are decoded; when the
    // shape cannot be placed or the picture not be made, the decode still
    // runs first, so its messages come before CreatePng's.
    surface.Destroy();
    std::vector<std::uint8_t> file;
    switch (ReadWholeFile(typed, file, kMaxPvzFileSize, &out.modified)) {
        case ReadStatus::kOpenFailed:
            ShowMessage(msg::kReadFailed);
            return false;
        case ReadStatus::kReadFailed:
        case ReadStatus::kTooLarge:
            ShowMessage(msg::kError);
            return false;
        case ReadStatus::kOk:
            break;
    }
    Status status = ReadPvzInfo(file, Limits{}, info);
    info.texturePath = path;
    // The palette is named after the file as it was found.
    if (status == Status::kOk && info.dataFormat == data_format::kPalette8) {
        info.palettePath = PaletteFileFor(typed);
    }
    if (status == Status::kOk && check && !check(info, file)) {
        return false;
    }
    if (status == Status::kOk && info.dataFormat == data_format::kPalette8 &&
        !ReadColorPalette(info)) {
        return false;
    }
    if (status == Status::kOk) {
        status = DecodePicture(file, info, surface, out.paddedTexels);
        if (out.paddedTexels > 0) {
            WriteDebugLine(msg::kDebugPadding);
        }
    }
    if (status != Status::kOk) {
        out.paddedTexels = 0;
        surface.Destroy();
        ShowMessage(DecodeMessage(status, info.dataFormat));
        return false;
    }
    return true;
}

bool ConvertPvzToPng(std::string& path, std::string* written) {
    ConversionReport report;
    const bool ok = ConvertPvzToPng(path, ConversionOptions{}, report);
    if (ok && written != nullptr) {
        *written = std::move(report.written);
    }
    return ok;
}

bool ConvertPvzToPng(std::string& path, const ConversionOptions& options,
                     ConversionReport& report) {
    TextureInfo info;
    ImageSurface surface;
    PictureRead read;
    // Set when the check below finished the conversion its own way.
    std::optional<bool> done;
    auto check = [&](const TextureInfo& texture, std::span<const std::uint8_t> file) {
        // A PNG edited since it was extracted is newer than its texture:
        // with keepNewerPng the conversion stops here, before any decoding.
        FileTime pngModified;
        report.kept = options.keepNewerPng && ModificationTime(PngFileFor(texture), pngModified) &&
                      pngModified > read.modified;
        if (report.kept) {
            done = true;
        } else if (options.indexed && texture.dataFormat == data_format::kPalette8) {
            TextureInfo indexed = texture;
            done = CreateIndexedPng(file, indexed, &report.written, &read.modified);
        }
        return !done.has_value();
    };
    if (!ReadPvzPicture(path, info, surface, check, &read)) {
        return done.value_or(false);
    }
    report.paddedTexels = read.paddedTexels;
    return SavePng(info, surface, &report.written, &read.modified);
}

}  // namespace qm
