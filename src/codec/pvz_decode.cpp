#include "codec/pvz_decode.h"

#include "layout/placement.h"
#include "texture/palette.h"
#include "texture/texel_decode.h"

namespace qm {

Status ReadPvzInfo(std::span<const std::uint8_t> file, const Limits& limits, TextureInfo& info) {
    if (file.size() > limits.maxFileSize) {
        return Status::kFileTooLarge;
    }
    if (!ReadPvzHeader(file, info)) {
        return Status::kHeaderTooShort;
    }
    if (PixelCount(info) > limits.maxPixels) {
        return Status::kPictureTooLarge;
    }
    return Status::kOk;
}

Status DecodePicture(std::span<const std::uint8_t> file, const TextureInfo& info,
                     ImageSurface& surface, std::uint64_t& padded, bool indexWords) {
    surface.Destroy();
    padded = 0;
    const std::optional<StreamPieces> pieces = PlacementPieces(info);
    if (pieces && surface.Create(info.width, info.height, 32, true)) {
        PieceSink sink(surface, *pieces);
        const Status status = DecodeTexels(file, info, sink, padded, indexWords);
        if (status != Status::kOk) {
            surface.Destroy();
        }
        return status;
    }
    DiscardingSink sink;
    const Status status = DecodeTexels(file, info, sink, padded, indexWords);
    if (status != Status::kOk) {
        return status;
    }
    return pieces ? Status::kOutOfMemory : Status::kShapeNotPlaceable;
}

Status DecodePvz(std::span<const std::uint8_t> pvz,
                 std::optional<std::span<const std::uint8_t>> pvp, const Limits& limits,
                 DecodedPvz& out, bool indexWords) {
    out.info = TextureInfo{};
    out.paddedTexels = 0;
    Status status = ReadPvzInfo(pvz, limits, out.info);
    if (status != Status::kOk) {
        return status;
    }
    if (out.info.dataFormat == data_format::kPalette8) {
        if (!pvp) {
            return Status::kPaletteMissing;
        }
        status = ParsePalette(*pvp, out.info.palette);
        if (status != Status::kOk) {
            return status;
        }
    }
    return DecodePicture(pvz, out.info, out.surface, out.paddedTexels, indexWords);
}

}  // namespace qm
