// Palette PNGs through libpng's classic API, with the header checks, error
// handling and write settings of png_codec.cpp. As there, the functions
// that call setjmp hold only plain locals; the open file, the atomic writer
// and the picture's memory belong to their callers.
#include "platform/png_indexed.h"

#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <new>

#include "platform/file_io.h"
#include "platform/image_surface.h"
#include "platform/png_detail.h"
#include "platform/png_header.h"

namespace qm {

namespace {

using png_detail::IgnorePngWarning;
using png_detail::StopPngOnError;

int DecodeIndexed(std::FILE* file, IndexedPicture& picture) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, StopPngOnError, IgnorePngWarning);
    if (png == nullptr) {
        return kPngLoadFailed;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return kPngLoadFailed;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return kPngLoadFailed;
    }
    png_detail::ApplyPngReadSettings(png);
    png_init_io(png, file);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!PngWithinLimits(width, height)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return kPngLoadTooLarge;
    }
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE) {
        png_destroy_read_struct(&png, &info, nullptr);
        return kNotPalettePng;
    }
    png_colorp colors = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colors, &count);
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) == 0) {
        alphaCount = 0;
    }
    png_set_packing(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    bool allocated = rowBytes == width;
    if (allocated) {
        try {
            picture.palette.resize(static_cast<std::size_t>(count));
            picture.indices.resize(std::size_t{width} * height);
        } catch (const std::bad_alloc&) {
            allocated = false;
        }
    }
    if (!allocated) {
        png_destroy_read_struct(&png, &info, nullptr);
        return kPngLoadFailed;
    }
    for (std::size_t i = 0; i < picture.palette.size(); ++i) {
        const auto at = static_cast<int>(i);
        picture.palette[i] = PngPaletteEntry{colors[i].red, colors[i].green, colors[i].blue,
                                             at < alphaCount ? alpha[i] : png_byte{255}};
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, picture.indices.data() + std::size_t{y} * width, nullptr);
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    return kPngLoaded;
}

// PLTE and tRNS as libpng takes them, made before EncodeIndexed's setjmp.
struct PngPaletteChunks {
    png_color colors[PNG_MAX_PALETTE_LENGTH];
    png_byte alpha[PNG_MAX_PALETTE_LENGTH];
    int size = 0;
    int alphaCount = 0;  // tRNS up to the last entry that is not opaque; 0: none
};

PngPaletteChunks ChunksOf(std::span<const PngPaletteEntry> palette) {
    PngPaletteChunks chunks{};
    chunks.size = static_cast<int>(palette.size());
    for (std::size_t i = 0; i < palette.size(); ++i) {
        chunks.colors[i] = png_color{palette[i].red, palette[i].green, palette[i].blue};
        chunks.alpha[i] = palette[i].alpha;
        if (palette[i].alpha != 255) {
            chunks.alphaCount = static_cast<int>(i) + 1;
        }
    }
    return chunks;
}

bool EncodeIndexed(std::FILE* file, int width, int height, const PngPaletteChunks& chunks,
                   const std::function<void(int, std::span<std::uint8_t>)>& fillRow,
                   std::span<std::uint8_t> row) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, StopPngOnError, IgnorePngWarning);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_set_PLTE(png, info, chunks.colors, chunks.size);
    if (chunks.alphaCount > 0) {
        png_set_tRNS(png, info, chunks.alpha, chunks.alphaCount, nullptr);
    }
    png_detail::ApplyPngSaveSettings(png);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        fillRow(y, row);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

int LoadIndexedPng(const std::string& path, IndexedPicture& picture) {
    picture = IndexedPicture{};
    const int fd = OpenForReading(path);
    if (fd < 0) {
        return kPngLoadFailed;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        ::close(fd);
        return kPngLoadFailed;
    }
    int status = png_detail::CheckPngFile(file);
    if (status == kPngLoaded) {
        status = DecodeIndexed(file, picture);
    }
    std::fclose(file);
    return indexed_detail::RefuseStrayIndices(status, picture);
}

bool SaveIndexedPng(const std::string& path, int width, int height,
                    std::span<const PngPaletteEntry> palette,
                    const std::function<void(int y, std::span<std::uint8_t> row)>& fillRow,
                    const FileTime* modified) {
    if (!indexed_detail::CanSave(path, width, height, palette.size())) {
        return false;
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
    AtomicFileWriter writer(path);
    if (modified != nullptr) {
        writer.SetModificationTime(*modified);
    }
    return writer.Open() &&
           EncodeIndexed(writer.Stream(), width, height, ChunksOf(palette), fillRow, row) &&
           writer.Commit();
}

}  // namespace qm
