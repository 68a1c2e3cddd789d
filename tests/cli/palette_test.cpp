// Palette textures kept as palette pictures, the options of both roads, and
// the defaults they leave alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "convert/png_to_pvz.h"
#include "convert/pvz_to_png.h"
#include "support/child_process.h"
#include "support/png_bytes.h"
#include "support/run_program.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

using Driver = bool (*)(std::string&, const ConversionOptions&, ConversionReport&);

Outcome Drive(Driver driver, const std::string& path, const ConversionOptions& options) {
    CapturedMessages messages;
    std::string name = path;
    ConversionReport report;
    Outcome out;
    out.ok = driver(name, options, report);
    out.written = report.written;
    out.shown = messages.shown;
    return out;
}

// 1-byte records in maximal runs, as the writer makes them.
Bytes Records(const std::vector<std::uint8_t>& texels) {
    Bytes stream;
    for (std::size_t i = 0, n = 1; i < texels.size(); i += n, n = 1) {
        while (i + n < texels.size() && texels[i + n] == texels[i] && n < 256) ++n;
        AppendRecord1(stream, texels[i], static_cast<std::uint8_t>(n - 1));
    }
    return stream;
}

std::string PngName(const TempDir& dir, int pixelFormat, int dataFormat) {
    char codes[8];
    std::snprintf(codes, sizeof codes, "%02x%02x", pixelFormat, dataFormat);
    return dir / ("t_" + kHeaderText + codes + ".png");
}

struct Shape {
    std::uint8_t pixelFormat;
    int entries;  // distinct
    std::int16_t width, height;
};

class PaletteRoundTrip : public ::testing::TestWithParam<Shape> {};

// --indexed then --keep-palette, and the colour PNG then --keep-palette, give
// back both files byte for byte (the entries are distinct).
TEST_P(PaletteRoundTrip, GivesBackTextureAndPalette) {
    const Shape s = GetParam();
    TempDir dir;
    Random random(static_cast<std::uint64_t>(s.entries * 977 + s.width));
    const auto count = static_cast<std::size_t>(s.width * s.height);
    std::vector<std::uint16_t> entries;
    for (int i = 0; i < s.entries; ++i)
        entries.push_back(static_cast<std::uint16_t>(i * 40503 + s.width));
    std::vector<std::uint8_t> texels;
    for (std::size_t run = 1; texels.size() < count;
         run = random.Below(3) ? 1 : random.Below(600) + 1)
        texels.resize(std::min(count, texels.size() + run), random.Below(256) % s.entries);
    const Bytes texture = Pvz(s.pixelFormat, 7, s.width, s.height, Records(texels), kHeaderBytes);
    const Bytes palette = Palette(entries, static_cast<std::uint16_t>(entries.size()));
    WriteFile(dir / "t.pvz", texture);
    WriteFile(dir / "t.pvp", palette);
    const Outcome indexed = Drive(ConvertPvzToPng, dir / "t.pvz", {.indexed = true});
    ASSERT_TRUE(indexed.ok) << ::testing::PrintToString(indexed.shown);
    EXPECT_EQ(ReadFile(indexed.written)[25], 3) << "colour type: palette";
    const bool translucent = std::ranges::any_of(entries, [&](int e) {
        return s.pixelFormat == 0 ? e < 0x8000 : s.pixelFormat == 2 && e < 0xF000;
    });
    int bpp = 0;  // 32 only with tRNS
    const std::vector<ArgbColor> picture = PixelsOf(indexed.written, &bpp);
    EXPECT_EQ(bpp == 32, translucent);
    EXPECT_EQ(Drive(ConvertPngToPvz, indexed.written, {.keepPalette = true}).shown, Texts{});
    EXPECT_EQ(ReadFile(dir / "t.pvz"), texture);
    EXPECT_EQ(ReadFile(dir / "t.pvp"), palette);

    std::filesystem::remove(indexed.written);
    ASSERT_TRUE(PvzToPng(dir / "t.pvz").ok);
    EXPECT_EQ(PixelsOf(indexed.written), picture) << "the same picture either way";
    EXPECT_TRUE(Drive(ConvertPngToPvz, indexed.written, {.keepPalette = true}).ok);
    EXPECT_EQ(ReadFile(dir / "t.pvz"), texture);
    EXPECT_EQ(ReadFile(dir / "t.pvp"), palette);
}

INSTANTIATE_TEST_SUITE_P(Shapes, PaletteRoundTrip,
                         ::testing::Values(Shape{0, 1, 2, 2}, Shape{1, 2, 4, 2}, Shape{2, 16, 2, 4},
                                           Shape{0, 256, 16, 16}, Shape{1, 200, 64, 32},
                                           Shape{2, 256, 32, 64}, Shape{1, 33, 128, 128},
                                           Shape{2, 5, 8, 16}));

struct PaletteRule {
    PngPicture png;
    Bytes existing;  // the .pvp beforehand; none when empty
    int colors;
    Bytes expected;
};

class PaletteFile : public ::testing::TestWithParam<PaletteRule> {};

// Pixels red, blue or white, green or blue, red on RGB565, in twiddled order
// red, the third, the second, red: entries and indices follow the rules.
TEST_P(PaletteFile, FollowsThePaletteRules) {
    TempDir dir;
    if (!GetParam().existing.empty()) WriteFile(dir / "t.pvp", GetParam().existing);
    WriteFile(PngName(dir, 1, 7), PngBytes(GetParam().png));
    EXPECT_EQ(Drive(ConvertPngToPvz, PngName(dir, 1, 7),
                    {.keepPalette = true, .colors = GetParam().colors})
                  .shown,
              Texts{});
    EXPECT_EQ(ReadFile(dir / "t.pvp"), GetParam().expected);
    Bytes stream;
    for (const std::uint8_t index : {0, 2, 1, 0}) AppendRecord1(stream, index, 0);
    EXPECT_EQ(ReadFile(dir / "t.pvz"), Pvz(1, 7, 2, 2, stream, kHeaderBytes));
}

// An editor's PLTE order red, blue, green; an editor's flattened picture.
const PngPicture kReordered{
    2, 2, 3, 8, false, {0, 1, 2, 0}, {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}}, {}};
const PngPicture kFlattened{2,  2, 2, 8, false, {255, 0, 0, 255, 255, 255, 0, 0, 255, 255, 0, 0},
                            {}, {}};
const Bytes kRgb = Palette({0xF800, 0x07E0, 0x001F}, 3);

Bytes Headed(Bytes palette, const Bytes& head) {
    std::copy(head.begin(), head.end(), palette.begin());
    return palette;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PaletteFile,
    ::testing::Values(
        PaletteRule{kReordered,
                    {},
                    0,
                    Headed(Palette({0xF800, 0x001F, 0x07E0}, 3),
                           {'P', 'V', 'P', 'L', 14, 0, 0, 0, 1, 0, 0, 0, 0, 0})},
        PaletteRule{kReordered, kRgb, 0, Palette({0xF800, 0x001F, 0x07E0}, 3)},
        PaletteRule{
            kReordered, Headed(Palette({1, 2, 3, 4, 5}, 5), {'P', 'V', 'P', 'L', 18, 0, 0, 0, 1}),
            4,
            Headed(Palette({0xF800, 0x001F, 0x07E0, 4}, 4), {'P', 'V', 'P', 'L', 16, 0, 0, 0, 1})},
        PaletteRule{kFlattened, kRgb, 0, Palette({0xF800, 0xFFFF, 0x001F}, 3)}));

struct Failure {
    const char* name;  // Posix...: needs a limit or a user to drop to
    std::uint64_t fileSizeLimit;
    int colors;
    int palette;  // 0 a file, 1 a read-only file, 2 a folder
};

class PaletteFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(PaletteFailure, LeavesBothFilesAsTheyWere) {
    const Failure f = GetParam();
    TempDir dir;
    const Bytes texture = Pvz(1, 7, 4, 4, Records(std::vector<std::uint8_t>(16, 1)), kHeaderBytes);
    const Bytes palette = Palette({0xF800, 0x07E0}, 2);
    WriteFile(dir / "t.pvz", texture);
    f.palette == 2 ? void(std::filesystem::create_directory(dir / "t.pvp"))
                   : WriteFile(dir / "t.pvp", palette);
    std::vector<ArgbColor> pixels;  // 16 colours
    for (std::uint32_t i = 0; i < 16; ++i) pixels.push_back({255, i * 16, 0, 0});
    WriteFile(PngName(dir, 1, 7), PngOfPixels(4, 4, pixels, false));
    if (f.palette == 1)
        std::filesystem::permissions(PathOf(dir / "t.pvp"), std::filesystem::perms(0444));
    const Texts before = dir.List();
    ChildLimits limits;
    limits.fileSizeBytes = f.fileSizeLimit;
    limits.unprivilegedIn = f.palette == 1 ? &dir : nullptr;
    const Outcome out = OutcomeInChild(limits, [&] {
        return Drive(ConvertPngToPvz, PngName(dir, 1, 7),
                     {.keepPalette = true, .colors = f.colors});
    });
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.shown, Texts{"ファイルの作成に失敗"});
    EXPECT_EQ(ReadFile(dir / "t.pvz"), texture);
    EXPECT_EQ(f.palette == 2 ? Bytes{} : ReadFile(dir / "t.pvp"),
              f.palette == 2 ? Bytes{} : palette);
    EXPECT_EQ(dir.List(), before);
}

INSTANTIATE_TEST_SUITE_P(Writes, PaletteFailure,
                         ::testing::Values(Failure{"PosixDiskFullAtTheTexture", 40, 0, 0},
                                           Failure{"PosixDiskFullAtThePalette", 120, 256, 0},
                                           Failure{"PosixReadOnlyPalette", 0, 0, 1},
                                           Failure{"PaletteNameTakenByAFolder", 0, 0, 2}),
                         [](const auto& row) { return std::string(row.param.name); });

// --dither and --alpha-threshold change nothing the format holds exactly;
// without --keep-palette a code-07 name gives the notice and code 09.
TEST(PaletteOptions, DefaultsDitherAndThreshold) {
    TempDir dir;
    for (const std::uint8_t format : {0, 1, 2}) {
        Random random(format);
        const Bytes texture = RandomTexture(random, format, 9, 24, 10, kHeaderBytes);
        WriteFile(dir / "t.pvz", texture);
        const Outcome png = PvzToPng(dir / "t.pvz");
        std::filesystem::remove(dir / "t.pvz");
        EXPECT_TRUE(Drive(ConvertPngToPvz, png.written, {.dither = true, .alphaThreshold = 1}).ok);
        EXPECT_EQ(ReadFile(dir / "t.pvz"), texture) << int{format};
    }
    WriteFile(PngName(dir, 0, 7), PngOfPixels(2, 2, std::vector<ArgbColor>(4, {255, 8, 8, 8})));
    const Outcome out =
        Drive(ConvertPngToPvz, PngName(dir, 0, 7), {.indexed = true, .dither = true});
    EXPECT_EQ(out.shown, Texts{"暫定:2バイト長方形モードとして変換します"});
    EXPECT_EQ(ReadFile(dir / "t.pvz")[29], 9);
    WriteFile(PngName(dir, 0, 9), PngOfPixels(2, 1, {{149, 255, 0, 0}, {150, 255, 0, 0}}));
    EXPECT_TRUE(Drive(ConvertPngToPvz, PngName(dir, 0, 9), {.alphaThreshold = 150}).ok);
    Bytes stream;
    AppendRecord2(stream, 0x7C00, 0);
    AppendRecord2(stream, 0xFC00, 0);
    EXPECT_EQ(ReadFile(dir / "t.pvz"), Pvz(0, 9, 2, 1, stream, kHeaderBytes));
    EXPECT_FALSE(std::filesystem::exists(dir / "t.pvp"));
}

struct CliRow {
    std::string args;
    int status;
    std::string output;
};
void PrintTo(const CliRow& row, std::ostream* out) {
    *out << row.args;
}

class PaletteCli : public ::testing::TestWithParam<CliRow> {};

// Indices 0, 1, 3, 0 into entries A, A, B.
TEST_P(PaletteCli, StatusAndOutput) {
    TempDir dir;
    Bytes stream;
    for (const std::uint8_t index : {0, 1, 3, 0}) AppendRecord1(stream, index, 0);
    WriteFile(dir / "t.pvz", Pvz(1, 7, 2, 2, stream));
    WriteFile(dir / "t.pvp", Palette({0x1234, 0x1234, 0x4321}, 3));
    Texts args = Words(GetParam().args);
    args.push_back(dir / "t.pvz");
    const ProgramRun run = RunProgram(QM_CLI_PATH, args);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_NE((run.out + run.err).find(GetParam().output), std::string::npos) << run.out << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, PaletteCli,
    ::testing::Values(
        CliRow{"info", 0,
               "palette use: 2 used, 1 unused, 1 duplicate, some index beyond the count"},
        CliRow{"info --json", 0, R"("used":2,"unused":1,"duplicates":1,"index_beyond_count":true)"},
        CliRow{"pvz2png --indexed", 1, "t.pvz: ReadColorData1Byte パレット番号がおかしい"},
        CliRow{"png2pvz --colors 1", 2, "--colors"}, CliRow{"png2pvz --colors 257", 2, "--colors"},
        CliRow{"png2pvz --alpha-threshold 256", 2, "--alpha-threshold"},
        CliRow{"pvz2png --keep-palette", 2, "--keep-palette"}));

}  // namespace
}  // namespace qm::test
