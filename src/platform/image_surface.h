// A picture in memory whose pixel rows callers address directly, loaded from
// and saved to PNG.
//
// Addressing: pixel (x, y), y = 0 being the top row, begins at
//   GetBits() + y * GetPitch() + x * GetBPP() / 8.
// Rows may be padded; callers always step by the pitch.
// A 32-bit pixel is the bytes blue, green, red, alpha (alpha not
// premultiplied); a 24-bit pixel is blue, green, red.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/file_io.h"
#include "platform/picture_limits.h"

namespace qm {

class ImageSurface {
  public:
    // Load results; negative values are failures.
    static constexpr int kLoaded = 0;
    static constexpr int kLoadFailed = -1;    // missing, unreadable, not a PNG, damaged
    static constexpr int kLoadTooLarge = -2;  // header declares a picture beyond the limits
    // Limits checked from the PNG header before any pixel memory is taken.
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

    // Loads a PNG file. Every valid PNG loads: pictures with alpha (RGBA, grey
    // with alpha, palettes with transparency) at 32 bits, the others at 24;
    // 16-bit channels keep their high byte. Colour values are taken as
    // stored. Returns kLoaded or a negative status; on failure the surface is
    // empty.
    int Load(const std::string& path);

    // Saves as an 8-bit RGBA PNG (24-bit surfaces, and 32-bit ones created
    // without an alpha channel, as RGB). The file name must
    // end in ".png" (any case). Written under a temporary name and renamed
    // over path when complete (see AtomicFileWriter). When modified is not
    // null the file gets that modification time. False when nothing could
    // be written.
    bool Save(const std::string& path, const FileTime* modified = nullptr) const;

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
    // Takes pixel memory for a picture of the given shape without zeroing it.
    bool Allocate(int width, int height, int bitsPerPixel, bool zeroed);
    // Decodes the PNG on an open file whose header was already checked.
    int DecodePng(std::FILE* file);

    std::unique_ptr<std::uint8_t[]> pixels_;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    std::ptrdiff_t pitch_ = 0;
    bool hasAlpha_ = false;
};

}  // namespace qm
