#include "texture_preview.h"

#include <optional>

#include "convert/png_output.h"
#include "convert/pvz_to_png.h"
#include "convert/thumbnail.h"
#include "platform/message_sink.h"
#include "texture/pixel_word.h"
#include "texture/pvz_header.h"
#include "texture/run_stream.h"
#include "texture/texel_decode.h"

namespace qm::explorer {

namespace {

// A picture of 1 to kMaxPreviewTexels texels whose stream can fill it and is
// no longer than it can use (every record stands for at least one texel, so
// a longer stream is refused by the decoder anyway, after it was read).
bool FitsPreview(const TextureInfo& info, std::uint64_t fileBytes) {
    const std::int64_t texels = PixelCount(info);
    if (texels <= 0 || texels > kMaxPreviewTexels || !StreamCanFill(info, fileBytes)) {
        return false;
    }
    const auto record = static_cast<std::uint64_t>(
        info.dataFormat == data_format::kPalette8 ? TexelWidth::kOneByte : TexelWidth::kTwoByte);
    return fileBytes <= kPvzHeaderSize + record * static_cast<std::uint64_t>(texels) + record - 1;
}

// Index words (index + 1, 0 for texels a short stream left out) into greys.
void GreyRampInPlace(ImageSurface& picture) {
    for (int y = 0; y < picture.GetHeight(); ++y) {
        std::uint8_t* pixel = picture.GetBits() + y * picture.GetPitch();
        for (int x = 0; x < picture.GetWidth(); ++x, pixel += 4) {
            const PixelWord word = LoadPixelWord(pixel);
            const auto grey = static_cast<std::uint8_t>((word - 1) & 0xFFu);
            StorePixelWord(pixel, word == 0 ? kClearPixel : MakePixelWord(grey, grey, grey, 0xFF));
        }
    }
}

}  // namespace

bool DecodeTextureFile(const std::string& path, ImageSurface& picture) {
    const ScopedMessageSink quiet({}, {});
    const PictureCheck fits = [](const TextureInfo& info, std::span<const std::uint8_t> file) {
        return FitsPreview(info, file.size());
    };
    std::string found = path;
    TextureInfo info;
    return ReadPvzPicture(found, info, picture, fits);
}

bool DecodeTextureBytes(std::span<const std::uint8_t> bytes, ImageSurface& picture) {
    const ScopedMessageSink quiet({}, {});
    picture.Destroy();
    TextureInfo info;
    if (!ReadPvzHeader(bytes, info) || !FitsPreview(info, bytes.size())) {
        return false;
    }
    const std::optional<StreamPieces> pieces = PlacementPieces(info);
    if (!pieces || !picture.Create(info.width, info.height, 32, true)) {
        return false;
    }
    PieceSink sink(picture, *pieces);
    const bool palette = info.dataFormat == data_format::kPalette8;
    const bool decoded = palette ? ReadIndexData1ByteWithoutPalette(bytes, info, sink)
                                 : ReadColorData(bytes, info, sink);
    if (!decoded) {
        picture.Destroy();
        return false;
    }
    if (palette) {
        GreyRampInPlace(picture);
    }
    return true;
}

}  // namespace qm::explorer
