// PNG to texture for palette textures: the files around the codec's
// encoder (codec/pvz_encode.h, whose palette rules codec/palette_choice.h
// sets out).
#include "convert/palette_texture.h"

#include <optional>

#include "codec/pvz_encode.h"
#include "platform/file_io.h"
#include "platform/message_sink.h"
#include "platform/png_indexed.h"
#include "texture/palette.h"
#include "texture/palette_writer.h"
#include "texture/status_messages.h"

namespace qm {

bool WritePaletteTexture(const std::string& pngPath, ImageSurface& surface, const TextureInfo& info,
                         const ConversionOptions& options, std::string* written) {
    std::optional<std::vector<std::uint8_t>> existing;
    {
        std::vector<std::uint8_t> bytes;
        if (ReadWholeFile(info.palettePath, bytes, kMaxExistingPaletteSize) == ReadStatus::kOk) {
            existing = std::move(bytes);
        }
    }
    IndexedPicture png;
    PaletteSources sources;
    if (existing) {
        sources.existing = std::span<const std::uint8_t>(*existing);
    }
    if (LoadIndexedPng(pngPath, png) == kPngLoaded) {
        sources.indexed = &png;
    }
    PaletteTextureFiles files(info.texturePath, info.palettePath);
    EncodeResult result;
    const Status status =
        EncodePvz(surface, info, options.Pixels(), sources, Limits{}, files.Sink(), result);
    if (status != Status::kOk) {
        ShowMessage(EncodeMessage(status));
        return false;
    }
    if (!files.Commit(result.paletteBytes, existing)) {
        return false;
    }
    if (written != nullptr) {
        *written = info.texturePath;
    }
    return true;
}

}  // namespace qm
