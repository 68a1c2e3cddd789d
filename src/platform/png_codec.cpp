// PNG reading and writing for ImageSurface, through libpng's classic API.
//
// libpng reports errors by longjmp. The two functions that call setjmp
// (DecodePng and EncodePng) hold only plain locals, so nothing with a
// destructor is ever skipped; everything that owns a resource (the open
// file, the atomic writer, the pixel memory) lives in their callers or in
// the surface itself.
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "platform/file_io.h"
#include "platform/image_surface.h"
#include "platform/png_detail.h"
#include "platform/png_file.h"
#include "platform/png_header.h"
#include "platform/png_save_settings.h"

namespace qm {

namespace {

// Rows are written without a filter; level and strategy: png_save_settings.h.
constexpr int kSaveFilter = PNG_FILTER_NONE;

// Writes rows of bytesPerPixel-byte BGR(A) pixels as an 8-bit RGB or RGBA
// PNG. A 4-byte pixel without alpha has its fourth byte left out.
bool EncodePng(std::FILE* file, const std::uint8_t* bits, std::ptrdiff_t pitch, png_uint_32 width,
               png_uint_32 height, int bytesPerPixel, bool alpha) {
    png_structp png = png_create_write_struct(
        PNG_LIBPNG_VER_STRING, nullptr, png_detail::StopPngOnError, png_detail::IgnorePngWarning);
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
    png_set_IHDR(png, info, width, height, 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_detail::ApplyPngSaveSettings(png);
    png_write_info(png, info);
    png_set_bgr(png);
    if (bytesPerPixel == 4 && !alpha) {
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        png_write_row(png, bits + static_cast<std::ptrdiff_t>(y) * pitch);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Palette pictures are expanded here rather than by libpng, which turns an
// index beyond the palette into opaque black instead of refusing the file.
// Plain data: it lives in DecodePng's frame, across setjmp.
struct PaletteTable {
    png_byte bgra[PNG_MAX_PALETTE_LENGTH][4];
    int count;
    int channels;  // 3, or 4 when the file has tRNS
};
static_assert(std::is_trivially_destructible_v<PaletteTable>);

// libpng's user transform: a row of 8-bit indices (png_set_packing spreads
// smaller ones) becomes BGR or BGRA, last pixel first so nothing is
// overwritten before it is read.
void ExpandPaletteRow(png_structp png, png_row_infop row, png_bytep data) {
    const auto* table = static_cast<const PaletteTable*>(png_get_user_transform_ptr(png));
    if (table == nullptr || row->color_type != PNG_COLOR_TYPE_PALETTE || row->bit_depth != 8) {
        png_error(png, "unexpected palette row");
    }
    const auto channels = static_cast<std::size_t>(table->channels);
    for (std::size_t x = row->width; x-- > 0;) {
        const png_byte index = data[x];
        if (index >= table->count) {
            png_error(png, "palette index beyond the palette");
        }
        std::memcpy(data + x * channels, table->bgra[index], channels);
    }
    row->color_type = table->channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    row->channels = static_cast<png_byte>(channels);
    row->pixel_depth = static_cast<png_byte>(8 * channels);
    row->rowbytes = row->width * channels;
}

// Decodes the PNG on an open file whose header was already checked.
int DecodePng(std::FILE* file, ImageSurface& surface) {
    png_structp png = png_create_read_struct(
        PNG_LIBPNG_VER_STRING, nullptr, png_detail::StopPngOnError, png_detail::IgnorePngWarning);
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
    // Everything to 8-bit BGR or BGRA: palettes through the table; low bit
    // depths expanded, tRNS made an alpha channel, 16-bit channels cut to
    // their high byte and grey copied to all three colours by libpng.
    PaletteTable palette;
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE) {
        png_colorp colors = nullptr;
        palette.count = 0;
        png_get_PLTE(png, info, &colors, &palette.count);
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        const bool transparent = png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) != 0;
        palette.channels = transparent ? 4 : 3;
        for (int i = 0; i < palette.count && i < PNG_MAX_PALETTE_LENGTH; ++i) {
            palette.bgra[i][0] = colors[i].blue;
            palette.bgra[i][1] = colors[i].green;
            palette.bgra[i][2] = colors[i].red;
            palette.bgra[i][3] = transparent && i < alphaCount ? alpha[i] : 255;
        }
        png_set_packing(png);
        png_set_read_user_transform_fn(png, ExpandPaletteRow);
        png_set_user_transform_info(png, &palette, 8, palette.channels);
    } else {
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const int channels = png_get_channels(png, info);
    if (png_get_bit_depth(png, info) != 8 || (channels != 3 && channels != 4) ||
        !surface.Allocate(static_cast<int>(width), static_cast<int>(height), channels * 8,
                          channels == 4, passes > 1) ||
        png_get_rowbytes(png, info) != static_cast<std::size_t>(surface.GetPitch())) {
        png_destroy_read_struct(&png, &info, nullptr);
        return kPngLoadFailed;
    }
    // Interlaced pictures arrive in seven passes, each filling in some
    // pixels of the rows already there.
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < surface.GetHeight(); ++y) {
            png_read_row(png, surface.GetBits() + y * surface.GetPitch(), nullptr);
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return kPngLoaded;
}

}  // namespace

int LoadPngFile(const std::string& path, ImageSurface& surface) {
    surface.Destroy();
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
        status = DecodePng(file, surface);
    }
    std::fclose(file);
    if (status != kPngLoaded) {
        surface.Destroy();
    }
    return status;
}

bool SavePngFile(const ImageSurface& surface, const std::string& path, const FileTime* modified) {
    if (surface.IsNull() || !HasPngExtension(path)) {
        return false;
    }
    AtomicFileWriter writer(path);
    if (modified != nullptr) {
        writer.SetModificationTime(*modified);
    }
    return writer.Open() &&
           EncodePng(writer.Stream(), surface.GetBits(), surface.GetPitch(),
                     static_cast<png_uint_32>(surface.GetWidth()),
                     static_cast<png_uint_32>(surface.GetHeight()), surface.GetBPP() / 8,
                     surface.HasAlphaChannel()) &&
           writer.Commit();
}

}  // namespace qm

namespace qm::png_detail {

// libpng prints to standard error by default; here a failure is a status
// and warnings (which benign_errors(0) turns into errors where it matters)
// are dropped.
void StopPngOnError(png_structp png, png_const_charp /*message*/) {
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

int CheckPngFile(std::FILE* file) {
    struct stat info {};
    if (::fstat(::fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        return kPngLoadFailed;
    }
    std::uint8_t bytes[kPngHeaderSize];
    if (std::fread(bytes, 1, kPngHeaderSize, file) != kPngHeaderSize) {
        return kPngLoadFailed;
    }
    PngHeader header;
    const int status = CheckPngHeader(bytes, static_cast<std::uint64_t>(info.st_size), header);
    if (status == kPngLoaded && std::fseek(file, 0, SEEK_SET) != 0) {
        return kPngLoadFailed;
    }
    return status;
}

void ApplyPngReadSettings(png_structp png) {
    // Damage is an error, never a warning: a bad CRC in any chunk, trailing
    // or missing image data and the like stop the read.
    png_set_benign_errors(png, 0);
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    // Colours are taken as stored: gamma, chromaticities, colour profiles
    // and every other ancillary chunk but tRNS are skipped unread (their
    // CRCs are still checked).
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
}

void ApplyPngSaveSettings(png_structp png) {
    png_set_filter(png, PNG_FILTER_TYPE_BASE, kSaveFilter);
    png_set_compression_strategy(png, kPngSaveStrategy);
    png_set_compression_level(png, kPngSaveLevel);
}

}  // namespace qm::png_detail
