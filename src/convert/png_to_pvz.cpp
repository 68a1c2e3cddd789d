#include "convert/png_to_pvz.h"

#include "codec/pvz_encode.h"
#include "convert/palette_texture.h"
#include "convert/sibling_names.h"
#include "layout/gather.h"
#include "platform/image_surface.h"
#include "platform/message_sink.h"
#include "platform/messages.h"
#include "platform/png_file.h"
#include "texture/color_format.h"
#include "texture/pvz_writer.h"
#include "texture/status_messages.h"

namespace qm {

bool ConvertPngToPvz(std::string& path, std::string* written) {
    ConversionReport report;
    const bool ok = ConvertPngToPvz(path, ConversionOptions{}, report);
    if (ok && written != nullptr) {
        *written = std::move(report.written);
    }
    return ok;
}

bool ConvertPngToPvz(std::string& path, const ConversionOptions& options,
                     ConversionReport& report) {
    // A name that does not exist may stand for the file under another case.
    path = TypedFile(path);
    // The picture is loaded under that name; ".PNG" becomes ".png" only for
    // the derived .pvz name.
    const std::string typed = path;
    if (!CheckPngFileName(path)) {
        ShowMessage(msg::kBadPngName);
        return false;
    }
    ImageSurface surface;
    const int status = LoadPngFile(typed, surface);
    if (status == kPngLoadTooLarge) {
        ShowMessage(msg::kTooLarge);
        return false;
    }
    if (status < 0) {
        ShowMessage(msg::kReadFailed);
        return false;
    }
    if (surface.GetBPP() != 24 && surface.GetBPP() != 32) {
        ShowMessage(msg::kNeed24Or32Bit);
        return false;
    }
    // The descriptor holds signed 16-bit sides.
    if (CheckPictureSize(surface.GetWidth(), surface.GetHeight(), Limits{}) != Status::kOk) {
        ShowMessage(msg::kTooLarge);
        return false;
    }

    PngNameFields fields = ParsePngName(path);
    TextureInfo info;
    info.width = static_cast<std::int16_t>(surface.GetWidth());
    info.height = static_cast<std::int16_t>(surface.GetHeight());
    info.headerText = std::move(fields.headerText);
    info.pixelFormat = fields.pixelFormat;
    info.dataFormat = fields.dataFormat;
    // A texture named with other letter case ("STONE.PVZ") is replaced in
    // place rather than joined by a second one the game never reads.
    info.texturePath = TextureFileFor(fields);

    if (options.keepPalette && info.dataFormat == data_format::kPalette8) {
        // Read and replaced under one name: "S7.PVP" beside "S7.PVZ" stays
        // "S7.PVP".
        info.palettePath = PaletteFileFor(info.texturePath);
        return WritePaletteTexture(typed, surface, info, options, &report.written);
    }
    if (info.dataFormat == data_format::kPalette8) {
        // Palettes are not rebuilt: the texture gets 2-byte colours in row
        // order instead.
        ShowMessage(msg::kPaletteModeNotice);
    }
    AtomicFileWriter file(info.texturePath);
    FileByteSink sink(file);
    EncodeResult result;
    Status encoded =
        EncodePvz(surface, info, options.Pixels(), PaletteSources{}, Limits{}, sink, result);
    if (encoded == Status::kOk && !file.Commit()) {
        encoded = Status::kWriteFailed;
    }
    if (encoded != Status::kOk) {
        ShowMessage(EncodeMessage(encoded));
        return false;
    }
    report.madeOpaque = result.madeOpaque;
    report.written = info.texturePath;
    return true;
}

}  // namespace qm
