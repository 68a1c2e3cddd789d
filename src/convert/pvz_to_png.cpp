#include "convert/pvz_to_png.h"

#include <optional>

#include "convert/png_output.h"
#include "platform/file_io.h"
#include "platform/message_sink.h"
#include "platform/messages.h"

namespace qm {

namespace {

// A stream can hold at most one record per texel of the largest picture;
// anything longer is not a texture.
constexpr std::uint64_t kMaxPvzFileSize = kPvzHeaderSize + 3 * kMaxPixelCount;

// Texels that have nowhere to go: the decode still runs for its checks and
// messages.
class DiscardingSink final : public TexelSink {
  public:
    void Append(std::span<const TexelRun>) override {}
    void PadTo(std::size_t) override {}
};

}  // namespace

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
    // The file is read under the name as typed; ".PVZ" becomes ".pvz" only in
    // the names derived from it (palette and PNG).
    const std::string typed = path;
    if (!CheckPvzExtension(path)) {
        ShowMessage(msg::kNotPvzExtension);
        return false;
    }
    TextureInfo info;
    // The texels are placed on the picture as they are decoded; when the
    // shape cannot be placed or the picture not be made, the decode still
    // runs first, so its messages come before CreatePng's.
    std::optional<StreamPieces> pieces;
    ImageSurface surface;
    FileTime modified;
    {
        std::vector<std::uint8_t> file;
        switch (ReadWholeFile(typed, file, kMaxPvzFileSize, &modified)) {
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
        if (!ReadPvzHeader(file, info)) {
            ShowMessage(msg::kError);
            return false;
        }
        info.texturePath = path;
        FileTime pngModified;
        if (options.keepNewerPng && ModificationTime(BuildPngName(info), pngModified) &&
            pngModified > modified) {
            report.kept = true;
            return true;
        }
        if (PixelCount(info) > kMaxPixelCount) {
            ShowMessage(msg::kTooLarge);
            return false;
        }
        pieces = PlacementPieces(info);
        if (pieces && surface.Create(info.width, info.height, 32, true)) {
            PieceSink sink(surface, *pieces);
            if (!ReadColorData(file, info, sink)) {
                return false;
            }
            report.paddedTexels = sink.Padded();
        } else {
            DiscardingSink sink;
            if (!ReadColorData(file, info, sink)) {
                return false;
            }
        }
    }  // the file's bytes are released here
    if (!pieces) {
        ShowMessage(msg::kCreatePngUnsupported);
        return false;
    }
    if (surface.IsNull()) {
        ShowMessage(msg::kCreateFailed);
        return false;
    }
    return SavePng(info, surface, &report.written, &modified);
}

}  // namespace qm
