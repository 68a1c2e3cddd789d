#include "preview_bitmap.h"

#include <cstring>

namespace qm::explorer {

HBITMAP BitmapOf(const ImageSurface& picture) {
    if (picture.IsNull() || picture.GetBPP() != 32) {
        return nullptr;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.GetWidth();
    info.bmiHeader.biHeight = -picture.GetHeight();  // negative: the first row is the top one
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr) {
        return nullptr;
    }
    // 32-bit rows need no padding: the stride is width * 4.
    const std::size_t row = static_cast<std::size_t>(picture.GetWidth()) * 4;
    auto* target = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < picture.GetHeight(); ++y) {
        std::memcpy(target + static_cast<std::size_t>(y) * row,
                    picture.GetBits() + y * picture.GetPitch(), row);
    }
    return bitmap;
}

}  // namespace qm::explorer
