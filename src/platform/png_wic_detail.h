// What the two Windows PNG codecs share (png_codec_wic.cpp for
// ImageSurface, png_indexed_win.cpp for palette pictures): COM references,
// the checked file, its chunks and a frame decoded by WIC for reading, and
// the encoder's file for writing. Windows only.
#pragma once

#include <wincodec.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/png_encoder.h"
#include "platform/png_header.h"

namespace qm::wic_detail {

inline constexpr std::uint8_t kGrey = 0;
inline constexpr std::uint8_t kRgb = 2;
inline constexpr std::uint8_t kPalette = 3;
inline constexpr std::uint8_t kGreyAlpha = 4;
inline constexpr std::uint8_t kRgba = 6;

// A COM interface released on destruction.
template <class T>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (p_ != nullptr) {
            p_->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** Out() { return &p_; }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }

  private:
    T* p_ = nullptr;
};

// The whole file, once its header has passed (a regular file, a PNG header,
// a picture within the limits: kPngLoadTooLarge or kPngLoadFailed otherwise, before
// any pixel memory is taken) and its chunks are intact: valid bit depth,
// every CRC right, image data inflating to exactly the picture's rows.
int ReadIntactPng(const std::string& path, std::vector<std::uint8_t>& bytes, PngHeader& header);

// The data of the first chunk of the given type before the image data.
std::optional<std::span<const std::uint8_t>> FindChunk(std::span<const std::uint8_t> file,
                                                       const char* type);

// WIC's decoder of the file's picture, checked against its header. False
// when WIC cannot read it.
bool DecodeFrame(std::span<std::uint8_t> file, const PngHeader& header,
                 ComRef<IWICImagingFactory>& factory, ComRef<IWICStream>& stream,
                 ComRef<IWICBitmapDecoder>& decoder, ComRef<IWICBitmapFrameDecode>& frame);

// Copies row y of source, rowBytes long, into row.
bool CopyRow(IWICBitmapSource* source, int y, int width, std::span<std::uint8_t> row);

// Writes a PNG file with PngEncoder, which gives libpng's bytes (WIC's
// encoder compresses differently): under a temporary name, renamed over path
// when complete, with the given modification time when not null.
// fillRow(y, row) fills each row, from the top, in PNG sample order.
bool SaveWithEncoder(
    const std::string& path, const FileTime* modified, std::uint32_t width, std::uint32_t height,
    PngColorType type, std::span<const PngRgb> palette, std::span<const std::uint8_t> alphas,
    const std::function<void(std::uint32_t y, std::span<std::uint8_t> row)>& fillRow);

// Index x of a row of packed palette indices, the first pixel in the high bits.
inline unsigned PackedIndex(const std::uint8_t* row, int x, unsigned depth) {
    const auto bit = static_cast<std::size_t>(x) * depth;
    return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1u);
}

}  // namespace qm::wic_detail
