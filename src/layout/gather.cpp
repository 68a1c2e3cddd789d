#include "layout/gather.h"

#include <string_view>

#include "layout/surface_pixels.h"
#include "layout/twiddle.h"
#include "platform/message_sink.h"
#include "platform/messages.h"

namespace qm {

namespace {

bool IsTwiddleSide(std::int32_t side) {
    return side >= kMinTwiddleSide && side <= kMaxTwiddleSide && IsPowerOfTwo(side);
}

// The descriptor's picture must lie on the surface that was loaded.
bool FitsSurface(const ImageSurface& surface, std::int32_t width, std::int32_t height) {
    return !surface.IsNull() && width >= 0 && height >= 0 && width <= surface.GetWidth() &&
           height <= surface.GetHeight();
}

// Reads the picture's twiddled squares into stream order and encodes the
// runs. The colour array is released before returning.
bool GatherTwiddled(const ImageSurface& surface, const std::vector<TwiddleRegion>& roots,
                    std::size_t count, std::string_view errorText, std::vector<ColorRun>& runs) {
    std::vector<ArgbColor> colors(count);
    for (const TwiddleRegion& root : roots) {
        if (!TwiddleSquare(surface, root, colors)) {
            ShowMessage(errorText);
            return false;
        }
    }
    return EncodeColorRuns(colors, runs);
}

}  // namespace

bool GetPngColor_Rect(const ImageSurface& surface, const TextureInfo& info,
                      std::vector<ColorRun>& runs) {
    const std::int32_t width = info.width;
    const std::int32_t height = info.height;
    const int bpp = surface.GetBPP();
    if (!FitsSurface(surface, width, height) || (bpp != 24 && bpp != 32)) {
        ShowMessage(msg::kRectError);
        return false;
    }
    std::vector<ArgbColor> colors;
    colors.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const std::uint8_t* row = surface.GetBits();
    for (std::int32_t y = 0; y < height; ++y, row += surface.GetPitch()) {
        const std::uint8_t* pixel = row;
        if (bpp == 32) {
            for (std::int32_t x = 0; x < width; ++x, pixel += 4) {
                colors.push_back(ReadPixel32(pixel));
            }
        } else {
            for (std::int32_t x = 0; x < width; ++x, pixel += 3) {
                colors.push_back(ReadPixel24(pixel));
            }
        }
    }
    return EncodeColorRuns(colors, runs);
}

bool GetPngColor_Squ(const ImageSurface& surface, const TextureInfo& info,
                     std::vector<ColorRun>& runs) {
    if (info.width != info.height) {
        ShowMessage(msg::kNotSquare);
        return false;
    }
    if (!IsTwiddleSide(info.width)) {
        ShowMessage(msg::kSquareNotPowerOfTwo);
        return false;
    }
    std::vector<TwiddleRegion> roots;
    if (!FitsSurface(surface, info.width, info.height) ||
        !TwiddleRoots(info.width, info.height, roots)) {
        ShowMessage(msg::kSquError);
        return false;
    }
    const auto side = static_cast<std::size_t>(info.width);
    return GatherTwiddled(surface, roots, side * side, msg::kSquError, runs);
}

bool GetPngColor_SquEX(const ImageSurface& surface, const TextureInfo& info,
                       std::vector<ColorRun>& runs) {
    if (!IsTwiddleSide(info.width)) {
        ShowMessage(msg::kWidthNotPowerOfTwo);
        return false;
    }
    if (!IsTwiddleSide(info.height)) {
        ShowMessage(msg::kHeightNotPowerOfTwo);
        return false;
    }
    const std::int32_t width = info.width;
    const std::int32_t height = info.height;
    if (width != 2 * height && height != 2 * width) {
        ShowMessage(msg::kBadRatio);
        return false;
    }
    std::vector<TwiddleRegion> roots;
    if (!FitsSurface(surface, width, height) || !TwiddleRoots(width, height, roots)) {
        ShowMessage(msg::kSquExError);
        return false;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    return GatherTwiddled(surface, roots, count, msg::kSquExError, runs);
}

}  // namespace qm
