// A picture in memory whose pixel rows callers address directly: a plain
// pixel buffer. PNG files are read and written by platform/png_file.h.
//
// Addressing: pixel (x, y), y = 0 being the top row, begins at
//   GetBits() + y * GetPitch() + x * GetBPP() / 8.
// Rows may be padded; callers always step by the pitch.
// A 32-bit pixel is the bytes blue, green, red, alpha (alpha not
// premultiplied); a 24-bit pixel is blue, green, red.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/picture_limits.h"

namespace qm {

class ImageSurface {
  public:
    // The largest pictures a buffer holds (a PNG's header is checked against
    // them before any pixel memory is taken).
    static constexpr std::int64_t kMaxSide = kMaxDescriptorSide;
    static constexpr std::int64_t kMaxPixels = kMaxPixelCount;

    ImageSurface() = default;
    ImageSurface(const ImageSurface&) = delete;
    ImageSurface& operator=(const ImageSurface&) = delete;
    ImageSurface(ImageSurface&&) noexcept = default;
    ImageSurface& operator=(ImageSurface&&) noexcept = default;

    // A zeroed surface of width x height at 24 or 32 bits per pixel. With
    // createAlphaChannel the fourth byte is saved as alpha. False (and an
    // empty surface) for sides of 0 or below, sizes beyond the limits, or
    // another depth.
    bool Create(int width, int height, int bitsPerPixel, bool createAlphaChannel);

    // As Create, without zeroing the pixels unless asked: for a decoder that
    // writes every pixel.
    bool Allocate(int width, int height, int bitsPerPixel, bool createAlphaChannel, bool zeroed);

    void Destroy();
    bool IsNull() const { return pixels_ == nullptr; }

    std::uint8_t* GetBits() { return pixels_.get(); }
    const std::uint8_t* GetBits() const { return pixels_.get(); }
    std::ptrdiff_t GetPitch() const { return pitch_; }
    int GetBPP() const { return bitsPerPixel_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    bool HasAlphaChannel() const { return hasAlpha_; }

  private:
    std::unique_ptr<std::uint8_t[]> pixels_;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    std::ptrdiff_t pitch_ = 0;
    bool hasAlpha_ = false;
};

}  // namespace qm
