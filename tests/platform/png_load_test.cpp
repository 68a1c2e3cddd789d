// ImageSurface::Load: every PNG colour type and bit depth, interlacing,
// ancillary chunks, the size guard and hostile files.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/image_surface.h"
#include "support/test_support.h"

namespace qm {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A PNG described sample by sample, as it is stored in the file.
struct PngPicture {
    int width = 0;
    int height = 0;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<std::uint16_t> samples;  // width * height * channels, rows top first
    std::vector<png_color> palette;
    std::vector<std::uint8_t> paletteAlpha;   // tRNS of a palette picture
    std::optional<png_color_16> transparent;  // tRNS of a grey or RGB picture
};

int ChannelsOf(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_PALETTE:
            return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        default:
            return 4;
    }
}

// Rows as stored: samples of fewer than 8 bits packed from the top bit down,
// 16-bit samples big-endian.
std::vector<Bytes> PackRows(const PngPicture& picture) {
    const int channels = ChannelsOf(picture.colorType);
    const int depth = picture.bitDepth;
    const std::size_t rowBits = static_cast<std::size_t>(picture.width * channels * depth);
    std::vector<Bytes> rows;
    for (int y = 0; y < picture.height; ++y) {
        Bytes row((rowBits + 7) / 8, 0);
        for (int i = 0; i < picture.width * channels; ++i) {
            const std::uint16_t value =
                picture.samples[static_cast<std::size_t>(y * picture.width * channels + i)];
            if (depth == 16) {
                row[2 * i] = static_cast<std::uint8_t>(value >> 8);
                row[2 * i + 1] = static_cast<std::uint8_t>(value & 0xFF);
            } else if (depth == 8) {
                row[i] = static_cast<std::uint8_t>(value);
            } else {
                const int bit = i * depth;
                row[bit / 8] |= static_cast<std::uint8_t>(value << (8 - depth - bit % 8));
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// libpng's write API, untransformed. Plain locals only: errors longjmp here.
// libpng refuses to write palette indices beyond the palette unless
// checkIndices is off.
bool WritePng(const PngPicture& picture, png_bytepp rows, Bytes* out, bool checkIndices) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    if (!checkIndices) {
        png_set_check_for_invalid_index(png, 0);
    }
    png_set_write_fn(png, out, AppendToVector, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), picture.bitDepth, picture.colorType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (!picture.palette.empty()) {
        png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    }
    if (!picture.paletteAlpha.empty()) {
        png_set_tRNS(png, info, picture.paletteAlpha.data(),
                     static_cast<int>(picture.paletteAlpha.size()), nullptr);
    }
    if (picture.transparent) {
        png_set_tRNS(png, info, nullptr, 0, &*picture.transparent);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

Bytes Encode(const PngPicture& picture, bool checkIndices = true) {
    std::vector<Bytes> rows = PackRows(picture);
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows) {
        pointers.push_back(row.data());
    }
    Bytes out;
    EXPECT_TRUE(WritePng(picture, pointers.data(), &out, checkIndices));
    return out;
}

// What Load must produce: blue, green, red (and alpha) bytes per pixel.
std::uint8_t To8Bits(std::uint16_t value, int depth) {
    switch (depth) {
        case 1:
            return static_cast<std::uint8_t>(value * 255);
        case 2:
            return static_cast<std::uint8_t>(value * 85);
        case 4:
            return static_cast<std::uint8_t>(value * 17);
        case 8:
            return static_cast<std::uint8_t>(value);
        default:
            return static_cast<std::uint8_t>(value >> 8);  // the high byte, not rounded
    }
}

bool HasAlpha(const PngPicture& p) {
    return (p.colorType & PNG_COLOR_MASK_ALPHA) != 0 || !p.paletteAlpha.empty() ||
           p.transparent.has_value();
}

Bytes Expected(const PngPicture& p) {
    const int channels = ChannelsOf(p.colorType);
    const bool alpha = HasAlpha(p);
    Bytes out;
    for (int i = 0; i < p.width * p.height; ++i) {
        const std::uint16_t* s = &p.samples[static_cast<std::size_t>(i * channels)];
        std::uint8_t r = 0, g = 0, b = 0, a = 255;
        switch (p.colorType) {
            case PNG_COLOR_TYPE_PALETTE:
                r = p.palette[s[0]].red;
                g = p.palette[s[0]].green;
                b = p.palette[s[0]].blue;
                if (s[0] < p.paletteAlpha.size()) {
                    a = p.paletteAlpha[s[0]];
                }
                break;
            case PNG_COLOR_TYPE_GRAY:
            case PNG_COLOR_TYPE_GRAY_ALPHA:
                r = g = b = To8Bits(s[0], p.bitDepth);
                if (p.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
                    a = To8Bits(s[1], p.bitDepth);
                } else if (p.transparent && s[0] == p.transparent->gray) {
                    a = 0;
                }
                break;
            default:
                r = To8Bits(s[0], p.bitDepth);
                g = To8Bits(s[1], p.bitDepth);
                b = To8Bits(s[2], p.bitDepth);
                if (p.colorType == PNG_COLOR_TYPE_RGB_ALPHA) {
                    a = To8Bits(s[3], p.bitDepth);
                } else if (p.transparent && s[0] == p.transparent->red &&
                           s[1] == p.transparent->green && s[2] == p.transparent->blue) {
                    a = 0;
                }
                break;
        }
        out.insert(out.end(), {b, g, r});
        if (alpha) {
            out.push_back(a);
        }
    }
    return out;
}

Bytes SurfaceBytes(const ImageSurface& surface) {
    Bytes out;
    const std::size_t rowBytes =
        static_cast<std::size_t>(surface.GetWidth() * surface.GetBPP() / 8);
    for (int y = 0; y < surface.GetHeight(); ++y) {
        const std::uint8_t* row = surface.GetBits() + y * surface.GetPitch();
        out.insert(out.end(), row, row + rowBytes);
    }
    return out;
}

// Random samples of the picture's depth; the first pixels take every value a
// low depth allows, and 16-bit pictures start with values whose high byte
// differs from their rounded 8-bit value.
PngPicture MakePicture(int colorType, int depth, int width, int height, std::uint64_t seed,
                       bool withTransparency, int paletteSize = 0) {
    test::Random random(seed);
    PngPicture p;
    p.width = width;
    p.height = height;
    p.colorType = colorType;
    p.bitDepth = depth;
    const int channels = ChannelsOf(colorType);
    const std::uint32_t levels =
        colorType == PNG_COLOR_TYPE_PALETTE
            ? static_cast<std::uint32_t>(paletteSize > 0 ? paletteSize : 1 << depth)
            : 1u << depth;
    const std::uint16_t planted16[] = {0x00FF, 0xFF00, 0x80FF, 0x7F80, 0x0100, 0xFFFF, 0x0000};
    for (int i = 0; i < width * height; ++i) {
        for (int c = 0; c < channels; ++c) {
            std::uint16_t value = static_cast<std::uint16_t>(random.Below(levels));
            if (depth < 16 && static_cast<std::uint32_t>(i) < levels) {
                value = static_cast<std::uint16_t>(
                    (static_cast<std::uint32_t>(i) + static_cast<std::uint32_t>(c)) % levels);
            } else if (depth == 16 && i < 7) {
                value = planted16[(i + c) % 7];
            }
            p.samples.push_back(value);
        }
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        for (std::uint32_t i = 0; i < levels; ++i) {
            const ArgbColor color = random.Color();
            p.palette.push_back(png_color{static_cast<png_byte>(color.red),
                                          static_cast<png_byte>(color.green),
                                          static_cast<png_byte>(color.blue)});
        }
        if (withTransparency) {
            // Fewer alpha entries than colours: the rest are opaque.
            const std::uint32_t count = levels > 2 ? levels - 1 : 1;
            for (std::uint32_t i = 0; i < count; ++i) {
                p.paletteAlpha.push_back(static_cast<std::uint8_t>(i == 0 ? 0 : random.Below(256)));
            }
        }
    } else if (withTransparency) {
        // The key is the first pixel's colour; the second pixel differs from
        // it only in the lowest bit, so 16-bit keys are compared in full.
        png_color_16 key{};
        if (colorType == PNG_COLOR_TYPE_GRAY) {
            key.gray = p.samples[0];
            if (depth == 16) {
                p.samples[1] = static_cast<std::uint16_t>(key.gray ^ 1);
            }
        } else {
            key.red = p.samples[0];
            key.green = p.samples[1];
            key.blue = p.samples[2];
            if (depth == 16) {
                p.samples[3] = key.red;
                p.samples[4] = key.green;
                p.samples[5] = static_cast<std::uint16_t>(key.blue ^ 1);
            }
        }
        p.transparent = key;
    }
    return p;
}

struct Format {
    const char* name;
    int colorType;
    int depth;
};

constexpr Format kFormats[] = {
    {"grey 1", PNG_COLOR_TYPE_GRAY, 1},
    {"grey 2", PNG_COLOR_TYPE_GRAY, 2},
    {"grey 4", PNG_COLOR_TYPE_GRAY, 4},
    {"grey 8", PNG_COLOR_TYPE_GRAY, 8},
    {"grey 16", PNG_COLOR_TYPE_GRAY, 16},
    {"grey+alpha 8", PNG_COLOR_TYPE_GRAY_ALPHA, 8},
    {"grey+alpha 16", PNG_COLOR_TYPE_GRAY_ALPHA, 16},
    {"RGB 8", PNG_COLOR_TYPE_RGB, 8},
    {"RGB 16", PNG_COLOR_TYPE_RGB, 16},
    {"RGBA 8", PNG_COLOR_TYPE_RGB_ALPHA, 8},
    {"RGBA 16", PNG_COLOR_TYPE_RGB_ALPHA, 16},
    {"palette 1", PNG_COLOR_TYPE_PALETTE, 1},
    {"palette 2", PNG_COLOR_TYPE_PALETTE, 2},
    {"palette 4", PNG_COLOR_TYPE_PALETTE, 4},
    {"palette 8", PNG_COLOR_TYPE_PALETTE, 8},
};

class PngLoad : public ::testing::Test {
  protected:
    // Writes bytes to a file and loads it. The old file is removed first:
    // truncating one makes some file systems (ext4) write it out at once,
    // which the damage passes below would pay for thousands of times.
    int LoadBytes(const Bytes& bytes, ImageSurface& surface) {
        std::filesystem::remove(path_);
        test::WriteFile(path_, bytes);
        return surface.Load(path_);
    }

    void ExpectLoadsAs(const PngPicture& picture) {
        ImageSurface surface;
        ASSERT_EQ(LoadBytes(Encode(picture), surface), ImageSurface::kLoaded);
        const bool alpha = HasAlpha(picture);
        EXPECT_EQ(surface.GetWidth(), picture.width);
        EXPECT_EQ(surface.GetHeight(), picture.height);
        EXPECT_EQ(surface.GetBPP(), alpha ? 32 : 24);
        EXPECT_EQ(surface.HasAlphaChannel(), alpha);
        EXPECT_EQ(surface.GetPitch(), picture.width * (alpha ? 4 : 3));
        EXPECT_EQ(SurfaceBytes(surface), Expected(picture));
    }

    test::TempDir dir_;
    std::string path_ = dir_ / "input.png";
};

TEST_F(PngLoad, EveryColorTypeAndDepth) {
    std::uint64_t seed = 1;
    for (const Format& format : kFormats) {
        const bool transparencyAllowed = (format.colorType & PNG_COLOR_MASK_ALPHA) == 0;
        for (int transparency = 0; transparency <= (transparencyAllowed ? 1 : 0); ++transparency) {
            for (int interlaced = 0; interlaced <= 1; ++interlaced) {
                SCOPED_TRACE(testing::Message() << format.name << (transparency ? " tRNS" : "")
                                                << (interlaced ? " interlaced" : ""));
                PngPicture picture =
                    MakePicture(format.colorType, format.depth, 37, 11, seed++, transparency != 0);
                picture.interlaced = interlaced != 0;
                ExpectLoadsAs(picture);
            }
        }
    }
}

TEST_F(PngLoad, PaletteShorterThanItsDepthAllows) {
    for (const bool transparency : {false, true}) {
        SCOPED_TRACE(transparency);
        ExpectLoadsAs(MakePicture(PNG_COLOR_TYPE_PALETTE, 4, 23, 9, 77, transparency, 11));
        ExpectLoadsAs(MakePicture(PNG_COLOR_TYPE_PALETTE, 8, 23, 9, 78, transparency, 100));
    }
}

// Adam7 passes are empty for some rows and columns of small pictures.
TEST_F(PngLoad, InterlacedAtEverySmallSize) {
    std::uint64_t seed = 100;
    for (int width = 1; width <= 17; ++width) {
        for (int height = 1; height <= 17; height += (height < 9 ? 1 : 4)) {
            for (const int colorType : {PNG_COLOR_TYPE_RGB_ALPHA, PNG_COLOR_TYPE_PALETTE}) {
                SCOPED_TRACE(testing::Message() << width << "x" << height << " type " << colorType);
                PngPicture picture =
                    MakePicture(colorType, colorType == PNG_COLOR_TYPE_PALETTE ? 2 : 8, width,
                                height, seed++, false);
                picture.interlaced = true;
                ExpectLoadsAs(picture);
            }
        }
    }
}

// Inserts a chunk right after IHDR (or before IEND), with its CRC.
Bytes WithChunk(Bytes png, const std::string& type, const Bytes& data, bool beforeEnd = false) {
    Bytes chunk;
    chunk.reserve(12 + data.size());
    const auto length = static_cast<std::uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        chunk.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    for (const char c : type) {  // one at a time: GCC's -O3 misreads a range insert here
        chunk.push_back(static_cast<std::uint8_t>(c));
    }
    chunk.insert(chunk.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
    for (int shift = 24; shift >= 0; shift -= 8) {
        chunk.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
    const std::size_t at = beforeEnd ? png.size() - 12 : 33;
    png.insert(png.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
    return png;
}

TEST_F(PngLoad, ColoursAreTakenAsStored) {
    for (const int depth : {8, 16}) {
        SCOPED_TRACE(depth);
        const PngPicture picture = MakePicture(PNG_COLOR_TYPE_RGB_ALPHA, depth, 16, 16, 5, false);
        const Bytes plain = Encode(picture);
        // Gamma 1/2.2 (as 1/100000 units), sRGB, a chromaticity set and a
        // colour profile that is not even a profile: none of them changes a
        // value and none of them stops the load.
        Bytes dressed = WithChunk(plain, "gAMA", {0x00, 0x00, 0xB1, 0x8F});
        dressed = WithChunk(dressed, "sRGB", {0});
        dressed = WithChunk(dressed, "cHRM", Bytes(32, 0x11));
        Bytes iccp = {'x', 0, 0};  // name, separator, deflate method, then junk
        iccp.insert(iccp.end(), 40, 0x5A);
        dressed = WithChunk(dressed, "iCCP", iccp);
        dressed = WithChunk(dressed, "tEXt", {'k', 0, 'v'}, true);
        dressed = WithChunk(dressed, "quIl", {1, 2, 3});  // unknown, ancillary
        ImageSurface surface;
        ASSERT_EQ(LoadBytes(dressed, surface), ImageSurface::kLoaded);
        EXPECT_EQ(SurfaceBytes(surface), Expected(picture));
    }
}

TEST_F(PngLoad, UnknownCriticalChunkFails) {
    const Bytes plain = Encode(MakePicture(PNG_COLOR_TYPE_RGB, 8, 4, 4, 6, false));
    ImageSurface surface;
    EXPECT_EQ(LoadBytes(WithChunk(plain, "QUIL", {1, 2, 3}), surface), ImageSurface::kLoadFailed);
    EXPECT_TRUE(surface.IsNull());
}

TEST_F(PngLoad, AncillaryChunkWithBadCrcFails) {
    const PngPicture picture = MakePicture(PNG_COLOR_TYPE_PALETTE, 8, 4, 4, 7, true);
    ImageSurface surface;
    ASSERT_EQ(LoadBytes(Encode(picture), surface), ImageSurface::kLoaded);
    // The last byte of the tRNS chunk's CRC: dropping the chunk instead
    // would load the picture without its transparency.
    Bytes damaged = Encode(picture);
    const std::string trns = "tRNS";
    const auto at = std::search(damaged.begin(), damaged.end(), trns.begin(), trns.end());
    ASSERT_NE(at, damaged.end());
    const std::size_t length = picture.paletteAlpha.size();
    *(at + 4 + static_cast<std::ptrdiff_t>(length) + 3) ^= 0x01;
    EXPECT_EQ(LoadBytes(damaged, surface), ImageSurface::kLoadFailed);
    EXPECT_TRUE(surface.IsNull());
}

TEST_F(PngLoad, PaletteIndexBeyondThePaletteFails) {
    PngPicture picture = MakePicture(PNG_COLOR_TYPE_PALETTE, 4, 5, 3, 8, false, 6);
    picture.samples[7] = 12;  // the palette has 6 entries
    const Bytes bytes = Encode(picture, false);
    ImageSurface surface;
    EXPECT_EQ(LoadBytes(bytes, surface), ImageSurface::kLoadFailed);
    EXPECT_TRUE(surface.IsNull());
}

// A signature and an IHDR chunk with a valid CRC, then IEND.
Bytes HeaderOnly(std::uint32_t width, std::uint32_t height, std::uint8_t depth = 8,
                 std::uint8_t colorType = PNG_COLOR_TYPE_RGB_ALPHA) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (const std::uint32_t side : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            png.push_back(static_cast<std::uint8_t>(side >> shift));
        }
    }
    png.insert(png.end(), {depth, colorType, 0, 0, 0});
    const uLong crc = crc32(0L, png.data() + 12, 17);
    for (int shift = 24; shift >= 0; shift -= 8) {
        png.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
    png.insert(png.end(), {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
    return png;
}

TEST_F(PngLoad, SizeGuardReadsTheHeaderFirst) {
    struct Case {
        std::uint32_t width, height;
        int status;
    };
    const Case cases[] = {
        {30000, 30000, ImageSurface::kLoadTooLarge},  // each side fits, the area does not
        {40000, 10, ImageSurface::kLoadTooLarge},
        {10, 40000, ImageSurface::kLoadTooLarge},
        {32768, 1, ImageSurface::kLoadTooLarge},
        {1, 32768, ImageSurface::kLoadTooLarge},
        {16385, 16384, ImageSurface::kLoadTooLarge},
        {0x80000000u, 1, ImageSurface::kLoadTooLarge},
        {0xFFFFFFFFu, 0xFFFFFFFFu, ImageSurface::kLoadTooLarge},
        // Within the limits: refused only because there is no image data.
        {32767, 1, ImageSurface::kLoadFailed},
        {16384, 16384, ImageSurface::kLoadFailed},
        {32767, 8192, ImageSurface::kLoadFailed},
        {0, 5, ImageSurface::kLoadFailed},
        {5, 0, ImageSurface::kLoadFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        ImageSurface surface;
        ASSERT_TRUE(surface.Create(3, 3, 32, true));
        EXPECT_EQ(LoadBytes(HeaderOnly(c.width, c.height), surface), c.status);
        EXPECT_TRUE(surface.IsNull());
        // Whatever follows the header does not matter.
        Bytes padded = HeaderOnly(c.width, c.height);
        padded.insert(padded.end() - 12, 5000, 0xEE);
        EXPECT_EQ(LoadBytes(padded, surface), c.status);
    }
}

TEST_F(PngLoad, HeaderWithBadCrcIsDamageNotSize) {
    Bytes png = HeaderOnly(30000, 30000);
    png[29] ^= 0x40;
    ImageSurface surface;
    EXPECT_EQ(LoadBytes(png, surface), ImageSurface::kLoadFailed);
}

// An image data chunk far too short for the picture its header declares:
// refused before the pixel memory (here 1 GiB) is taken.
TEST_F(PngLoad, TinyFileDeclaringAHugePictureFails) {
    Bytes png = HeaderOnly(16384, 16384);
    const Bytes idat = {0x78, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF};
    png = WithChunk(png, "IDAT", idat, true);
    ImageSurface surface;
    EXPECT_EQ(LoadBytes(png, surface), ImageSurface::kLoadFailed);
    EXPECT_TRUE(surface.IsNull());
}

// The check above must not refuse real files that compress extremely well.
TEST_F(PngLoad, HighlyCompressedFileLoads) {
    PngPicture picture;
    picture.width = 2048;
    picture.height = 2048;
    picture.colorType = PNG_COLOR_TYPE_GRAY;
    picture.bitDepth = 16;
    picture.samples.assign(2048 * 2048, 0);
    const Bytes png = Encode(picture);
    EXPECT_LT(png.size(), 16u * 1024u);
    ImageSurface surface;
    ASSERT_EQ(LoadBytes(png, surface), ImageSurface::kLoaded);
    EXPECT_EQ(surface.GetBPP(), 24);
    EXPECT_EQ(SurfaceBytes(surface), Bytes(2048u * 2048u * 3u, 0));
}

TEST_F(PngLoad, NotAPngFails) {
    const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes garbage = signature;
    garbage.insert(garbage.end(), 100, 0x42);
    const std::vector<Bytes> files = {
        {},
        {'h', 'e', 'l', 'l', 'o'},
        signature,
        garbage,
        {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0},
        Bytes(200, 0),
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        ImageSurface surface;
        ASSERT_TRUE(surface.Create(2, 2, 24, false));
        EXPECT_EQ(LoadBytes(files[i], surface), ImageSurface::kLoadFailed);
        EXPECT_TRUE(surface.IsNull());
        EXPECT_EQ(surface.GetWidth(), 0);
        EXPECT_FALSE(surface.HasAlphaChannel());
    }
}

TEST_F(PngLoad, MissingFileAndFolderFail) {
    ImageSurface surface;
    EXPECT_EQ(surface.Load(dir_ / "missing.png"), ImageSurface::kLoadFailed);
    EXPECT_EQ(surface.Load(""), ImageSurface::kLoadFailed);
    std::filesystem::create_directory(dir_ / "folder.png");
    EXPECT_EQ(surface.Load(dir_ / "folder.png"), ImageSurface::kLoadFailed);
    EXPECT_EQ(surface.Load(dir_.path().string()), ImageSurface::kLoadFailed);
    EXPECT_TRUE(surface.IsNull());
}

TEST_F(PngLoad, LoadReplacesThePreviousPicture) {
    ImageSurface surface;
    ASSERT_EQ(LoadBytes(Encode(MakePicture(PNG_COLOR_TYPE_RGB_ALPHA, 8, 9, 4, 11, false)), surface),
              ImageSurface::kLoaded);
    const PngPicture rgb = MakePicture(PNG_COLOR_TYPE_RGB, 8, 3, 7, 12, false);
    ASSERT_EQ(LoadBytes(Encode(rgb), surface), ImageSurface::kLoaded);
    EXPECT_EQ(surface.GetBPP(), 24);
    EXPECT_FALSE(surface.HasAlphaChannel());
    EXPECT_EQ(SurfaceBytes(surface), Expected(rgb));
}

// The damage pass: small valid files cut at every length and with every bit
// flipped must fail cleanly (the sanitizer build checks the "cleanly").
// With the chunk CRC recomputed after the flip, so that the damage reaches
// the decoder, damaged image data may load only if its pixels are exactly
// the original (zlib's Adler-32 sees every change; unused padding bits are
// the only freedom). Other chunks changed that way are valid files that say
// something else, so there only a clean result is required.
class PngDamage : public PngLoad {
  protected:
    struct Chunk {
        std::size_t start;   // offset of the length field
        std::size_t length;  // of the data
    };

    static std::vector<Chunk> Chunks(const Bytes& png) {
        std::vector<Chunk> chunks;
        std::size_t at = 8;
        while (at + 12 <= png.size()) {
            const std::size_t length = static_cast<std::size_t>(png[at]) << 24 |
                                       static_cast<std::size_t>(png[at + 1]) << 16 |
                                       static_cast<std::size_t>(png[at + 2]) << 8 | png[at + 3];
            chunks.push_back({at, length});
            at += 12 + length;
        }
        return chunks;
    }

    static void FixCrc(Bytes& png, const Chunk& chunk) {
        const uLong crc =
            crc32(0L, png.data() + chunk.start + 4, static_cast<uInt>(chunk.length + 4));
        for (int i = 0; i < 4; ++i) {
            png[chunk.start + 8 + chunk.length + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        }
    }

    void RunDamagePass(const PngPicture& picture) {
        const Bytes original = Encode(picture);
        ImageSurface reference;
        ASSERT_EQ(LoadBytes(original, reference), ImageSurface::kLoaded);
        const Bytes pixels = SurfaceBytes(reference);

        for (std::size_t length = 0; length < original.size(); ++length) {
            ImageSurface surface;
            const Bytes cut(original.begin(),
                            original.begin() + static_cast<std::ptrdiff_t>(length));
            ASSERT_EQ(LoadBytes(cut, surface), ImageSurface::kLoadFailed) << "cut at " << length;
            ASSERT_TRUE(surface.IsNull());
        }

        for (std::size_t at = 0; at < original.size(); ++at) {
            for (int bit = 0; bit < 8; ++bit) {
                Bytes damaged = original;
                damaged[at] ^= static_cast<std::uint8_t>(1 << bit);
                ImageSurface surface;
                ASSERT_LT(LoadBytes(damaged, surface), 0) << "byte " << at << " bit " << bit;
                ASSERT_TRUE(surface.IsNull());
            }
        }

        int loaded = 0;
        int refused = 0;
        for (const Chunk& chunk : Chunks(original)) {
            const bool imageData =
                std::equal(original.begin() + static_cast<std::ptrdiff_t>(chunk.start + 4),
                           original.begin() + static_cast<std::ptrdiff_t>(chunk.start + 8), "IDAT");
            for (std::size_t at = chunk.start + 8; at < chunk.start + 8 + chunk.length; ++at) {
                for (int bit = 0; bit < 8; ++bit) {
                    Bytes damaged = original;
                    damaged[at] ^= static_cast<std::uint8_t>(1 << bit);
                    FixCrc(damaged, chunk);
                    ImageSurface surface;
                    const int status = LoadBytes(damaged, surface);
                    if (status == ImageSurface::kLoaded) {
                        ++loaded;
                        ASSERT_EQ(
                            SurfaceBytes(surface).size(),
                            static_cast<std::size_t>(surface.GetPitch() * surface.GetHeight()));
                        if (imageData) {
                            ASSERT_EQ(SurfaceBytes(surface), pixels)
                                << "byte " << at << " bit " << bit;
                            ASSERT_EQ(surface.GetWidth(), reference.GetWidth());
                            ASSERT_EQ(surface.GetBPP(), reference.GetBPP());
                        }
                    } else {
                        ++refused;
                        ASSERT_TRUE(surface.IsNull());
                    }
                }
            }
        }
        EXPECT_GT(refused, 0);
        RecordProperty("loaded_after_crc_fix", loaded);
        RecordProperty("refused_after_crc_fix", refused);
    }
};

TEST_F(PngDamage, Rgba) {
    RunDamagePass(MakePicture(PNG_COLOR_TYPE_RGB_ALPHA, 8, 6, 5, 21, false));
}

TEST_F(PngDamage, InterlacedPaletteWithTransparency) {
    PngPicture picture = MakePicture(PNG_COLOR_TYPE_PALETTE, 4, 9, 7, 22, true);
    picture.interlaced = true;
    RunDamagePass(picture);
}

TEST_F(PngDamage, Grey16WithTransparency) {
    RunDamagePass(MakePicture(PNG_COLOR_TYPE_GRAY, 16, 5, 4, 23, true));
}

}  // namespace
}  // namespace qm
