// quillmere-cli re-extracting edited PNGs, its notes, and what it refuses.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <tuple>
#include <utility>

#include "support/png_bytes.h"
#include "support/run_program.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

ProgramRun RunCli(const TempDir& folder, const Args& args) {
    return RunProgram(QM_CLI_PATH, args, Utf8(folder.path()));
}

const std::string kPng = "t_0800000001000000000000000109.png";
// A 4 x 4 RGB565 texture of one record of repeat + 1 white texels.
Bytes Texture(std::uint8_t repeat) {
    Bytes stream;
    AppendRecord2(stream, 0xFFFF, repeat);
    return Pvz(1, 9, 4, 4, stream, kHeaderBytes);
}

TEST(ExtractAgain, KeepsOnlyAPngNewerThanItsTexture) {
    TempDir dir;
    WriteFile(dir / "t.pvz", Texture(15));
    // Whole seconds: std::filesystem reads times to the second on Windows.
    const fs::file_time_type hourAgo = std::chrono::floor<std::chrono::seconds>(
                                 fs::file_time_type::clock::now() - std::chrono::hours(1)),
                             edited = hourAgo + std::chrono::minutes(30);
    fs::last_write_time(dir / "t.pvz", hourAgo);
    const std::string done = "t.pvz: 変換終了\n";
    const std::string kept =
        "t.pvz: kept (the PNG is newer than its texture; --force replaces it)\n";
    const std::tuple<Args, bool, std::string> steps[] = {
        // command, edit first, output
        {{"pvz2png", "t.pvz"}, false, done}, {{"pvz2png", "t.pvz"}, false, done},
        {{"pvz2png", "t.pvz"}, true, kept},  {{"pvz2png", "--force", "t.pvz"}, false, done},
        {{"pvz2png", "t.pvz"}, true, kept},  {{"png2pvz", kPng}, false, kPng + ": 変換終了\n"},
        {{"pvz2png", "t.pvz"}, false, done}};  // the texture was newer after png2pvz
    for (const auto& [args, editFirst, out] : steps) {
        if (editFirst) fs::last_write_time(dir / kPng, edited);
        const ProgramRun ran = RunCli(dir, args);
        EXPECT_EQ(std::pair(ran.status, ran.out), std::pair(0, out));
        EXPECT_EQ(dir.List(), (Texts{"t.pvz", kPng}));
        EXPECT_EQ(fs::last_write_time(dir / kPng),  // replaced: the texture's; else the edit's
                  out == done ? fs::last_write_time(dir / "t.pvz") : edited);
    }
}

// Rows of files, a command, what it prints on standard error, its status.
using Files = std::vector<std::pair<std::string, Bytes>>;
struct Row {
    Files files;
    Args args;
    std::string err;
    int status = 0;
};
void PrintTo(const Row& row, std::ostream* out) {
    for (const std::string& arg : row.args) *out << arg << ' ';
}
class CliErrorLines : public testing::TestWithParam<Row> {};

TEST_P(CliErrorLines, ArePrinted) {
    TempDir dir;
    for (const auto& [name, bytes] : GetParam().files) WriteFile(dir / name, bytes);
    const ProgramRun ran = RunCli(dir, GetParam().args);
    EXPECT_EQ(std::pair(ran.err, ran.status), std::pair(GetParam().err, GetParam().status));
}

const std::string k4444 = "t_0800000001000000000000000209.png";
const std::vector<ArgbColor> kOpaque(4, ArgbColor{255, 1, 2, 3});
const std::vector<ArgbColor> kClear = {{0, 1, 2, 3}, kOpaque[0], kOpaque[0], {254, 1, 2, 3}};
const Files kPadded = {{"t.pvz", Texture(13)}}, kSeeThrough = {{kPng, PngOfPixels(2, 2, kClear)}};
const Files kFolders = {{"e/a.txt", {1}}, {"f/a.png", {1}}, {"f/g/t.pvz", Texture(15)}};
const std::string kTooMany = "t.pvz: ReadColorData2Byte 展開できません\n",
                  kShape = "t.pvz: CreatePng サポートしてません\n";
const std::string kNothing = "f: nothing to convert\ne: nothing to convert\n";

INSTANTIATE_TEST_SUITE_P(
    NotesNothingToConvertNegativeSizes, CliErrorLines,
    testing::Values(
        Row{kPadded,
            {"pvz2png", "t.pvz"},
            "t.pvz: note: the texel stream ended early; texels made transparent black: 2\n"},
        Row{kPadded, {"pvz2png", "-q", "t.pvz"}, ""},
        Row{{{"t.pvz", Texture(15)}}, {"pvz2png", "t.pvz"}, ""},
        Row{kSeeThrough,
            {"png2pvz", kPng},
            kPng + ": note: RGB565 has no alpha; non-opaque pixels made opaque: 2\n"},
        Row{{{kPng, PngOfPixels(2, 2, kOpaque)}}, {"png2pvz", kPng}, ""},
        Row{{{k4444, PngOfPixels(2, 2, kClear)}}, {"png2pvz", k4444}, ""},
        Row{kFolders, {"png2pvz", "-q", "-r", "f", "e"}, kNothing, 1},
        Row{kFolders, {"pvz2png", "-q", "f", "e"}, kNothing, 1},
        Row{kFolders, {"pvz2png", "-q", "-r", "f", "e"}, "e: nothing to convert\n", 1},
        // A negative size: the decoder's count check before the shape check.
        Row{{{"t.pvz", Pvz(1, 9, -4, 4, {})}}, {"pvz2png", "t.pvz"}, kTooMany, 1},
        Row{{{"t.pvz", Pvz(1, 9, 4, -1, {})}}, {"pvz2png", "t.pvz"}, kTooMany, 1},
        Row{{{"t.pvz", Pvz(1, 9, -4, 4, {0, 0, 0})}}, {"pvz2png", "t.pvz"}, kTooMany, 1},
        Row{{{"t.pvz", Pvz(1, 9, -4, -4, {})}}, {"pvz2png", "t.pvz"}, kShape, 1},
        Row{{{"t.pvz", Pvz(1, 9, 0, 4, {})}}, {"pvz2png", "t.pvz"}, kShape, 1}));

}  // namespace
}  // namespace qm::test
