#include "convert/thumbnail.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "texture/color_run.h"
#include "texture/run_stream.h"

namespace qm {

PictureSize ThumbnailSize(int width, int height, int size) {
    if (width <= size && height <= size) {
        return {width, height};
    }
    const std::int64_t longer = std::max(width, height);
    const auto shorter = [&](int side) {
        return static_cast<int>(
            std::max<std::int64_t>(1, (side * std::int64_t{size} + longer / 2) / longer));
    };
    return width >= height ? PictureSize{size, shorter(height)} : PictureSize{shorter(width), size};
}

bool StreamCanFill(const TextureInfo& info, std::size_t fileBytes) {
    const std::size_t recordSize = static_cast<std::size_t>(
        info.dataFormat == data_format::kPalette8 ? TexelWidth::kOneByte : TexelWidth::kTwoByte);
    const std::uint64_t records =
        fileBytes > kPvzHeaderSize ? (fileBytes - kPvzHeaderSize) / recordSize : 0;
    // A picture of no texels is left to the converter's own checks.
    return PixelCount(info) <= 0 ||
           records * kMaxRunLength >= static_cast<std::uint64_t>(PixelCount(info));
}

bool ScaleDown(const ImageSurface& source, PictureSize size, ImageSurface& out) {
    const int sw = source.GetWidth();
    const int sh = source.GetHeight();
    if (source.GetBPP() != 32 || size.width < 1 || size.height < 1 || size.width > sw ||
        size.height > sh || !out.Create(size.width, size.height, 32, true)) {
        return false;
    }
    for (int y = 0; y < size.height; ++y) {
        // The box of source rows (and below, columns) behind this pixel;
        // never empty, as the preview is no larger than the source.
        const int y0 = static_cast<int>(std::int64_t{y} * sh / size.height);
        const int y1 = static_cast<int>(std::int64_t{y + 1} * sh / size.height);
        std::uint8_t* target = out.GetBits() + y * out.GetPitch();
        for (int x = 0; x < size.width; ++x, target += 4) {
            const int x0 = static_cast<int>(std::int64_t{x} * sw / size.width);
            const int x1 = static_cast<int>(std::int64_t{x + 1} * sw / size.width);
            std::array<std::uint64_t, 3> weighted{};  // blue, green, red times alpha
            std::uint64_t alpha = 0;
            for (int sy = y0; sy < y1; ++sy) {
                const std::uint8_t* pixel = source.GetBits() + sy * source.GetPitch() + x0 * 4;
                for (int sx = x0; sx < x1; ++sx, pixel += 4) {
                    for (std::size_t c = 0; c < 3; ++c) {
                        weighted[c] += std::uint64_t{pixel[c]} * pixel[3];
                    }
                    alpha += pixel[3];
                }
            }
            const std::uint64_t count =
                static_cast<std::uint64_t>(y1 - y0) * static_cast<std::uint64_t>(x1 - x0);
            for (std::size_t c = 0; c < 3; ++c) {
                target[c] =
                    static_cast<std::uint8_t>(alpha == 0 ? 0 : (weighted[c] + alpha / 2) / alpha);
            }
            target[3] = static_cast<std::uint8_t>((alpha + count / 2) / count);
        }
    }
    return true;
}

const ImageSurface* PreviewOf(const ImageSurface& picture, int size, ImageSurface& scaled) {
    const PictureSize fit = ThumbnailSize(picture.GetWidth(), picture.GetHeight(), size);
    if (fit.width == picture.GetWidth() && fit.height == picture.GetHeight()) {
        return &picture;
    }
    return ScaleDown(picture, fit, scaled) ? &scaled : nullptr;
}

}  // namespace qm
