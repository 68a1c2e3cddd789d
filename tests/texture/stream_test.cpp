// Runs, the .pvz header, the two writers and the texel decoders.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "support/child_process.h"
#include "support/texture_bytes.h"
#include "texture/pvz_writer.h"
#include "texture/texel_decode.h"

namespace qm {
namespace {

using test::Bytes;
using test::Texts;
const ArgbColor kA{255, 1, 2, 3}, kWhite{255, 255, 255, 255}, kBlack{255, 0, 0, 0}, kClear{};

// Header pairs read like strtol; the last one is missing.
TextureInfo Info(const std::string& path, std::int16_t w, std::int16_t h, std::uint8_t pf = 1) {
    return {w, h, pf, 9, path, "0A 5-1+f0100000000zz4g", {}, {}};
}

bool StreamPvz(const TextureInfo& info, const std::vector<ColorRun>& runs) {
    PvzStreamWriter writer(info);
    if (!writer.Open()) return false;
    for (const ColorRun& run : runs) writer.AddRun(ToPixelWord(run.color), run.repeat + 1);
    return writer.Commit();
}
const decltype(&WritePvz) kWriters[] = {WritePvz, StreamPvz};

TEST(EncodeColorRuns, RunsHoldUpTo256Colours) {
    const std::pair<std::size_t, std::vector<std::uint32_t>> rows[] = {
        {0, {}}, {1, {0}}, {255, {254}}, {256, {255}}, {257, {255, 0}}, {512, {255, 255}}};
    for (const auto& [length, repeats] : rows) {
        std::vector<ColorRun> runs{ColorRun{7, kWhite}};
        ASSERT_TRUE(EncodeColorRuns(std::vector<ArgbColor>(length, kA), runs));
        std::vector<std::uint32_t> got;  // a wrong colour shows as 999
        for (const ColorRun& run : runs) got.push_back(run.color == kA ? run.repeat : 999);
        EXPECT_EQ(got, repeats) << length;
    }
}

// The file read back gives the header text in lowercase; the failing write
// of an unknown pixel format leaves it alone.
TEST(PvzWriters, GoldenFile) {
    const test::TempDir dir;
    for (const auto write : kWriters) {
        test::CapturedMessages messages;
        ASSERT_TRUE(write(Info(dir / "wall.pvz", 64, 32), {{255, kWhite}, {0, kBlack}}));
        EXPECT_FALSE(write(Info(dir / "wall.pvz", 2, 2, 3), {{0, kA}}));
        EXPECT_EQ(messages.shown, Texts{"ColorEncode エラー"});
        const Bytes file = test::ReadFile(dir / "wall.pvz");
        EXPECT_EQ(file,  // size word 64 * 32 * 2 + 32 = 4128
                  (Bytes{0x20, 0x10, 0, 0, 'G', 'B', 'I', 'X', 0x0A, 0x05, 0xFF, 0x0F, 1, 0,
                         0,    0,    0, 0, 4,   0,   'P', 'V', 'R',  'T',  0,    0,    0, 0,
                         1,    9,    0, 0, 64,  0,   32,  0,   0xFF, 0xFF, 255,  0,    0, 0}));
        EXPECT_EQ(dir.List(), Texts{"wall.pvz"});
        TextureInfo back;
        ASSERT_TRUE(ReadPvzHeader(file, back));
        EXPECT_EQ(std::tuple(back.pixelFormat, back.dataFormat, back.width, back.height),
                  std::tuple(1, 9, 64, 32));
        EXPECT_EQ(back.headerText, "0a05ff0f0100000000000400");
        EXPECT_FALSE(ReadPvzHeader(std::span(file).first(35), back));
    }
}

// Long runs among short ones, enough to flush the streaming writer's buffer a
// few times: both writers write the same file, and it decodes to the colours.
TEST(PvzWriters, LongStreamsAgreeAndDecodeBack) {
    const test::TempDir dir;
    test::Random random(5);
    for (std::uint8_t format = 0; format <= 2; ++format) {
        const TextureInfo info = Info(dir / "s.pvz", 1024, 512, format);
        std::vector<ArgbColor> colors, back;
        for (ArgbColor c; colors.size() < 1024 * 512;) {
            ASSERT_TRUE(ColorDecode(format, random.Next() & 0xFFFF, c));
            const std::size_t length = random.Below(32) == 0 ? random.Below(600) + 1 : 1;
            colors.insert(colors.end(), std::min(length, 1024 * 512 - colors.size()), c);
        }
        std::vector<ColorRun> runs;
        Bytes built;
        ASSERT_TRUE(EncodeColorRuns(colors, runs) && BuildPvzBytes(info, runs, built));
        ASSERT_TRUE(StreamPvz(info, runs) && ReadColorData2Byte(built, info, back));
        EXPECT_EQ(test::ReadFile(info.texturePath), built) << int(format);
        EXPECT_EQ(back, colors) << int(format);
    }
}

TEST(PvzWriters, PosixWriteCutShortByAFileSizeLimitKeepsTheOldFile) {
    for (const auto write : kWriters) {
        const test::TempDir dir;
        test::WriteFile(dir / "big.pvz", Bytes(100, 0x5A));
        const test::Outcome outcome = test::OutcomeInChild({.fileSizeBytes = 1000}, [&] {
            test::CapturedMessages messages;
            const bool ok =
                write(Info(dir / "big.pvz", 100, 50), std::vector<ColorRun>(5000, {0, kA}));
            return test::Outcome{ok, messages.shown, {}, {}};
        });
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.shown, Texts{"ファイルの作成に失敗"});
        EXPECT_EQ(test::ReadFile(dir / "big.pvz"), Bytes(100, 0x5A));
        EXPECT_EQ(dir.List(), Texts{"big.pvz"});
    }
}

struct DecodeRow {
    std::uint8_t pf, df;  // pixel and data format
    std::int16_t w, h;
    Bytes stream;
    std::optional<Bytes> palette;                           // the .pvp beside the texture
    std::vector<std::pair<std::size_t, ArgbColor>> colors;  // count, colour
    std::string shown{};                                    // the refusal, if any
    Texts debug{};
};
const Texts kPadded{"ピクセルが足りないため、足りない分を埋める\n"};
const Bytes kOne = test::Palette({0xFFFF}, 1), kThree = test::Palette({0x8000, 0x7FFF, 0xFFFF}, 3);
const Bytes kFullRecord = [] {
    Bytes s;
    test::AppendRecord2(s, 0xFFFF, 255);
    return s;
}();
const DecodeRow kDecodeRows[] = {
    {1, 9, 4, 4, {0xFF, 0xFF, 0x0F}, {}, {{16, kWhite}}},
    {1, 9, 16, 16, kFullRecord, {}, {{256, kWhite}}},
    {1, 9, 3, 2, {0x34, 0x12, 0x05}, {}, {{6, {255, 16, 68, 164}}}},
    {1, 9, 4, 4, {0xFF, 0xFF, 0x0E, 0, 0}, {}, {{15, kWhite}, {1, kClear}}, "", kPadded},
    {1, 9, 2, 2, {0xFF, 0xFF, 3, 0, 0, 0}, {}, {{4, kWhite}}, "ReadColorData2Byte 展開できません"},
    {3, 1, 4, 4, {0xFF, 0xFF, 0x0F}, {}, {}, "カラー情報がおかしい"},
    {0, 7, 3, 1, {2, 0, 0, 1}, kThree, {{1, kWhite}, {2, kBlack}}},
    {1, 7, 2, 2, {0, 2, 0}, kOne, {{3, kWhite}, {1, kClear}}, "", kPadded},
    {1, 7, 2, 2, {0, 3}, {}, {}, "ReadColorPalette pvpファイルの読み込みに失敗"},
    {1, 7, 2, 2, {0, 3}, Bytes{}, {}, "ReadColorPalette エラー"},
    {1, 7, 2, 2, {0, 3}, Bytes(15, 0), {}, "ReadColorPalette エラー"},
    {1, 7, 2, 2, {0, 3}, test::Palette({1, 2}, 1), {}, "ReadColorPalette パレット数がおかしい"},
    {1, 7, 2, 2, {1, 3}, kOne, {}, "ReadColorData1Byte パレット番号がおかしい"},
    {3, 7, 2, 2, {0, 3}, kOne, {}, "ReadColorData1Byte カラー情報がおかしい"},
    {1, 7, 2, 2, {0, 4}, kOne, {}, "ReadColorData1Byte 展開できません"},
};

// Texels as the converter receives them.
struct Collector final : TexelSink {
    std::vector<ArgbColor> colors;
    void Append(std::span<const TexelRun> runs) override {
        for (const TexelRun& r : runs) colors.insert(colors.end(), r.count, ToArgbColor(r.pixel));
    }
    void PadTo(std::size_t count) override { colors.resize(count, kClear); }
};

TEST(TexelDecoders, StreamsAndPalettes) {
    for (const DecodeRow& row : kDecodeRows) {
        SCOPED_TRACE(&row - kDecodeRows);
        const test::TempDir dir;
        if (row.palette) test::WriteFile(dir / "t.pvp", *row.palette);
        const Bytes file = test::Pvz(row.pf, row.df, row.w, row.h, row.stream);
        TextureInfo info = Info(dir / "t.pvz", 0, 0);  // the header fills the rest
        info.palettePath = dir / "t.pvp";
        ASSERT_TRUE(ReadPvzHeader(file, info));
        test::CapturedMessages messages;
        Collector sink;
        const bool ok = row.df == 7 ? ReadColorData1Byte(file, info, sink)
                                    : ReadColorData2Byte(file, info, sink);
        EXPECT_EQ(ok, row.shown.empty());
        std::vector<ArgbColor> want;
        for (const auto& [count, color] : row.colors) want.insert(want.end(), count, color);
        EXPECT_EQ(sink.colors, want);
        EXPECT_EQ(messages.shown, row.shown.empty() ? Texts{} : Texts{row.shown});
        EXPECT_EQ(messages.debug, row.debug);
    }
}

// Without a palette (a preview of the bytes alone): each texel as its index
// + 1, every index taken, the stream's other checks kept.
TEST(TexelDecoders, IndicesWithoutAPalette) {
    struct Words final : TexelSink {
        std::vector<PixelWord> words;
        void Append(std::span<const TexelRun> runs) override {
            for (const TexelRun& r : runs) words.insert(words.end(), r.count, r.pixel);
        }
        void PadTo(std::size_t count) override { words.resize(count, 0); }
    };
    const struct {
        std::uint8_t pf;
        Bytes stream;
        std::vector<PixelWord> words;
        Texts shown;
    } rows[] = {
        {1, {2, 0, 0, 1, 255, 0}, {3, 1, 1, 256}, {}},
        {2, {7, 1}, {8, 8, 0, 0}, {}},
        {1, {0, 4}, {}, {"ReadColorData1Byte 展開できません"}},
        {3, {0, 3}, {}, {"ReadColorData1Byte カラー情報がおかしい"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        const Bytes file = test::Pvz(row.pf, 7, 2, 2, row.stream);
        TextureInfo info;
        ASSERT_TRUE(ReadPvzHeader(file, info));
        test::CapturedMessages messages;
        Words sink;
        EXPECT_EQ(ReadIndexData1ByteWithoutPalette(file, info, sink), row.shown.empty());
        EXPECT_EQ(sink.words, row.words);
        EXPECT_EQ(messages.shown, row.shown);
    }
}

}  // namespace
}  // namespace qm
