#include "platform/image_surface.h"

#include <new>

namespace qm {

bool ImageSurface::Allocate(int width, int height, int bitsPerPixel, bool createAlphaChannel,
                            bool zeroed) {
    Destroy();
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        static_cast<std::int64_t>(width) * height > kMaxPixels ||
        (bitsPerPixel != 24 && bitsPerPixel != 32)) {
        return false;
    }
    const std::size_t pitch =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel / 8);
    const std::size_t size = pitch * static_cast<std::size_t>(height);
    pixels_.reset(zeroed ? new (std::nothrow) std::uint8_t[size]()
                         : new (std::nothrow) std::uint8_t[size]);
    if (pixels_ == nullptr) {
        return false;
    }
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    pitch_ = static_cast<std::ptrdiff_t>(pitch);
    hasAlpha_ = createAlphaChannel && bitsPerPixel == 32;
    return true;
}

bool ImageSurface::Create(int width, int height, int bitsPerPixel, bool createAlphaChannel) {
    return Allocate(width, height, bitsPerPixel, createAlphaChannel, true);
}

void ImageSurface::Destroy() {
    pixels_.reset();
    width_ = 0;
    height_ = 0;
    bitsPerPixel_ = 0;
    pitch_ = 0;
    hasAlpha_ = false;
}

}  // namespace qm
