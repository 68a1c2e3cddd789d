#include "convert/png_name.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TextureInfo Info(std::string path, std::uint8_t pf, std::uint8_t df) {
    TextureInfo info;
    info.texturePath = std::move(path);
    info.headerText = "080000000100000000000000";
    info.pixelFormat = pf;
    info.dataFormat = df;
    return info;
}

TEST(CheckPvzExtension, AcceptsLowerAndRewritesUpper) {
    std::string name = "wall.pvz";
    EXPECT_TRUE(CheckPvzExtension(name));
    name = "wall.PVZ";
    EXPECT_TRUE(CheckPvzExtension(name));
    EXPECT_EQ(name, "wall.pvz");
    name = "some.dir/wall.PVZ";
    EXPECT_TRUE(CheckPvzExtension(name));
    EXPECT_EQ(name, "some.dir/wall.pvz");
    for (std::string bad : {"wall.Pvz", "wall.pvz.bak", "wall", "", "dir.pvz/wall", ".pvzx"}) {
        const std::string before = bad;
        EXPECT_FALSE(CheckPvzExtension(bad)) << before;
        EXPECT_EQ(bad, before);
    }
}

TEST(BuildPngName, InsertsHeaderAndCodes) {
    EXPECT_EQ(BuildPngName(Info("wall.pvz", 1, 9)), "wall_0800000001000000000000000109.png");
    EXPECT_EQ(BuildPngName(Info("a.pvz.pvz", 1, 9)), "a.pvz_0800000001000000000000000109.png");
    EXPECT_EQ(BuildPngName(Info("x/t.pvz", 2, 13)),
              "x/t_08000000010000000000000002"
              "0d.png");
    EXPECT_EQ(BuildPngName(Info("w.pvz", 255, 171)), "w_080000000100000000000000ffab.png");
}

TEST(CheckPngFileName, AcceptsOnlyTheCarrierShape) {
    const std::string suffix = "0800000001000000000000000109";
    struct Case {
        std::string name;
        bool ok;
    };
    const Case cases[] = {
        {"wall_" + suffix + ".png", true},
        {"WALL_" + suffix + ".PNG", true},
        {"a_b_" + suffix + ".png", true},
        {"wall_" + suffix + ".x.png", true},
        {"wall_" + suffix.substr(1) + ".png", false},
        {"wall_" + suffix + "0.png", false},
        {"wall" + suffix + ".png", false},
        {"wall_.png", false},
        {"wall_" + suffix + ".Png", false},
        {"wall_" + suffix, false},
        {"x_y/wall" + suffix + ".png", false},
        {"x_" + suffix + ".y/wall.png", false},
        {"wall_" + std::string(28, 'z') + ".png", true},
    };
    for (const Case& c : cases) {
        std::string name = c.name;
        EXPECT_EQ(CheckPngFileName(name), c.ok) << c.name;
    }
    std::string upper = "bad.PNG";
    EXPECT_FALSE(CheckPngFileName(upper));
    EXPECT_EQ(upper, "bad.png");  // rewritten even though the check fails
}

TEST(ParsePngName, TakesFieldsFromTheLastUnderscore) {
    std::string name =
        "a_b_0A0000000100000000000000"
        "0109.x.png";
    ASSERT_TRUE(CheckPngFileName(name));
    const PngNameFields f = ParsePngName(name);
    EXPECT_EQ(f.headerText, "0A0000000100000000000000");
    EXPECT_EQ(f.pixelFormat, 1);
    EXPECT_EQ(f.dataFormat, 9);
    EXPECT_EQ(f.texturePath, "a_b.x.pvz");

    name = "WALL_080000000100000000000000zz0D.PNG";
    ASSERT_TRUE(CheckPngFileName(name));
    const PngNameFields g = ParsePngName(name);
    EXPECT_EQ(g.pixelFormat, 0);
    EXPECT_EQ(g.dataFormat, 13);
    EXPECT_EQ(g.texturePath, "WALL.pvz");
}

TEST(PngNames, EveryBuiltNameParsesBack) {
    for (const std::string path : {"wall.pvz", "a.pvz.pvz", "dir/x_y.z.pvz", "_.pvz", "e.pvz"}) {
        for (std::uint8_t pf : {0, 1, 2, 7, 255}) {
            for (std::uint8_t df : {1, 7, 9, 13, 255}) {
                const TextureInfo info = Info(path, pf, df);
                std::string name = BuildPngName(info);
                ASSERT_TRUE(CheckPngFileName(name)) << name;
                const PngNameFields f = ParsePngName(name);
                EXPECT_EQ(f.texturePath, path);
                EXPECT_EQ(f.headerText, info.headerText);
                EXPECT_EQ(f.pixelFormat, pf);
                EXPECT_EQ(f.dataFormat, df);
            }
        }
    }
}

}  // namespace
}  // namespace qm
