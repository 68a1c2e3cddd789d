#include <gtest/gtest.h>

#include "convert/convert_test_support.h"
#include "convert/pvz_to_png.h"
#include "platform/messages.h"
#include "texture/pvz_header.h"

namespace qm {
namespace {

using test::Outcome;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

Texts Shown(std::string_view text) {
    return {std::string(text)};
}

void SavePicture(const std::string& path, int w, int h, int bpp, const ArgbColor& color) {
    const std::vector<ArgbColor> pixels(static_cast<std::size_t>(w * h), color);
    ASSERT_TRUE(test::SurfaceOf(w, h, bpp, pixels).Save(path));
}

TEST(ConvertPngToPvz, RectangleGoldenFile) {
    test::TempDir dir;
    SavePicture(dir / ("wall_" + test::kSuffix0109 + ".png"), 64, 32, 24, {0, 255, 0, 0});
    const Outcome out = test::PngToPvz(dir / ("wall_" + test::kSuffix0109 + ".png"));
    ASSERT_TRUE(out.ok);
    EXPECT_TRUE(out.shown.empty());
    const Bytes file = test::ReadFile(dir / "wall.pvz");
    Bytes want = test::MakePvzHeader(1, 9, 64, 32, {8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    // 2048 opaque red texels: eight records of 256.
    for (int i = 0; i < 8; ++i) want.insert(want.end(), {0x00, 0xF8, 0xFF});
    EXPECT_EQ(file, want);
}

TEST(ConvertPngToPvz, PaletteCodeBecomesRectangleAfterNotice) {
    test::TempDir dir;
    const std::string name =
        "wall_08000000010000000000000001"
        "07.png";
    SavePicture(dir / name, 64, 32, 24, {0, 255, 0, 0});
    const Outcome out = test::PngToPvz(dir / name);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.shown, Shown(msg::kPaletteModeNotice));
    EXPECT_EQ(test::ReadFile(dir / "wall.pvz")[kDataFormatOffset], 9);
}

TEST(ConvertPngToPvz, ChoosesTheGathererByCodeAndShape) {
    test::TempDir dir;
    const std::string code1 = "0800000001000000000000000101";
    struct Case {
        int w, h;
        Texts shown;
    };
    for (const Case& c :
         {Case{64, 64, {}}, Case{64, 32, {}}, Case{32, 64, {}},
          Case{60, 60, Shown(msg::kSquareNotPowerOfTwo)}, Case{64, 16, Shown(msg::kBadRatio)}}) {
        const std::string png = dir / ("t_" + code1 + ".png");
        SavePicture(png, c.w, c.h, 32, {10, 20, 30, 40});
        const Outcome out = test::PngToPvz(png);
        EXPECT_EQ(out.ok, c.shown.empty()) << c.w << "x" << c.h;
        EXPECT_EQ(out.shown, c.shown) << c.w << "x" << c.h;
        EXPECT_EQ(std::filesystem::exists(dir / "t.pvz"), c.shown.empty());
        std::filesystem::remove(dir / "t.pvz");
    }
}

TEST(ConvertPngToPvz, RefusesBadNamesAndFiles) {
    test::TempDir dir;
    for (const std::string name : {"wall.png", "wall_.png", "wall_080000000100000000000000010.png",
                                   "wall_08000000010000000000000001090.png", "x.pvz"}) {
        EXPECT_EQ(test::PngToPvz(dir / name).shown, Shown(msg::kBadPngName)) << name;
    }
    EXPECT_EQ(test::PngToPvz(dir / ("gone_" + test::kSuffix0109 + ".png")).shown,
              Shown(msg::kReadFailed));
    test::WriteFile(dir / ("junk_" + test::kSuffix0109 + ".png"), {0x89, 'P', 'N', 'G', 1, 2});
    EXPECT_EQ(test::PngToPvz(dir / ("junk_" + test::kSuffix0109 + ".png")).shown,
              Shown(msg::kReadFailed));
    EXPECT_EQ(dir.List(), Texts{"junk_" + test::kSuffix0109 + ".png"});
}

// A PNG signature and an IHDR that declares a huge picture, nothing more.
Bytes HugePngHeader(std::uint32_t w, std::uint32_t h) {
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (std::uint32_t v : {w, h}) {
        for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
    }
    b.insert(b.end(), {8, 6, 0, 0, 0});
    b.insert(b.end(), {0, 0, 0, 0});  // CRC left wrong on purpose for some decoders
    return b;
}

TEST(ConvertPngToPvz, HugePicturesAreRefusedBeforeDecoding) {
    test::TempDir dir;
    const std::string name = dir / ("big_" + test::kSuffix0109 + ".png");
    test::WriteFile(name, HugePngHeader(40000, 10));
    const Outcome out = test::PngToPvz(name);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.shown.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir / "big.pvz"));
}

TEST(ConvertPngToPvz, UppercaseNameIsLoadedAsTyped) {
    test::TempDir dir;
    SavePicture(dir / ("WALL_" + test::kSuffix0109 + ".PNG"), 4, 4, 24, {0, 1, 2, 3});
    ASSERT_TRUE(test::PngToPvz(dir / ("WALL_" + test::kSuffix0109 + ".PNG")).ok);
    EXPECT_TRUE(std::filesystem::exists(dir / "WALL.pvz"));
}

TEST(ConvertPngToPvz, ExistingTextureSurvivesAFailedConversion) {
    test::TempDir dir;
    test::WriteFile(dir / "t.pvz", {1, 2, 3});
    const std::string png = dir / "t_0800000001000000000000000101.png";
    SavePicture(png, 6, 6, 24, {0, 0, 0, 0});
    EXPECT_FALSE(test::PngToPvz(png).ok);
    // An unknown pixel format is refused before the file is touched.
    const std::string bad = dir / "t_0800000001000000000000000309.png";
    SavePicture(bad, 4, 4, 24, {0, 0, 0, 0});
    EXPECT_EQ(test::PngToPvz(bad).shown, Shown(msg::kColorEncodeError));
    EXPECT_EQ(test::ReadFile(dir / "t.pvz"), (Bytes{1, 2, 3}));
}

TEST(RoundTrip, OwnTexturesComeBackByteForByte) {
    test::TempDir dir;
    test::Random random(2026);
    struct Shape {
        std::int16_t w, h;
        std::uint8_t df;
    };
    const Shape shapes[] = {{64, 64, 1}, {32, 16, 1}, {8, 16, 13}, {2, 2, 13}, {128, 64, 1},
                            {16, 32, 1}, {3, 5, 9},   {100, 7, 9}, {1, 1, 9},  {256, 256, 9}};
    int converted = 0;
    for (int round = 0; round < 3; ++round) {
        for (std::uint8_t pf = 0; pf <= 2; ++pf) {
            for (const Shape& s : shapes) {
                const Bytes original = test::RandomTexture(random, pf, s.df, s.w, s.h);
                const std::string pvz = dir / "tex.pvz";
                test::WriteFile(pvz, original);
                std::string name = pvz;
                std::string png;
                {
                    test::CapturedMessages quiet;
                    ASSERT_TRUE(ConvertPvzToPng(name, &png));
                }
                std::filesystem::remove(pvz);
                ASSERT_TRUE(test::PngToPvz(png).ok);
                ASSERT_EQ(test::ReadFile(pvz), original)
                    << "format " << int(pf) << " code " << int(s.df) << " " << s.w << "x" << s.h;
                std::filesystem::remove(png);
                ++converted;
            }
        }
    }
    EXPECT_EQ(converted, 90);
}

}  // namespace
}  // namespace qm
