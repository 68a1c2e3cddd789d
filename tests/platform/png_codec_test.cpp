// ImageSurface: every PNG kind, hostile files, size guards, exact round trips.
#include <gtest/gtest.h>

#include "platform/image_surface.h"
#include "platform/png_file.h"
#include "support/child_process.h"
#include "support/png_bytes.h"

namespace qm::test {
namespace {

constexpr int kFailed = kPngLoadFailed;

// Random samples and the pixels Load gives: low depths scaled up, 16 bits cut to the high
// byte. Palettes are shorter than the depth allows; with tRNS, all but the last colour have alpha.
std::pair<PngPicture, std::vector<ArgbColor>> Picture(int type, int depth, int variant) {
    Random random(static_cast<std::uint64_t>(type * 100 + depth * 4 + variant));
    PngPicture p{37, 11, type, depth, variant % 2 == 1, {}, {}, {}};
    const int n = ChannelsOf(type), levels = type == 3 ? std::min(1 << depth, 11) : 1 << depth;
    std::vector<ArgbColor> colours, pixels;
    for (int i = 0; type == 3 && i < levels; ++i) {
        ArgbColor& c = colours.emplace_back(random.Color());
        p.palette.push_back({std::uint8_t(c.red), std::uint8_t(c.green), std::uint8_t(c.blue)});
        c.alpha = variant > 1 && i + 1 < levels ? p.transparency.emplace_back(c.alpha) : 255;
    }
    for (int i = 0; i < 37 * 11 * n; ++i) p.samples.push_back(random.Below(levels));
    auto at = [&](int i) -> std::uint32_t {
        return depth == 16 ? p.samples[i] >> 8 : p.samples[i] * 255 / (levels - 1);
    };
    for (int i = 0; i < 37 * 11 * n; i += n) {
        pixels.push_back({n % 2 ? 255 : at(i + n - 1), at(i), at(i + n / 3), at(i + n / 3 * 2)});
        if (type == 3) pixels.back() = colours[p.samples[i]];
    }
    return {p, pixels};
}

constexpr int kFormats[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                               {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

TEST(PngLoad, EveryColourTypeAndDepthPlainOrInterlacedWithOrWithoutPaletteAlpha) {
    TempDir dir;
    for (const auto& [type, depth] : kFormats) {
        for (int variant = 0; variant < (type == 3 ? 4 : 2); ++variant) {  // tRNS, interlaced
            SCOPED_TRACE(testing::Message() << type << "/" << depth << "/" << variant);
            const auto [png, pixels] = Picture(type, depth, variant);
            WriteFile(dir / "in.png", PngBytes(png));
            int bpp = 0;
            EXPECT_EQ(PixelsOf(dir / "in.png", &bpp), pixels);
            EXPECT_EQ(bpp, (type >= 4 || variant > 1) ? 32 : 24);
        }
    }
}

// A tiny interlaced file whose header declares another size.
Bytes Declaring(std::uint32_t w, std::uint32_t h) {
    Bytes png = PngBytes({1, 1, 6, 8, true, {1, 2, 3, 4}, {}, {}});
    Bytes ihdr(png.begin() + 16, png.begin() + 29);
    for (int i = 0; i < 8; ++i) ihdr[i] = std::uint8_t((i < 4 ? w : h) >> (24 - 8 * (i % 4)));
    std::ranges::copy(PngChunk("IHDR", ihdr), png.begin() + 8);
    return png;
}

Bytes BadCrc(Bytes png, const char* type) {
    for (const ChunkSpan& c : PngChunks(png)) png[c.offset + 11 + c.length] ^= c.type == type;
    return png;
}

// In a child whose peak memory shows no refusal took what the header declares.
TEST(PngLoad, HostileFilesAreRefusedBeforeTakingMemory) {
    TempDir dir;
    const Bytes good = PngBytes(Picture(3, 4, 2).first);
    PngPicture stray = Picture(3, 4, 0).first, longTrns = stray;
    stray.samples[7] = 12;  // 11 colours
    longTrns.transparency.assign(12, 0);
    PngPicture greyTrns = Picture(0, 8, 0).first, rgbTrns = Picture(2, 8, 0).first,
               rgbaTrns = Picture(6, 8, 0).first;
    greyTrns.transparency = {0, 1, 0, 2};
    rgbTrns.transparency = {0, 1};
    rgbaTrns.transparency.assign(6, 0);
    const std::tuple<std::string, Bytes, int> rows[] = {
        {"stray palette index", PngBytes(stray), kFailed},
        {"tRNS longer than the palette", PngBytes(longTrns), kFailed},
        {"grey tRNS of 4 bytes", PngBytes(greyTrns), kFailed},
        {"RGB tRNS of 2 bytes", PngBytes(rgbTrns), kFailed},
        {"tRNS beside an alpha channel", PngBytes(rgbaTrns), kFailed},
        {"unknown critical chunk", InsertChunkBefore(good, "IDAT", PngChunk("QUIL", {})), kFailed},
        {"bad IDAT CRC", BadCrc(good, "IDAT"), kFailed},
        {"bad tRNS CRC", BadCrc(good, "tRNS"), kFailed},
        {"not a PNG", Bytes(200, 'x'), kFailed},
        {"32768 x 1", Declaring(32768, 1), kPngLoadTooLarge},
        {"16385 x 16384", Declaring(16385, 16384), kPngLoadTooLarge},
        {"2^32-1 squared", Declaring(0xFFFFFFFF, 0xFFFFFFFF), kPngLoadTooLarge},
        {"16384 x 16384 interlaced (zeroed) in too few bytes", Declaring(16384, 16384), kFailed},
    };
    const ChildResult child = RunInChild({}, [&] {
        std::string wrong;
        ImageSurface surface;
        for (const auto& [what, bytes, status] : rows) {
            WriteFile(dir / "in.png", bytes);
            wrong += LoadPngFile(dir / "in.png", surface) == status && surface.IsNull()
                         ? ""
                         : what + "; ";
        }
        return wrong + (PeakMemoryKiB() < 512 * 1024 ? "" : "memory taken");
    });
    EXPECT_EQ(child.report, "") << child.problem;
}

TEST(PngSave, RoundTripIsExact) {
    TempDir dir;
    for (const auto& [w, bpp, alpha] :
         {std::tuple{257, 32, true}, {1, 32, true}, {7, 24, false}, {33, 32, false}}) {
        ImageSurface saved, loaded;
        ASSERT_TRUE(saved.Create(w, 9, bpp, alpha));
        Random random(static_cast<std::uint64_t>(w));  // every fourth alpha 0, colour kept
        std::generate_n(saved.GetBits(), saved.GetPitch() * 9,
                        [&, i = 0]() mutable { return i++ % 16 == 3 ? 0 : random.Next(); });
        std::vector<ArgbColor> expected = PixelsOf(saved);
        for (ArgbColor& c : expected) c.alpha = alpha ? c.alpha : 255;
        ASSERT_TRUE(SavePngFile(saved, dir / "out.PNG") &&
                    !SavePngFile(saved, dir / "out.png.jpg"));
        ASSERT_EQ(LoadPngFile(dir / "out.PNG", loaded), kPngLoaded);
        EXPECT_EQ(loaded.GetBPP(), alpha ? 32 : 24);
        EXPECT_EQ(PixelsOf(loaded), expected) << w << " " << bpp;
    }
}

}  // namespace
}  // namespace qm::test
