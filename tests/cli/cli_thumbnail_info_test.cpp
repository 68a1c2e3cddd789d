// thumbnail: the preview's size and box average; damaged textures write
// nothing and take no memory for the picture they announce. info on PNGs.
#include <gtest/gtest.h>

#include "convert/thumbnail.h"
#include "support/child_process.h"
#include "support/png_bytes.h"
#include "support/run_program.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

// quillmere-cli ARGS limited to 256 MiB of address space (on POSIX, without
// AddressSanitizer): standard output, standard error, then the status.
std::string Cli(const Texts& args) {
    const ProgramRun run =
        RunProgram(QM_CLI_PATH, args, "", "", UnderAddressSanitizer() ? 0 : 256u << 20);
    return run.out + run.err + std::to_string(run.status) + "\n";
}

TEST(Thumbnail, FitsTheSquareKeepsTheAspectNeverGrows) {
    constexpr int kRows[][5] = {{512, 256, 256, 256, 128}, {256, 512, 256, 128, 256},
                                {64, 64, 256, 64, 64},     {1, 4096, 256, 1, 256},
                                {4096, 1, 256, 256, 1},    {3, 1, 1, 1, 1},
                                {300, 200, 256, 256, 171}};
    for (const auto& [w, h, size, wantW, wantH] : kRows) {
        const PictureSize got = ThumbnailSize(w, h, size);
        EXPECT_EQ(std::pair(got.width, got.height), std::pair(wantW, wantH)) << w << "x" << h;
    }
    // Boxes: opaque white and transparent black; red and blue.
    ImageSurface out;
    ASSERT_TRUE(ScaleDown(
        SurfaceOf(4, 1, 32, {{255, 255, 255, 255}, {}, {255, 255, 0, 0}, {255, 0, 0, 255}}), {2, 1},
        out));
    EXPECT_EQ(PixelsOf(out), (std::vector<ArgbColor>{{128, 255, 255, 255}, {255, 128, 0, 128}}));
}

TEST(Thumbnail, PreviewIsThePictureWhenItFitsElseScaled) {
    const ImageSurface picture = SurfaceOf(4, 2, 32, std::vector<ArgbColor>(8, {255, 9, 9, 9}));
    ImageSurface scaled;
    EXPECT_EQ(PreviewOf(picture, 4, scaled), &picture);
    EXPECT_TRUE(scaled.IsNull());
    ASSERT_EQ(PreviewOf(picture, 2, scaled), &scaled);
    EXPECT_EQ(std::pair(scaled.GetWidth(), scaled.GetHeight()), std::pair(2, 1));
    EXPECT_EQ(PreviewOf(SurfaceOf(4, 2, 24, std::vector<ArgbColor>(8)), 2, scaled), nullptr);
}

TEST(Thumbnail, WritesThePreviewOrNothing) {
    Bytes wide;  // 512 x 256: red left half, blue right half
    for (int run = 0; run < 512; ++run) AppendRecord2(wide, run % 2 ? 0x001F : 0xF800, 255);
    const std::pair<Bytes, std::string> rows[] = {
        {Pvz(1, 9, 512, 256, wide), ""},
        {Pvz(1, 9, 16384, 16384, {0, 0, 5}), "stream too short for the picture's size: no preview"},
        {Pvz(1, 7, 2, 2, {0, 3}), "ReadColorPalette pvpファイルの読み込みに失敗"}};
    for (const auto& [file, err] : rows) {
        TempDir dir;
        WriteFile(dir / "t.PVZ", file);
        EXPECT_EQ(Cli({"thumbnail", dir / "t.PVZ", dir / "o.png"}),
                  err.empty() ? "0\n" : dir / "t.PVZ: " + err + "\n1\n");
        const std::vector<ArgbColor> pixels = PixelsOf(dir / "o.png");
        EXPECT_EQ(pixels.size(), err.empty() ? 256u * 128u : 0u);
        if (!pixels.empty()) {  // red on the left, blue on the right
            EXPECT_EQ((std::vector{pixels.front(), pixels.back()}),
                      (std::vector<ArgbColor>{{255, 255, 0, 0}, {255, 0, 0, 255}}));
        }
    }
}

// An output not named .png is a usage error that names it; nothing is written.
TEST(Thumbnail, OutputMustBeNamedPng) {
    TempDir dir;
    WriteFile(dir / "t.pvz", Pvz(1, 9, 2, 2, {0x1f, 0x00, 3}));
    EXPECT_EQ(
        Cli({"thumbnail", dir / "t.pvz", dir / "t.jpg"}),
        dir / "t.jpg: the preview is written as a PNG: the output's name must end in .png\n2\n");
    EXPECT_EQ(Cli({"thumbnail", dir / "t.pvz", dir / "t.PNG"}), "0\n");
    EXPECT_EQ(dir.Files(), (Texts{"t.PNG", "t.pvz"}));
}

// The texture of a PNG: the file whose name differs only in letter case, or
// on Windows, which matches case itself, the name the PNG's gives.
#ifdef _WIN32
const char* const kTexture = "Stone.pvz";
#else
const char* const kTexture = "STONE.PVZ";
#endif

TEST(Info, DescribesPngsAndSearchesFoldersWithR) {
    TempDir dir;
    const std::string png = "Stone_" + kHeaderText + "0107.PNG";
    WriteFile(dir / png, PngOfPixels(4, 2, std::vector<ArgbColor>(8), false));
    WriteFile(dir / "STONE.PVZ", Pvz(1, 9, 4, 2, {}));
    WriteFile(dir / "sub/misnamed.pvz", PngOfPixels(16, 8, std::vector<ArgbColor>(128)));
    const std::string bytes = std::to_string(ReadFile(dir / png).size());
    EXPECT_EQ(
        Cli({"info", dir / png}),
        dir / png + ":\n  file: " + bytes +
            " bytes, PNG\n  size: 4 x 2\n  colour type: 2 RGB, 8 bits\n  header bytes 8-19: " +
            kHeaderText + "\n  texture: " + dir / kTexture +
            "\n  texture pixel format: 1 RGB565\n  texture data format: 9 rectangle\n  with "
            "--keep-palette: 7 palette, and its .pvp\n0\n");
    EXPECT_NE(Cli({"info", "--json", dir / png})
                  .find(R"("layout":"rectangle","with_keep_palette":{"data_format":7,)"
                        R"("layout":"palette"}},"problems":[]})"),
              std::string::npos);
    // Three pixels wide: only the road without --keep-palette takes it.
    const std::string wide = "w_" + kHeaderText + "0107.png";
    WriteFile(dir / wide, PngOfPixels(3, 2, std::vector<ArgbColor>(6)));
    EXPECT_NE(Cli({"info", dir / wide})
                  .find("  with --keep-palette: 7 palette, and its .pvp\n  problem: with "
                        "--keep-palette: twiddled layout needs a square or two squares (2:1 or "
                        "1:2) with power-of-two sides from 2 to 16384\n0\n"),
              std::string::npos);
    EXPECT_EQ(Cli({"info", "--json", Utf8(dir.path())}).find("misnamed"), std::string::npos);
    EXPECT_NE(
        Cli({"info", "--json", "-r", Utf8(dir.path())}).find("misnamed.pvz\",\"kind\":\"png\""),
        std::string::npos);
}

// info names a shape problem exactly when pvz2png refuses the shape, and
// says so in its own words.
TEST(Info, AgreesWithTheConverterOnShapes) {
    const std::string kShapeProblem =
        "twiddled layout needs a square or two squares (2:1 or 1:2) with power-of-two sides up "
        "to 16384";
    constexpr struct {
        std::int16_t w, h;
        std::uint8_t dataFormat;
        bool refused;
    } kRows[] = {
        {6, 6, 1, true},  {8, 8, 1, false}, {8, 4, 3, false}, {4, 8, 1, false},
        {8, 2, 1, true},  {6, 3, 1, true},  {1, 1, 1, false}, {6, 6, 9, false},
        {12, 6, 1, true}, {2, 4, 7, false}, {6, 6, 7, true},  {3, 5, 9, false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(std::to_string(row.w) + "x" + std::to_string(row.h) + " code " +
                     std::to_string(row.dataFormat));
        TempDir dir;
        const std::string texture = dir / "t.pvz";
        WriteFile(texture, Pvz(1, row.dataFormat, row.w, row.h, {}));
        WriteFile(dir / "t.pvp", Palette({0xF800}, 1));
        const std::string info = Cli({"info", texture});
        EXPECT_EQ(info.find(kShapeProblem) != std::string::npos, row.refused) << info;
        const std::string converted = Cli({"pvz2png", texture});
        EXPECT_EQ(converted.find("CreatePng サポートしてません") != std::string::npos, row.refused)
            << converted;
    }
}

}  // namespace
}  // namespace qm::test
