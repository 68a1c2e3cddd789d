// Texture to PNG for palette textures kept as palette pictures. The indices
// are placed on a 32-bit surface as words, index + 1, so that the zero words
// a short stream leaves stand apart from every index; the row writer turns
// them into 8-bit indices.
#include <algorithm>
#include <optional>

#include "codec/pvz_decode.h"
#include "convert/palette_texture.h"
#include "convert/png_name.h"
#include "convert/png_output.h"
#include "convert/sibling_names.h"
#include "platform/message_sink.h"
#include "platform/messages.h"
#include "platform/png_indexed.h"
#include "texture/color_format.h"
#include "texture/palette.h"
#include "texture/status_messages.h"
#include "texture/texel_decode.h"

namespace qm {

namespace {

PngPaletteEntry EntryOf(PixelWord pixel) {
    const PixelBytes b = BytesOf(pixel);
    return PngPaletteEntry{b[2], b[1], b[0], b[3]};
}

// Turns the index words into the colours the colour PNG has.
void WidenInPlace(ImageSurface& surface, const TextureInfo& info, const PixelCodec* codec) {
    for (int y = 0; y < surface.GetHeight(); ++y) {
        std::uint8_t* pixel = surface.GetBits() + y * surface.GetPitch();
        for (int x = 0; x < surface.GetWidth(); ++x, pixel += 4) {
            const PixelWord word = LoadPixelWord(pixel);
            StorePixelWord(pixel, word == 0 || codec == nullptr
                                      ? kClearPixel
                                      : codec->Decode(info.palette[word - 1]));
        }
    }
}

}  // namespace

bool CreateIndexedPng(std::span<const std::uint8_t> file, TextureInfo& info, std::string* written,
                      const FileTime* modified) {
    if (!ReadColorPalette(info)) {
        return false;
    }
    ImageSurface surface;
    std::uint64_t paddedTexels = 0;
    const Status status = DecodePicture(file, info, surface, paddedTexels, true);
    if (paddedTexels > 0) {
        WriteDebugLine(msg::kDebugPadding);
    }
    if (status != Status::kOk) {
        ShowMessage(DecodeMessage(status, info.dataFormat));
        return false;
    }
    const bool padded = paddedTexels > 0;
    // A texture without records never looked at its pixel format.
    const PixelCodec* codec = FindPixelCodec(info.pixelFormat);
    std::vector<PngPaletteEntry> entries;
    for (std::size_t i = 0; codec != nullptr && i < info.palette.size() && i < kMaxIndexedEntries;
         ++i) {
        entries.push_back(EntryOf(codec->Decode(info.palette[i])));
    }
    const PngPaletteEntry clear{0, 0, 0, 0};
    auto clearAt = std::find(entries.begin(), entries.end(), clear);
    if (padded && clearAt == entries.end() && entries.size() < kMaxIndexedEntries) {
        entries.push_back(clear);
        clearAt = entries.end() - 1;
    }
    if (entries.empty() || (padded && clearAt == entries.end())) {
        WidenInPlace(surface, info, codec);
        return SavePng(info, surface, written, modified);
    }
    const auto clearIndex = static_cast<std::uint8_t>(clearAt - entries.begin());
    const std::string name = PngFileFor(info);
    const bool saved = SaveIndexedPng(
        name, info.width, info.height, entries,
        [&](int y, std::span<std::uint8_t> row) {
            const std::uint8_t* pixel = surface.GetBits() + y * surface.GetPitch();
            for (std::uint8_t& index : row) {
                const PixelWord word = LoadPixelWord(pixel);
                index = word == 0 ? clearIndex : static_cast<std::uint8_t>(word - 1);
                pixel += 4;
            }
        },
        modified);
    if (!saved) {
        ShowMessage(msg::kCreateFailed);
        return false;
    }
    if (written != nullptr) {
        *written = name;
    }
    return true;
}

}  // namespace qm
