#include "codec/pvz_encode.h"

#include "codec/palette_choice.h"
#include "layout/gather.h"
#include "texture/color_format.h"
#include "texture/palette.h"
#include "texture/palette_writer.h"
#include "texture/pvz_writer.h"

namespace qm {

namespace {

// A code-7 texture with its palette: twiddled indices, 1-byte records.
Status EncodePaletteTexture(ImageSurface& surface, const TextureInfo& info,
                            const PixelOptions& options, const PaletteSources& sources,
                            ByteSink& pvz, EncodeResult& result) {
    StreamPieces pieces;
    Status status = PlanTwiddledGather(surface, info, pieces);
    if (status != Status::kOk) {
        return status;
    }
    PvzRecordWriter writer(info, pvz);
    status = writer.Open();
    if (status != Status::kOk) {
        return status;
    }
    const PixelCodec& codec = *FindPixelCodec(info.pixelFormat);
    ApplyPixelOptions(surface, info.pixelFormat, options, false);

    std::optional<std::span<const std::uint8_t>> existing = sources.existing;
    if (existing && existing->size() > kMaxExistingPaletteSize) {
        existing.reset();
    }
    const std::vector<std::uint16_t> old =
        existing ? PaletteEntriesOf(*existing) : std::vector<std::uint16_t>{};
    PaletteChoice choice =
        ChoosePalette(surface, old, sources.indexed, codec, options, info.pixelFormat);

    // The indices take the pixels' place, so that the surface is gathered
    // in texture order as for any other texture.
    ForEachPixel(surface, [&](std::uint8_t* p, std::size_t i) {
        p[0] = choice.indices[i];
        p[1] = 0;
        p[2] = 0;
        if (surface.GetBPP() == 32) {
            p[3] = 0;
        }
    });
    ForEachGatheredRun(surface, pieces, [&writer](PixelWord word, std::size_t length) {
        writer.AddIndexRun(BytesOf(word)[0], length);
    });
    surface.Destroy();
    result.paletteBytes = BuildPaletteBytes(existing.value_or(std::span<const std::uint8_t>()),
                                            info.pixelFormat, choice.entries);
    return writer.Finish();
}

}  // namespace

Status CheckPictureSize(std::int64_t width, std::int64_t height, const Limits& limits) {
    if (width > kMaxDescriptorSide || height > kMaxDescriptorSide ||
        width * height > limits.maxPixels) {
        return Status::kPictureTooLarge;
    }
    return width < 1 || height < 1 ? Status::kInvalidArgument : Status::kOk;
}

Status EncodePvz(ImageSurface& surface, const TextureInfo& info, const PixelOptions& options,
                 const PaletteSources& sources, const Limits& limits, ByteSink& pvz,
                 EncodeResult& result) {
    result = EncodeResult{};
    result.dataFormat = info.dataFormat;
    if (surface.IsNull() || surface.GetWidth() != info.width ||
        surface.GetHeight() != info.height) {
        return Status::kInvalidArgument;
    }
    Status status = CheckPictureSize(info.width, info.height, limits);
    if (status != Status::kOk) {
        return status;
    }
    if (options.keepPalette && info.dataFormat == data_format::kPalette8) {
        return EncodePaletteTexture(surface, info, options, sources, pvz, result);
    }
    // The runs are found as the picture is read in texture order and
    // written as they are found.
    TextureInfo texture = info;
    StreamPieces pieces;
    switch (texture.dataFormat) {
        case data_format::kPalette8:
            // Palettes are not rebuilt: the texture is written with 2-byte
            // colours in row order instead.
            texture.dataFormat = data_format::kRectangle;
            result.dataFormat = data_format::kRectangle;
            status = PlanRect(surface, texture, pieces);
            break;
        case data_format::kRectangle:
            status = PlanRect(surface, texture, pieces);
            break;
        default:
            status = PlanTwiddledGather(surface, texture, pieces);
            break;
    }
    if (status != Status::kOk) {
        return status;
    }
    ApplyPixelOptions(surface, texture.pixelFormat, options, true);
    PvzRecordWriter writer(texture, pvz);
    status = writer.Open();
    if (status != Status::kOk) {
        return status;
    }
    // A format without alpha makes every pixel opaque; the front end may
    // want to say how many were not.
    const bool noAlpha = texture.pixelFormat == pixel_format::kRgb565;
    std::uint64_t madeOpaque = 0;
    ForEachGatheredRun(surface, pieces, [&](PixelWord pixel, std::size_t length) {
        if (noAlpha && BytesOf(pixel)[3] != 0xFF) {
            madeOpaque += length;
        }
        writer.AddRun(pixel, length);
    });
    surface.Destroy();
    result.madeOpaque = madeOpaque;
    return writer.Finish();
}

}  // namespace qm
