#include "convert/pvz_to_png.h"

#include "convert/png_output.h"
#include "platform/file_io.h"
#include "platform/message_sink.h"
#include "platform/messages.h"
#include "texture/texel_decode.h"

namespace qm {

namespace {

// A stream can hold at most one record per texel of the largest picture;
// anything longer is not a texture.
constexpr std::uint64_t kMaxPvzFileSize = kPvzHeaderSize + 3 * kMaxPixelCount;

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

bool ConvertPvzToPng(std::string& path, std::string* written) {
    // The file is read under the name as typed; ".PVZ" becomes ".pvz" only in
    // the names derived from it (palette and PNG).
    const std::string typed = path;
    if (!CheckPvzExtension(path)) {
        ShowMessage(msg::kNotPvzExtension);
        return false;
    }
    TextureInfo info;
    std::vector<ArgbColor> colors;
    {
        std::vector<std::uint8_t> file;
        switch (ReadWholeFile(typed, file, kMaxPvzFileSize)) {
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
        if (PixelCount(info) > kMaxPixelCount) {
            ShowMessage(msg::kTooLarge);
            return false;
        }
        if (!ReadColorData(file, info, colors)) {
            return false;
        }
    }  // the file's bytes are released here
    return CreatePng(info, colors, written);
}

}  // namespace qm
