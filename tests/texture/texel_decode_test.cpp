#include "texture/texel_decode.h"

#include <gtest/gtest.h>

#include "platform/messages.h"
#include "support/test_support.h"
#include "texture/palette.h"
#include "texture/pvz_header.h"

namespace qm {
namespace {

using Bytes = std::vector<std::uint8_t>;
const ArgbColor kWhite{255, 255, 255, 255};
const ArgbColor kClear{0, 0, 0, 0};

Bytes Texture(std::uint8_t pf, std::uint8_t df, std::int16_t w, std::int16_t h,
              const Bytes& stream) {
    Bytes file = test::MakePvzHeader(pf, df, w, h);
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

struct Decoded {
    bool ok;
    std::vector<ArgbColor> colors;
    std::vector<std::string> shown;
    std::vector<std::string> debug;
};

Decoded Decode2(const Bytes& file) {
    test::CapturedMessages messages;
    TextureInfo info;
    ReadPvzHeader(file, info);
    Decoded d;
    d.ok = ReadColorData2Byte(file, info, d.colors);
    d.shown = messages.shown;
    d.debug = messages.debug;
    return d;
}

Decoded Decode1(const test::TempDir& dir, const Bytes& file, const Bytes* palette) {
    const std::string path = dir / "t.pvz";
    std::filesystem::remove(dir / "t.pvp");
    if (palette != nullptr) test::WriteFile(dir / "t.pvp", *palette);
    test::CapturedMessages messages;
    TextureInfo info;
    ReadPvzHeader(file, info);
    info.texturePath = path;
    Decoded d;
    d.ok = ReadColorData1Byte(file, info, d.colors);
    d.shown = messages.shown;
    d.debug = messages.debug;
    return d;
}

std::vector<std::string> Shown(std::string_view text) {
    return {std::string(text)};
}

TEST(ReadColorData2Byte, FullStreamDecodes) {
    const Bytes file = Texture(1, 9, 4, 4, {0xFF, 0xFF, 0x0F});
    ASSERT_EQ(file.size(), 39u);
    const Decoded d = Decode2(file);
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.colors, std::vector<ArgbColor>(16, kWhite));
    EXPECT_TRUE(d.shown.empty());
    EXPECT_TRUE(d.debug.empty());
}

TEST(ReadColorData2Byte, ShortStreamIsPaddedWithTransparentBlack) {
    const Decoded d = Decode2(Texture(1, 9, 4, 4, {0xFF, 0xFF, 0x0E}));
    EXPECT_TRUE(d.ok);
    std::vector<ArgbColor> want(15, kWhite);
    want.push_back(kClear);
    EXPECT_EQ(d.colors, want);
    EXPECT_TRUE(d.shown.empty());
    EXPECT_EQ(d.debug, Shown(msg::kDebugPadding));
}

TEST(ReadColorData2Byte, IncompleteLastRecordIsIgnored) {
    const Decoded d = Decode2(Texture(1, 9, 4, 4, {0xFF, 0xFF, 0x0E, 0x00, 0x00}));
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.colors.back(), kClear);
    EXPECT_EQ(d.debug, Shown(msg::kDebugPadding));
}

TEST(ReadColorData2Byte, TooManyTexelsStopsTheWalk) {
    const Decoded d = Decode2(Texture(1, 9, 4, 4, {0xFF, 0xFF, 0x0F, 0x00, 0x00, 0x00}));
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.shown, Shown(msg::kTooManyTexels2Byte));
    EXPECT_EQ(d.colors.size(), 16u);
}

TEST(ReadColorData2Byte, HugeRepeatsCannotGrowBeyondThePicture) {
    Bytes stream;
    for (int i = 0; i < 10000; ++i) stream.insert(stream.end(), {1, 2, 0xFF});
    const Decoded d = Decode2(Texture(0, 1, 8, 8, stream));
    EXPECT_FALSE(d.ok);
    EXPECT_LE(d.colors.size(), 64u);
}

TEST(ReadColorData2Byte, UnknownPixelFormatFailsWithoutPadding) {
    const Decoded d = Decode2(Texture(3, 1, 4, 4, {0xFF, 0xFF, 0x0F}));
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.shown, Shown(msg::kBadColor2Byte));
    EXPECT_TRUE(d.colors.empty());
    EXPECT_TRUE(d.debug.empty());
}

TEST(ReadColorData1Byte, LooksUpPaletteEntries) {
    test::TempDir dir;
    const Bytes palette = test::MakePalette({0x8000, 0x7FFF, 0xFFFF}, 3);
    const Decoded d = Decode1(dir, Texture(0, 7, 3, 1, {0x02, 0x00, 0x00, 0x01}), &palette);
    EXPECT_TRUE(d.ok);
    const ArgbColor black{255, 0, 0, 0};
    EXPECT_EQ(d.colors, (std::vector<ArgbColor>{kWhite, black, black}));
}

TEST(ReadColorData1Byte, SixteenEntriesServeSmallIndices) {
    test::TempDir dir;
    std::vector<std::uint16_t> entries;
    for (std::uint16_t i = 0; i < 16; ++i)
        entries.push_back(static_cast<std::uint16_t>(i * 0x1111));
    const Bytes palette = test::MakePalette(entries, 16);
    Bytes stream;
    for (std::uint8_t i = 0; i < 16; ++i) stream.insert(stream.end(), {i, 0});
    const Decoded d = Decode1(dir, Texture(2, 7, 4, 4, stream), &palette);
    ASSERT_TRUE(d.ok);
    for (std::uint32_t i = 0; i < 16; ++i) {
        EXPECT_EQ(d.colors[i], (ArgbColor{17 * i, 17 * i, 17 * i, 17 * i}));
    }
}

TEST(ReadColorData1Byte, Failures) {
    test::TempDir dir;
    const Bytes texture = Texture(1, 7, 2, 2, {0x00, 0x03});
    const Bytes good = test::MakePalette({0xFFFF}, 1);

    EXPECT_EQ(Decode1(dir, texture, nullptr).shown, Shown(msg::kPaletteOpenFailed));
    const Bytes empty;
    EXPECT_EQ(Decode1(dir, texture, &empty).shown, Shown(msg::kPaletteError));
    const Bytes shortFile(15, 0);
    EXPECT_EQ(Decode1(dir, texture, &shortFile).shown, Shown(msg::kPaletteError));
    for (std::uint16_t count : {0, 2}) {
        const Bytes wrong = test::MakePalette({0xFFFF}, count);
        EXPECT_EQ(Decode1(dir, texture, &wrong).shown, Shown(msg::kPaletteCount)) << count;
    }
    const Decoded badIndex = Decode1(dir, Texture(1, 7, 2, 2, {0x01, 0x03}), &good);
    EXPECT_FALSE(badIndex.ok);
    EXPECT_EQ(badIndex.shown, Shown(msg::kBadPaletteIndex));
    EXPECT_TRUE(badIndex.debug.empty());

    const Decoded badFormat = Decode1(dir, Texture(3, 7, 2, 2, {0x00, 0x03}), &good);
    EXPECT_EQ(badFormat.shown, Shown(msg::kBadColor1Byte));
    const Decoded tooMany = Decode1(dir, Texture(1, 7, 2, 2, {0x00, 0x04}), &good);
    EXPECT_EQ(tooMany.shown, Shown(msg::kTooManyTexels1Byte));
    EXPECT_TRUE(Decode1(dir, texture, &good).ok);
}

TEST(ReadColorPalette, CountsAndOddLengths) {
    test::TempDir dir;
    TextureInfo info;
    info.texturePath = dir / "stone.pvz";
    EXPECT_EQ(PalettePathFor(info.texturePath), dir / "stone.pvp");
    EXPECT_EQ(PalettePathFor("a.pvz.pvz"), "a.pvz.pvp");

    test::CapturedMessages messages;
    Bytes file = test::MakePalette({1, 2, 3}, 3);
    test::WriteFile(dir / "stone.pvp", file);
    ASSERT_TRUE(ReadColorPalette(info));
    EXPECT_EQ(info.palette, (std::vector<std::uint32_t>{1, 2, 3}));

    file.push_back(0x77);  // a half entry at the end is ignored
    test::WriteFile(dir / "stone.pvp", file);
    EXPECT_TRUE(ReadColorPalette(info));

    test::WriteFile(dir / "stone.pvp", test::MakePalette({}, 0));
    EXPECT_TRUE(ReadColorPalette(info));
    EXPECT_TRUE(info.palette.empty());
    EXPECT_TRUE(messages.shown.empty());

    std::filesystem::remove(dir / "stone.pvp");
    std::filesystem::create_directory(dir / "stone.pvp");
    EXPECT_FALSE(ReadColorPalette(info));
    EXPECT_EQ(messages.shown, Shown(msg::kPaletteError));
}

// Damage pass: every cut length and every flipped header bit ends in a clean
// result; under the sanitizers any out-of-bounds read fails the test.
TEST(Decoders, SurviveEveryCutAndFlippedBit) {
    test::TempDir dir;
    const Bytes palette = test::MakePalette({0x1234, 0xFFFF, 0x8000, 0x0F0F}, 4);
    const Bytes twoByte =
        Texture(0, 1, 4, 4, {0x34, 0x12, 0x04, 0xFF, 0xFF, 0x08, 0x00, 0x80, 0x01});
    const Bytes oneByte = Texture(2, 7, 4, 4, {0x00, 0x03, 0x01, 0x07, 0x03, 0x03});
    test::WriteFile(dir / "t.pvp", palette);
    ScopedMessageSink quiet({}, {});
    for (const Bytes* source : {&twoByte, &oneByte}) {
        for (std::size_t cut = 0; cut <= source->size(); ++cut) {
            const Bytes file(source->begin(), source->begin() + static_cast<std::ptrdiff_t>(cut));
            TextureInfo info;
            info.texturePath = dir / "t.pvz";
            if (!ReadPvzHeader(file, info)) continue;
            std::vector<ArgbColor> colors;
            const bool ok = info.dataFormat == 7 ? ReadColorData1Byte(file, info, colors)
                                                 : ReadColorData2Byte(file, info, colors);
            if (ok) {
                EXPECT_EQ(colors.size(), 16u);
            }
        }
        for (std::size_t bit = 0; bit < source->size() * 8; ++bit) {
            Bytes file = *source;
            file[bit / 8] = static_cast<std::uint8_t>(file[bit / 8] ^ (1u << (bit % 8)));
            TextureInfo info;
            info.texturePath = dir / "t.pvz";
            ASSERT_TRUE(ReadPvzHeader(file, info));
            std::vector<ArgbColor> colors;
            const bool ok = info.dataFormat == 7 ? ReadColorData1Byte(file, info, colors)
                                                 : ReadColorData2Byte(file, info, colors);
            if (ok) {
                EXPECT_EQ(static_cast<std::int64_t>(colors.size()), ExpectedTexels(info));
            }
        }
    }
    // Palettes cut at every length.
    TextureInfo info;
    info.texturePath = dir / "t.pvz";
    for (std::size_t cut = 0; cut <= palette.size(); ++cut) {
        test::WriteFile(dir / "t.pvp",
                        Bytes(palette.begin(), palette.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_EQ(ReadColorPalette(info), cut >= 24) << cut;
    }
}

}  // namespace
}  // namespace qm
