#include "convert/png_output.h"

#include <algorithm>

#include "convert/png_name.h"
#include "convert/sibling_names.h"
#include "layout/surface_pixels.h"
#include "layout/twiddle.h"
#include "platform/message_sink.h"
#include "platform/messages.h"
#include "platform/png_file.h"

namespace qm {

bool SetPngColor_Rect(ImageSurface& surface, int width, int height,
                      const std::vector<ArgbColor>& colors) {
    if (surface.GetBPP() != 32 || width > surface.GetWidth() || height > surface.GetHeight() ||
        static_cast<std::int64_t>(width) * height > static_cast<std::int64_t>(colors.size())) {
        return false;
    }
    const ArgbColor* color = colors.data();
    std::uint8_t* row = surface.GetBits();
    for (int y = 0; y < height; ++y, row += surface.GetPitch()) {
        std::uint8_t* pixel = row;
        for (int x = 0; x < width; ++x, pixel += 4) {
            WritePixel32(pixel, *color++);
        }
    }
    return true;
}

bool CreatePng(const TextureInfo& info, const std::vector<ArgbColor>& colors,
               std::string* written) {
    const int width = info.width;
    const int height = info.height;
    const bool rectangle = info.dataFormat == data_format::kRectangle;
    // Only shapes whose every texel has a pixel are placed; anything else
    // would silently drop texels.
    std::vector<TwiddleRegion> roots;
    const bool placeable = rectangle ? width > 0 && height > 0 : TwiddleRoots(width, height, roots);
    if (!placeable) {
        ShowMessage(msg::kCreatePngUnsupported);
        return false;
    }
    ImageSurface surface;
    if (!surface.Create(width, height, 32, true)) {
        ShowMessage(msg::kCreateFailed);
        return false;
    }
    bool placed = true;
    if (rectangle) {
        placed = SetPngColor_Rect(surface, width, height, colors);
    } else {
        for (const TwiddleRegion& root : roots) {
            placed = placed && UntwiddleSquare(surface, root, colors);
        }
    }
    if (!placed) {
        // The decoders deliver exactly width * height colours; this guards
        // callers that do not.
        ShowMessage(msg::kCreatePngUnsupported);
        return false;
    }
    return SavePng(info, surface, written);
}

bool SavePng(const TextureInfo& info, const ImageSurface& surface, std::string* written,
             const FileTime* modified) {
    // An earlier PNG named with other letter case is replaced, not doubled.
    const std::string name = PngFileFor(info);
    if (!SavePngFile(surface, name, modified)) {
        ShowMessage(msg::kCreateFailed);
        return false;
    }
    if (written != nullptr) {
        *written = name;
    }
    return true;
}

}  // namespace qm
