// The bytes of an input as a texture, through the memory codec: header, size
// guard, run walk and texel decoding (with a palette taken from the same
// input), then placement on a surface the way CreatePng places it; the whole
// memory decode (DecodePvz) must agree with those pieces. Now and then the
// file driver runs on the same bytes and must agree too.
//
// Pictures beyond the program's limit must be refused by the driver with
// "too large" and no PNG, which costs no pixel memory, so it is checked on
// every such input. Pictures within the limit but larger than 256 x 256 are
// skipped: decoding them only makes executions slow, not different.
//
// Input:
//   byte 0          flags: bit 0 a palette follows; bits 1..3 all set: also
//                   run ConvertPvzToPng and compare its PNG
//   (bit 0 set)     palette length, unsigned 16-bit little-endian, then that
//                   many bytes, written to <scratch>/t.pvp
//   rest            the texture file
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec/pvz_decode.h"
#include "convert/png_name.h"
#include "convert/png_output.h"
#include "convert/pvz_to_png.h"
#include "layout/surface_pixels.h"
#include "layout/twiddle.h"
#include "platform/image_surface.h"
#include "platform/messages.h"
#include "platform/png_file.h"
#include "target_support.h"
#include "texture/palette.h"
#include "texture/pvz_header.h"
#include "texture/texel_decode.h"

namespace {

using qm::ArgbColor;
using qm::ImageSurface;
using qm::TextureInfo;

// Pictures within the limit but larger than this are skipped.
constexpr std::int64_t kFuzzMaxPixels = 256 * 256;
// The driver (which also encodes and decodes a PNG) runs only on small ones.
constexpr std::int64_t kDriverMaxPixels = 64 * 64;

constexpr std::uint8_t kPaletteFollows = 0x01;
constexpr std::uint8_t kRunDriverMask = 0x0E;

ArgbColor PixelAt(const ImageSurface& surface, int x, int y) {
    return qm::ReadPixel32(surface.GetBits() + y * surface.GetPitch() + x * 4);
}

// Places the colours as CreatePng does and checks every pixel against the
// stream position it must come from. Returns false (surface empty) for
// shapes CreatePng refuses.
bool PlaceAndCheck(const TextureInfo& info, const std::vector<ArgbColor>& colors,
                   ImageSurface& surface) {
    const int width = info.width;
    const int height = info.height;
    if (info.dataFormat == qm::data_format::kRectangle) {
        if (width <= 0 || height <= 0) {
            return false;
        }
        QM_FUZZ_CHECK(surface.Create(width, height, 32, true));
        QM_FUZZ_CHECK(qm::SetPngColor_Rect(surface, width, height, colors));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                QM_FUZZ_CHECK(PixelAt(surface, x, y) ==
                              colors[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                     static_cast<std::size_t>(x)]);
            }
        }
        return true;
    }
    std::vector<qm::TwiddleRegion> roots;
    if (!qm::TwiddleRoots(width, height, roots)) {
        return false;
    }
    QM_FUZZ_CHECK(surface.Create(width, height, 32, true));
    std::int64_t covered = 0;
    for (const qm::TwiddleRegion& root : roots) {
        QM_FUZZ_CHECK(qm::UntwiddleSquare(surface, root, colors));
        covered += static_cast<std::int64_t>(root.side) * root.side;
    }
    QM_FUZZ_CHECK(covered == qm::PixelCount(info));
    for (const qm::TwiddleRegion& root : roots) {
        for (int y = 0; y < root.side; ++y) {
            for (int x = 0; x < root.side; ++x) {
                const std::uint32_t position =
                    root.firstPosition +
                    qm::TwiddleOffset(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
                QM_FUZZ_CHECK(PixelAt(surface, root.x + x, root.y + y) == colors[position]);
            }
        }
    }
    return true;
}

// The driver on the same bytes must succeed exactly when the pieces did, and
// its PNG must hold the placed picture.
void CheckDriver(std::span<const std::uint8_t> texture, bool piecesOk, const ImageSurface& placed) {
    const std::string path = qm::fuzz::ScratchPath("t.pvz");
    QM_FUZZ_CHECK(qm::fuzz::WriteBytes(path, texture));
    std::string name = path;
    std::string written;
    const bool converted = qm::ConvertPvzToPng(name, &written);
    QM_FUZZ_CHECK(converted == piecesOk);
    if (!converted) {
        return;
    }
    ImageSurface loaded;
    QM_FUZZ_CHECK(LoadPngFile(written, loaded) == qm::kPngLoaded);
    qm::fuzz::RemoveFile(written);
    QM_FUZZ_CHECK(loaded.GetWidth() == placed.GetWidth());
    QM_FUZZ_CHECK(loaded.GetHeight() == placed.GetHeight());
    QM_FUZZ_CHECK(loaded.GetBPP() == 32);
    for (int y = 0; y < placed.GetHeight(); ++y) {
        for (int x = 0; x < placed.GetWidth(); ++x) {
            QM_FUZZ_CHECK(PixelAt(loaded, x, y) == PixelAt(placed, x, y));
        }
    }
}

// A texture beyond the limit: the driver refuses it with exactly one "too
// large" message before any pixel memory is taken, and writes nothing.
void CheckSizeGuard(std::span<const std::uint8_t> texture, const TextureInfo& info) {
    const std::string path = qm::fuzz::ScratchPath("t.pvz");
    QM_FUZZ_CHECK(qm::fuzz::WriteBytes(path, texture));
    std::string name = path;
    bool converted = false;
    {
        const qm::fuzz::RecordedMessages messages;
        converted = qm::ConvertPvzToPng(name);
        QM_FUZZ_CHECK(messages.shown.size() == 1 && messages.shown[0] == qm::msg::kTooLarge);
    }
    QM_FUZZ_CHECK(!converted);
    QM_FUZZ_CHECK(::access(qm::BuildPngName(info).c_str(), F_OK) != 0);
}

// Texels appended to an array, as they arrive.
class ColorCollector final : public qm::TexelSink {
  public:
    explicit ColorCollector(std::vector<ArgbColor>& colors) : colors_(colors) {}
    void Append(std::span<const qm::TexelRun> runs) override {
        for (const qm::TexelRun& run : runs) {
            colors_.insert(colors_.end(), run.count, qm::ToArgbColor(run.pixel));
        }
    }
    void PadTo(std::size_t count) override { colors_.resize(count, ArgbColor{}); }

  private:
    std::vector<ArgbColor>& colors_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qm::fuzz::QuietMessages quiet;
    qm::fuzz::InputReader input(std::span<const std::uint8_t>(data, size));
    const std::uint8_t flags = input.Byte();
    const std::string palettePath = qm::fuzz::ScratchPath("t.pvp");
    std::optional<std::span<const std::uint8_t>> paletteBytes;
    if ((flags & kPaletteFollows) != 0) {
        const std::size_t length = input.Le16();
        paletteBytes = input.Bytes(length);
        QM_FUZZ_CHECK(qm::fuzz::WriteBytes(palettePath, *paletteBytes));
    } else {
        qm::fuzz::RemoveFile(palettePath);
    }
    const std::span<const std::uint8_t> texture = input.Rest();

    TextureInfo info;
    const qm::Status header = qm::ReadPvzInfo(texture, qm::Limits{}, info);
    if (header == qm::Status::kHeaderTooShort) {
        QM_FUZZ_CHECK(texture.size() < qm::kPvzHeaderSize);
        return 0;
    }
    info.texturePath = qm::fuzz::ScratchPath("t.pvz");
    info.palettePath = palettePath;
    const std::int64_t pixels = qm::PixelCount(info);
    if (pixels > qm::kMaxPixelCount) {
        QM_FUZZ_CHECK(header == qm::Status::kPictureTooLarge);
        CheckSizeGuard(texture, info);
        return 0;
    }
    QM_FUZZ_CHECK(header == qm::Status::kOk);
    if (pixels > kFuzzMaxPixels) {
        return 0;
    }

    // The pieces: palette, texels into an array, placement.
    std::vector<ArgbColor> colors;
    qm::Status status = qm::Status::kOk;
    if (info.dataFormat == qm::data_format::kPalette8) {
        status = paletteBytes ? qm::ParsePalette(*paletteBytes, info.palette)
                              : qm::Status::kPaletteMissing;
    }
    ColorCollector collector(colors);
    std::uint64_t padded = 0;
    if (status == qm::Status::kOk) {
        status = qm::DecodeTexels(texture, info, collector, padded);
    }
    const bool decoded = status == qm::Status::kOk;
    ImageSurface surface;
    bool placed = false;
    if (decoded) {
        // A decoded stream is padded or cut to exactly the picture.
        QM_FUZZ_CHECK(static_cast<std::int64_t>(colors.size()) == (pixels > 0 ? pixels : 0));
        placed = PlaceAndCheck(info, colors, surface);
    }
    // The whole memory decode agrees with the pieces: the same status (a
    // shape that cannot be placed once the texels decoded), the same pixels.
    qm::DecodedPvz whole;
    const qm::Status all = qm::DecodePvz(texture, paletteBytes, qm::Limits{}, whole);
    QM_FUZZ_CHECK((all == qm::Status::kOk) == (decoded && placed));
    QM_FUZZ_CHECK(decoded ? (all == qm::Status::kOk || all == qm::Status::kShapeNotPlaceable)
                          : all == status);
    if (all == qm::Status::kOk) {
        QM_FUZZ_CHECK(whole.paddedTexels == padded);
        for (int y = 0; y < surface.GetHeight(); ++y) {
            for (int x = 0; x < surface.GetWidth(); ++x) {
                QM_FUZZ_CHECK(PixelAt(whole.surface, x, y) == PixelAt(surface, x, y));
            }
        }
    }
    if ((flags & kRunDriverMask) == kRunDriverMask && pixels <= kDriverMaxPixels) {
        colors.clear();
        colors.shrink_to_fit();
        CheckDriver(texture, decoded && placed, surface);
    }
    return 0;
}
