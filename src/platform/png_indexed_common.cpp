// What the two palette PNG codecs (png_indexed.cpp on libpng,
// png_indexed_win.cpp on WIC and PngEncoder) share.
#include "platform/image_surface.h"
#include "platform/png_header.h"
#include "platform/png_indexed.h"

namespace qm::indexed_detail {

int RefuseStrayIndices(int status, IndexedPicture& picture) {
    if (status == kPngLoaded) {
        for (const std::uint8_t index : picture.indices) {
            if (index >= picture.palette.size()) {
                status = kPngLoadFailed;
                break;
            }
        }
    }
    if (status != kPngLoaded) {
        picture = IndexedPicture{};
    }
    return status;
}

bool CanSave(const std::string& path, int width, int height, std::size_t paletteSize) {
    return width > 0 && height > 0 && width <= ImageSurface::kMaxSide &&
           height <= ImageSurface::kMaxSide && paletteSize > 0 &&
           paletteSize <= kMaxPngPaletteSize && HasPngExtension(path);
}

}  // namespace qm::indexed_detail
