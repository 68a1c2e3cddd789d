// Round trip in memory: a small picture, in a pixel format and a shape taken
// from the input, is gathered into runs, built into .pvz bytes, decoded and
// placed again, and must come back as the picture quantised to the pixel
// format (decode(encode(colour))), pixel for pixel. With a flag the
// canonical texture also goes through both file drivers and must come back
// byte for byte.
//
// Input:
//   byte 0      pixel format, modulo 3
//   byte 1      bits 0..1: 0 square, 1 two squares side by side, 2 two squares
//               stacked, 3 rectangle (data-format code 9); bit 2: 24-bit
//               surface; bit 3: run the file drivers as well
//   bytes 2, 3  twiddled: side 2 << (byte 2 mod 6), so 2 to 64; rectangle:
//               width (byte 2 mod 128) + 1, height (byte 3 mod 64) + 1
//   byte 4      data-format code for twiddled shapes (7 and 9 are moved off)
//   bytes 5..16 header bytes 8..19
//   rest        records [count, alpha, red, green, blue] painting count + 1
//               pixels row by row; pixels past the last record repeat its
//               colour
//
// Pictures stay at or below 8192 pixels: larger ones take the same paths
// through the code, only more slowly.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/png_output.h"
#include "convert/png_to_pvz.h"
#include "convert/pvz_to_png.h"
#include "layout/gather.h"
#include "layout/surface_pixels.h"
#include "layout/twiddle.h"
#include "platform/file_io.h"
#include "platform/image_surface.h"
#include "target_support.h"
#include "texture/color_format.h"
#include "texture/color_run.h"
#include "texture/pvz_header.h"
#include "texture/pvz_writer.h"
#include "texture/texel_decode.h"

namespace {

using qm::ArgbColor;
using qm::ImageSurface;
using qm::TextureInfo;

enum class Shape { kSquare, kWide, kTall, kRectangle };

constexpr std::int64_t kDriverMaxPixels = 4096;

ArgbColor Quantised(std::uint8_t pixelFormat, const ArgbColor& c) {
    std::uint32_t value = 0;
    QM_FUZZ_CHECK(qm::ColorEncode(pixelFormat, c, value));
    QM_FUZZ_CHECK(value <= 0xFFFF);
    ArgbColor q;
    QM_FUZZ_CHECK(qm::ColorDecode(pixelFormat, value, q));
    return q;
}

void PutPixel(ImageSurface& s, int x, int y, const ArgbColor& c) {
    std::uint8_t* p = s.GetBits() + y * s.GetPitch() + x * (s.GetBPP() / 8);
    if (s.GetBPP() == 32) {
        qm::WritePixel32(p, c);
    } else {
        p[0] = static_cast<std::uint8_t>(c.blue);
        p[1] = static_cast<std::uint8_t>(c.green);
        p[2] = static_cast<std::uint8_t>(c.red);
    }
}

bool Gather(Shape shape, const ImageSurface& surface, const TextureInfo& info,
            std::vector<qm::ColorRun>& runs) {
    switch (shape) {
        case Shape::kRectangle:
            return qm::GetPngColor_Rect(surface, info, runs);
        case Shape::kSquare:
            return qm::GetPngColor_Squ(surface, info, runs);
        default:
            return qm::GetPngColor_SquEX(surface, info, runs);
    }
}

// Places decoded colours on a fresh 32-bit surface as CreatePng does.
void Place(const TextureInfo& info, const std::vector<ArgbColor>& colors, ImageSurface& surface) {
    QM_FUZZ_CHECK(surface.Create(info.width, info.height, 32, true));
    if (info.dataFormat == qm::data_format::kRectangle) {
        QM_FUZZ_CHECK(qm::SetPngColor_Rect(surface, info.width, info.height, colors));
        return;
    }
    std::vector<qm::TwiddleRegion> roots;
    QM_FUZZ_CHECK(qm::TwiddleRoots(info.width, info.height, roots));
    for (const qm::TwiddleRegion& root : roots) {
        QM_FUZZ_CHECK(qm::UntwiddleSquare(surface, root, colors));
    }
}

// Texture bytes for a surface: gathered, run-length encoded, built.
std::vector<std::uint8_t> BuildFrom(Shape shape, const ImageSurface& surface,
                                    const TextureInfo& info) {
    std::vector<qm::ColorRun> runs;
    QM_FUZZ_CHECK(Gather(shape, surface, info, runs));
    std::int64_t total = 0;
    for (const qm::ColorRun& run : runs) {
        QM_FUZZ_CHECK(run.repeat < qm::kMaxRunLength);
        total += run.repeat + 1;
    }
    QM_FUZZ_CHECK(total == qm::PixelCount(info));
    std::vector<std::uint8_t> bytes;
    QM_FUZZ_CHECK(qm::BuildPvzBytes(info, runs, bytes));
    QM_FUZZ_CHECK(bytes.size() == qm::kPvzHeaderSize + 3 * runs.size());
    return bytes;
}

// The canonical texture through ConvertPvzToPng and back through
// ConvertPngToPvz gives the same bytes.
void CheckDrivers(const std::vector<std::uint8_t>& canonical) {
    const std::string pvz = qm::fuzz::ScratchPath("r.pvz");
    QM_FUZZ_CHECK(qm::fuzz::WriteBytes(pvz, canonical));
    std::string name = pvz;
    std::string png;
    QM_FUZZ_CHECK(qm::ConvertPvzToPng(name, &png));
    qm::fuzz::RemoveFile(pvz);
    std::string written;
    QM_FUZZ_CHECK(qm::ConvertPngToPvz(png, &written));
    qm::fuzz::RemoveFile(png);
    QM_FUZZ_CHECK(written == pvz);
    std::vector<std::uint8_t> back;
    QM_FUZZ_CHECK(qm::ReadWholeFile(pvz, back, canonical.size() + 1) == qm::ReadStatus::kOk);
    qm::fuzz::RemoveFile(pvz);
    QM_FUZZ_CHECK(back == canonical);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qm::fuzz::QuietMessages quiet;
    qm::fuzz::InputReader input(std::span<const std::uint8_t>(data, size));
    TextureInfo info;
    info.pixelFormat = static_cast<std::uint8_t>(input.Byte() % 3);
    const std::uint8_t shapeByte = input.Byte();
    const auto shape = static_cast<Shape>(shapeByte & 3);
    const int bpp = (shapeByte & 4) != 0 ? 24 : 32;
    const bool runDrivers = (shapeByte & 8) != 0;
    const std::uint8_t sizeA = input.Byte();
    const std::uint8_t sizeB = input.Byte();
    std::uint8_t dataFormat = input.Byte();
    if (shape == Shape::kRectangle) {
        info.width = static_cast<std::int16_t>(sizeA % 128 + 1);
        info.height = static_cast<std::int16_t>(sizeB % 64 + 1);
        info.dataFormat = qm::data_format::kRectangle;
    } else {
        const int side = 2 << (sizeA % 6);
        info.width = static_cast<std::int16_t>(shape == Shape::kWide ? 2 * side : side);
        info.height = static_cast<std::int16_t>(shape == Shape::kTall ? 2 * side : side);
        if (dataFormat == qm::data_format::kPalette8 || dataFormat == qm::data_format::kRectangle) {
            dataFormat ^= 0x10;
        }
        info.dataFormat = dataFormat;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < qm::kHeaderBytesLength; ++i) {
        const std::uint8_t b = input.Byte();
        info.headerText += kDigits[b >> 4];
        info.headerText += kDigits[b & 0xF];
    }
    info.texturePath = qm::fuzz::ScratchPath("r.pvz");

    // Paint the picture and keep its quantised form.
    const int width = info.width;
    const int height = info.height;
    ImageSurface picture;
    QM_FUZZ_CHECK(picture.Create(width, height, bpp, bpp == 32));
    std::vector<ArgbColor> expected;
    expected.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    ArgbColor color;
    std::uint32_t left = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (left == 0 && input.Remaining() >= 5) {
                left = input.Byte() + 1u;
                color.alpha = input.Byte();
                color.red = input.Byte();
                color.green = input.Byte();
                color.blue = input.Byte();
            }
            if (left > 0) {
                --left;
            }
            PutPixel(picture, x, y, color);
            ArgbColor stored = color;
            if (bpp == 24) {
                stored.alpha = qm::kOpaque;
            }
            expected.push_back(Quantised(info.pixelFormat, stored));
        }
    }

    const std::vector<std::uint8_t> bytes = BuildFrom(shape, picture, info);
    picture.Destroy();

    TextureInfo read;
    QM_FUZZ_CHECK(qm::ReadPvzHeader(bytes, read));
    QM_FUZZ_CHECK(read.width == info.width && read.height == info.height);
    QM_FUZZ_CHECK(read.pixelFormat == info.pixelFormat);
    QM_FUZZ_CHECK(read.dataFormat == info.dataFormat);
    QM_FUZZ_CHECK(read.headerText == info.headerText);
    read.texturePath = info.texturePath;

    std::vector<ArgbColor> colors;
    QM_FUZZ_CHECK(qm::ReadColorData2Byte(bytes, read, colors));
    QM_FUZZ_CHECK(static_cast<std::int64_t>(colors.size()) == qm::PixelCount(read));
    ImageSurface placed;
    Place(read, colors, placed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const ArgbColor got = qm::ReadPixel32(placed.GetBits() + y * placed.GetPitch() + x * 4);
            QM_FUZZ_CHECK(got ==
                          expected[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                   static_cast<std::size_t>(x)]);
        }
    }

    if (runDrivers && qm::PixelCount(read) <= kDriverMaxPixels) {
        // The quantised picture is a fixed point: built again it gives the
        // texture that the drivers must reproduce.
        CheckDrivers(BuildFrom(shape, placed, read));
    }
    return 0;
}
