#include <gtest/gtest.h>

#include "convert/convert_test_support.h"
#include "platform/messages.h"

namespace qm {
namespace {

using test::Outcome;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

Texts Shown(std::string_view text) {
    return {std::string(text)};
}

Bytes Texture(std::uint8_t pf, std::uint8_t df, std::int16_t w, std::int16_t h,
              const Bytes& stream) {
    Bytes file = test::MakePvzHeader(pf, df, w, h, {8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

// A stream of single texels 0, 1, 2, ... in RGB565 so each pixel tells its
// stream position (blue channel holds 8 * (i mod 32), green the rest).
Bytes CountingStream(int n) {
    Bytes s;
    for (int i = 0; i < n; ++i) {
        s.push_back(static_cast<std::uint8_t>(i & 0xFF));
        s.push_back(static_cast<std::uint8_t>(i >> 8));
        s.push_back(0);
    }
    return s;
}

TEST(ConvertPvzToPng, RefusesBadNamesAndFiles) {
    test::TempDir dir;
    EXPECT_EQ(test::PvzToPng(dir / "wall.Pvz").shown, Shown(msg::kNotPvzExtension));
    EXPECT_EQ(test::PvzToPng(dir / "wall.pvz.bak").shown, Shown(msg::kNotPvzExtension));
    EXPECT_EQ(test::PvzToPng(dir / "wall").shown, Shown(msg::kNotPvzExtension));
    EXPECT_EQ(test::PvzToPng("").shown, Shown(msg::kNotPvzExtension));
    EXPECT_EQ(test::PvzToPng(dir / "missing.pvz").shown, Shown(msg::kReadFailed));
    test::WriteFile(dir / "x.pvz", {});
    EXPECT_EQ(test::PvzToPng(dir / "x.pvz").shown, Shown(msg::kError));
    test::WriteFile(dir / "short.pvz", Bytes(35, 0));
    EXPECT_EQ(test::PvzToPng(dir / "short.pvz").shown, Shown(msg::kError));
    std::filesystem::create_directory(dir / "folder.pvz");
    EXPECT_EQ(test::PvzToPng(dir / "folder.pvz").shown, Shown(msg::kError));
    // 40 bytes that declare 32767 x 32767: refused before any pixel memory.
    test::WriteFile(dir / "huge.pvz", Texture(1, 1, 32767, 32767, {0, 0, 0, 0}));
    EXPECT_EQ(test::PvzToPng(dir / "huge.pvz").shown, Shown(msg::kTooLarge));
    // -32768 squared is positive and too large as well.
    test::WriteFile(dir / "neg.pvz", Texture(1, 1, -32768, -32768, {}));
    EXPECT_EQ(test::PvzToPng(dir / "neg.pvz").shown, Shown(msg::kTooLarge));
    EXPECT_EQ(dir.List(), (Texts{"folder.pvz", "huge.pvz", "neg.pvz", "short.pvz", "x.pvz"}));
}

TEST(ConvertPvzToPng, RectangleLayoutRowByRow) {
    test::TempDir dir;
    test::WriteFile(dir / "r.pvz", Texture(1, 9, 3, 2, CountingStream(6)));
    const Outcome out = test::PvzToPng(dir / "r.pvz");
    ASSERT_TRUE(out.ok);
    const auto pixels = test::PixelsOf(dir / ("r_" + test::kSuffix0109 + ".png"));
    ASSERT_EQ(pixels.size(), 6u);
    for (std::uint32_t i = 0; i < 6; ++i) EXPECT_EQ(pixels[i].blue, i * 255 / 31);
}

TEST(ConvertPvzToPng, TwiddledShapesAndRefusals) {
    test::TempDir dir;
    struct Case {
        std::int16_t w, h;
        bool ok;
    };
    for (const Case c :
         {Case{8, 8, true}, Case{8, 4, true}, Case{4, 8, true}, Case{1, 1, true}, Case{2, 1, true},
          Case{8, 2, false}, Case{6, 6, false}, Case{12, 6, false}, Case{0, 0, false}}) {
        const std::string name = dir / "t.pvz";
        test::WriteFile(name, Texture(1, 1, c.w, c.h, CountingStream(c.w * c.h)));
        const Outcome out = test::PvzToPng(name);
        EXPECT_EQ(out.ok, c.ok) << c.w << "x" << c.h;
        if (!c.ok) {
            EXPECT_EQ(out.shown, Shown(msg::kCreatePngUnsupported)) << c.w << "x" << c.h;
        }
        const std::string png = dir /
                                "t_08000000010000000000000001"
                                "01.png";
        EXPECT_EQ(std::filesystem::exists(png), c.ok);
        std::filesystem::remove(png);
    }
    // A 4 x 2 picture: row 0 holds positions 0 2 4 6, row 1 holds 1 3 5 7.
    test::WriteFile(dir / "w.pvz", Texture(1, 13, 4, 2, CountingStream(8)));
    ASSERT_TRUE(test::PvzToPng(dir / "w.pvz").ok);
    std::vector<std::uint32_t> positions;
    for (const auto& p : test::PixelsOf(dir / "w_080000000100000000000000010d.png")) {
        positions.push_back((p.blue * 31 + 254) / 255);
    }
    EXPECT_EQ(positions, (std::vector<std::uint32_t>{0, 2, 4, 6, 1, 3, 5, 7}));
}

TEST(ConvertPvzToPng, RectangleOfZeroSideIsRefused) {
    test::TempDir dir;
    test::WriteFile(dir / "z.pvz", Texture(1, 9, 0, 5, {}));
    const Outcome out = test::PvzToPng(dir / "z.pvz");
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.shown, Shown(msg::kCreatePngUnsupported));
}

TEST(ConvertPvzToPng, KeepsAlphaAndWritesAlphaChannel) {
    test::TempDir dir;
    // ARGB4444 0x8123: alpha 136, red 17, green 34, blue 51.
    test::WriteFile(dir / "a.pvz", Texture(2, 9, 1, 1, {0x23, 0x81, 0}));
    ASSERT_TRUE(test::PvzToPng(dir / "a.pvz").ok);
    int bpp = 0;
    EXPECT_EQ(test::PixelsOf(dir / "a_08000000010000000000000002"
                                   "09.png",
                             &bpp),
              (std::vector<ArgbColor>{{136, 17, 34, 51}}));
    EXPECT_EQ(bpp, 32);
    // RGB565 has no alpha: the PNG still has an alpha channel, opaque.
    test::WriteFile(dir / "o.pvz", Texture(1, 9, 2, 1, {0x00, 0xF8, 1}));
    ASSERT_TRUE(test::PvzToPng(dir / "o.pvz").ok);
    EXPECT_EQ(test::PixelsOf(dir / ("o_" + test::kSuffix0109 + ".png"), &bpp),
              (std::vector<ArgbColor>(2, {255, 255, 0, 0})));
    EXPECT_EQ(bpp, 32);
}

TEST(ConvertPvzToPng, UppercaseExtensionIsReadAsTyped) {
    test::TempDir dir;
    test::WriteFile(dir / "wall.PVZ", Texture(0, 7, 2, 2, {0, 3}));
    test::WriteFile(dir / "wall.pvp", test::MakePalette({0xFFFF}, 1));
    const Outcome out = test::PvzToPng(dir / "wall.PVZ");
    ASSERT_TRUE(out.ok) << (out.shown.empty() ? "" : out.shown[0]);
    EXPECT_EQ(dir.List(), (Texts{"wall.PVZ", "wall.pvp", "wall_0800000001000000000000000007.png"}));
}

TEST(ConvertPvzToPng, OverwritesAnExistingPng) {
    test::TempDir dir;
    const std::string png = dir / ("s_" + test::kSuffix0109 + ".png");
    test::WriteFile(png, {1, 2, 3});
    test::WriteFile(dir / "s.pvz", Texture(1, 9, 2, 2, {0xFF, 0xFF, 3}));
    ASSERT_TRUE(test::PvzToPng(dir / "s.pvz").ok);
    EXPECT_EQ(test::PixelsOf(png).size(), 4u);
}

TEST(ConvertPvzToPng, UnwritablePngFailsAndLeavesNothing) {
    test::TempDir dir;
    test::WriteFile(dir / "s.pvz", Texture(1, 9, 2, 2, {0xFF, 0xFF, 3}));
    std::filesystem::create_directory(dir / ("s_" + test::kSuffix0109 + ".png"));
    const Outcome out = test::PvzToPng(dir / "s.pvz");
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.shown, Shown(msg::kCreateFailed));
    EXPECT_EQ(dir.List(), (Texts{"s.pvz", "s_" + test::kSuffix0109 + ".png"}));
}

TEST(ConvertPvzToPng, DecoderFailuresWriteNothing) {
    test::TempDir dir;
    test::WriteFile(dir / "bad.pvz", Texture(3, 9, 2, 2, {0xFF, 0xFF, 3}));
    EXPECT_EQ(test::PvzToPng(dir / "bad.pvz").shown, Shown(msg::kBadColor2Byte));
    test::WriteFile(dir / "pal.pvz", Texture(1, 7, 2, 2, {0, 3}));
    EXPECT_EQ(test::PvzToPng(dir / "pal.pvz").shown, Shown(msg::kPaletteOpenFailed));
    EXPECT_EQ(dir.List(), (Texts{"bad.pvz", "pal.pvz"}));
}

}  // namespace
}  // namespace qm
