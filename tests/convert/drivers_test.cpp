// The name scheme, then both drivers end to end: what each refuses and with
// which message, and textures that come back from their PNG byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "convert/png_name.h"
#include "convert/sibling_names.h"
#include "support/png_bytes.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

struct NameRow {
    std::string png;
    std::string pvz;  // empty: the name is refused
    std::string header = "";
    int pixelFormat = 0, dataFormat = 0;
    bool builtBack = false;  // BuildPngName gives the name back from its fields
};

const NameRow kNames[] = {
    {"wall_0800000001000000000000000109.png", "wall.pvz", kHeaderText, 1, 9, true},
    {"my_stone_0800000001000000000000000109.png", "my_stone.pvz", kHeaderText, 1, 9, true},
    {"d/x_0a0b0c0d0e0f101112131415020d.png", "d/x.pvz", "0a0b0c0d0e0f101112131415", 2, 13, true},
    {"a.pvz_080000000100000000000000ffab.png", "a.pvz.pvz", kHeaderText, 255, 171, true},
    {"WALL_0A00000001000000000000000D0D.PNG", "WALL.pvz", "0A0000000100000000000000", 13, 13},
    {"t_080000000100000000000000zz4g.png", "t.pvz", kHeaderText, 0, 4},
    {"a_b_0800000001000000000000000109.x.png", "a_b.x.pvz", kHeaderText, 1, 9},
    {"wall_080000000100000000000000010.png", ""},
    {"wall_08000000010000000000000001090.png", ""},
    {"wall0800000001000000000000000109.png", ""},
    {"wall_0800000001000000000000000109.Png", ""},
    {"x_0800000001000000000000000109.y/wall.png", ""},
};

TEST(PngName, GoldenRows) {
    for (const NameRow& row : kNames) {
        SCOPED_TRACE(row.png);
        std::string name = row.png;
        ASSERT_EQ(CheckPngFileName(name), !row.pvz.empty());
        if (row.pvz.empty()) continue;
        const PngNameFields f = ParsePngName(name);
        EXPECT_EQ(std::tuple(f.texturePath, f.headerText, int{f.pixelFormat}, int{f.dataFormat}),
                  std::tuple(row.pvz, row.header, row.pixelFormat, row.dataFormat));
        const TextureInfo info{0,  0, f.pixelFormat, f.dataFormat, f.texturePath, f.headerText,
                               {}, {}};
        EXPECT_EQ(BuildPngName(info) == row.png, row.builtBack) << BuildPngName(info);
    }
}

TEST(SiblingNames, ThePaletteBesideATexture) {
    const struct {
        const char* texture;
        const char* palette;
    } rows[] = {
        {"wall.pvz", "wall.pvp"},
        {"S7.PVZ", "S7.PVP"},
        {"dir/S7.Pvz", "dir/S7.Pvp"},
        {"a.pvz.pvz", "a.pvz.pvp"},
        {"S7.pvZ", "S7.pvP"},
        {"wall", "wall.pvp"},  // never the texture's own name
        {"x.pvz/wall", "x.pvz/wall.pvp"},
        {"wall.png", "wall.png.pvp"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PalettePathFor(row.texture), row.palette) << row.texture;
    }
}

Texts AtMostOne(const std::string& text) {
    return text.empty() ? Texts{} : Texts{text};
}

struct DriverRow {
    bool toPng;
    std::string input;
    Bytes content;  // empty: no such file
    bool ok;
    std::string shown, written = "", debug = "";  // written: the output beside the input
};

TEST(Drivers, RefusalsAndTheirMessages) {
    const std::string png0109 = "_" + kHeaderText + "0109.png";
    const Bytes wide = PngOfPixels(32768, 1, std::vector<ArgbColor>(32768));
    const Bytes indexed = PngBytes({2, 1, 3, 8, false, {0, 1}, {{}, {}}, {}});  // palette
    const DriverRow rows[] = {
        {true, "wall.Pvz", Bytes(), false, "拡張子がpvzではない"},
        {true, "gone.pvz", Bytes(), false, "ファイルの読み込みに失敗"},
        {true, "short.pvz", Bytes(35, 0), false, "エラー"},
        {true, "huge.pvz", Pvz(1, 1, 32767, 32767, {0, 0, 0}), false, "画像が大きすぎます"},
        {true, "six.pvz", Pvz(1, 1, 6, 6, {7, 0, 35}), false, "CreatePng サポートしてません"},
        // The stream is decoded before the shape is refused: a short one is
        // padded first, and a failed decode is the only message.
        {true, "pad.pvz", Pvz(1, 1, 6, 6, {7, 0, 0}), false, "CreatePng サポートしてません", "",
         "ピクセルが足りないため、足りない分を埋める\n"},
        {true, "run.pvz", Pvz(1, 1, 6, 6, {7, 0, 255}), false, "ReadColorData2Byte 展開できません"},
        {true, "wall.PVZ", Pvz(1, 9, 2, 2, {7, 0, 3}, kHeaderBytes), true, "", "wall" + png0109},
        {false, "wall.png", Bytes(), false,
         "拡張子がpngではない or\r\n '_' 以下の文字列がおかしい"},
        {false, "gone" + png0109, Bytes(), false, "ファイルの読み込みに失敗"},
        {false, "wide" + png0109, wide, false, "画像が大きすぎます"},
        {false, "t_" + kHeaderText + "0309.png", indexed, false, "ColorEncode エラー"},
        // Palette PNGs load at 24 or 32 bits like any other.
        {false, "pal" + png0109, indexed, true, "", "pal.pvz"},
        {false, "WALL_" + kHeaderText + "0109.PNG", indexed, true, "", "WALL.pvz"},
    };
    for (const DriverRow& row : rows) {
        SCOPED_TRACE(row.input);
        TempDir dir;
        if (!row.content.empty()) WriteFile(dir / row.input, row.content);
        const Texts before = dir.List();
        const Outcome out = row.toPng ? PvzToPng(dir / row.input) : PngToPvz(dir / row.input);
        EXPECT_EQ(out.ok, row.ok);
        EXPECT_EQ(out.shown, AtMostOne(row.shown));
        EXPECT_EQ(out.debug, AtMostOne(row.debug));
        EXPECT_EQ(out.written, row.written.empty() ? "" : dir / row.written);
        EXPECT_EQ(dir.List().size(), before.size() + !row.written.empty());
    }
}

// A texture (and its palette) through its PNG and back.
struct TripRow {
    Bytes pvz, pvp = {}, back = {};  // back: the texture written from the PNG; empty: pvz
    std::string shown = "";          // by that second conversion
};

TEST(Drivers, TexturesComeBackFromTheirPng) {
    Random random(2026);
    std::vector<TripRow> rows;
    const int shapes[][3] = {{9, 37, 23}, {1, 64, 64}, {13, 64, 32}, {13, 32, 64}};
    for (const std::uint8_t pixelFormat : {0, 1, 2}) {
        for (const auto& [code, width, height] : shapes) {
            rows.push_back({RandomTexture(random, pixelFormat, code, width, height, kHeaderBytes)});
        }
    }
    // Records of the most texels one holds, 256.
    rows.push_back({Pvz(1, 9, 32, 16, {0x34, 0x12, 255, 0x21, 0x43, 255})});
    // Palette indices come back as 2-byte colours in row order.
    rows.push_back({Pvz(2, 7, 2, 2, {1, 3}), Palette({0x1111, 0xBEEF}, 2),
                    Pvz(2, 9, 2, 2, {0xEF, 0xBE, 3}), "暫定:2バイト長方形モードとして変換します"});
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "row " << i);
        TempDir dir;
        WriteFile(dir / "t.pvz", rows[i].pvz);
        if (!rows[i].pvp.empty()) WriteFile(dir / "t.pvp", rows[i].pvp);
        const Outcome png = PvzToPng(dir / "t.pvz");
        ASSERT_TRUE(png.ok) << testing::PrintToString(png.shown);
        std::filesystem::remove(dir / "t.pvz");
        const Outcome back = PngToPvz(png.written);
        EXPECT_TRUE(back.ok);
        EXPECT_EQ(back.shown, AtMostOne(rows[i].shown));
        EXPECT_EQ(ReadFile(dir / "t.pvz"), rows[i].back.empty() ? rows[i].pvz : rows[i].back);
    }
}

}  // namespace
}  // namespace qm::test
