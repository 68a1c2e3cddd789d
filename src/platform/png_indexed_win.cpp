// Palette PNGs on Windows: read through WIC as their stored indices, with
// the checks of png_codec_wic.cpp; written by the project's own PNG encoder,
// which gives the bytes libpng gives on Linux.
#include <wincodec.h>
#include <windows.h>

#include <new>

#include "platform/file_io.h"
#include "platform/image_surface.h"
#include "platform/png_indexed.h"
#include "platform/png_wic_detail.h"

namespace qm {

using namespace wic_detail;

namespace {

int DecodeIndexed(std::span<std::uint8_t> file, const PngHeader& header, IndexedPicture& picture) {
    const auto colors = FindChunk(file, "PLTE");
    if (!colors || colors->empty() || colors->size() % 3 != 0 ||
        colors->size() / 3 > kMaxPngPaletteSize) {
        return kPngLoadFailed;
    }
    const auto alpha = FindChunk(file, "tRNS");
    ComRef<IWICImagingFactory> factory;
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    if (!DecodeFrame(file, header, factory, stream, decoder, frame)) {
        return kPngLoadFailed;
    }
    const int width = static_cast<int>(header.width);
    const int height = static_cast<int>(header.height);
    std::vector<std::uint8_t> row((std::size_t{header.width} * header.bitDepth + 7) / 8);
    try {
        picture.palette.resize(colors->size() / 3);
        picture.indices.resize(std::size_t{header.width} * header.height);
    } catch (const std::bad_alloc&) {
        return kPngLoadFailed;
    }
    for (std::size_t i = 0; i < picture.palette.size(); ++i) {
        const std::uint8_t* rgb = colors->data() + i * 3;
        picture.palette[i] = PngPaletteEntry{
            rgb[0], rgb[1], rgb[2], alpha && i < alpha->size() ? (*alpha)[i] : std::uint8_t{255}};
    }
    std::uint8_t* out = picture.indices.data();
    for (int y = 0; y < height; ++y) {
        if (!CopyRow(frame.Get(), y, width, row)) {
            return kPngLoadFailed;
        }
        for (int x = 0; x < width; ++x) {
            *out++ = static_cast<std::uint8_t>(PackedIndex(row.data(), x, header.bitDepth));
        }
    }
    picture.width = width;
    picture.height = height;
    return kPngLoaded;
}

}  // namespace

int LoadIndexedPng(const std::string& path, IndexedPicture& picture) {
    picture = IndexedPicture{};
    std::vector<std::uint8_t> bytes;
    PngHeader header;
    int status = ReadIntactPng(path, bytes, header);
    if (status == kPngLoaded && header.colorType != kPalette) {
        return kNotPalettePng;
    }
    if (status == kPngLoaded) {
        status = DecodeIndexed(bytes, header, picture);
    }
    return indexed_detail::RefuseStrayIndices(status, picture);
}

bool SaveIndexedPng(const std::string& path, int width, int height,
                    std::span<const PngPaletteEntry> palette,
                    const std::function<void(int y, std::span<std::uint8_t> row)>& fillRow,
                    const FileTime* modified) {
    if (!indexed_detail::CanSave(path, width, height, palette.size())) {
        return false;
    }
    // tRNS up to the last entry that is not opaque, none when all are.
    std::vector<PngRgb> colors;
    std::vector<std::uint8_t> alphas;
    for (const PngPaletteEntry& entry : palette) {
        colors.push_back(PngRgb{entry.red, entry.green, entry.blue});
        alphas.push_back(entry.alpha);
    }
    while (!alphas.empty() && alphas.back() == 255) {
        alphas.pop_back();
    }
    return SaveWithEncoder(path, modified, static_cast<std::uint32_t>(width),
                           static_cast<std::uint32_t>(height), PngColorType::kPalette, colors,
                           alphas, [&fillRow](std::uint32_t y, std::span<std::uint8_t> row) {
                               fillRow(static_cast<int>(y), row);
                           });
}

}  // namespace qm
