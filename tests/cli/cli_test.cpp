// quillmere-cli from the outside: every case runs the built program once in a
// fresh folder holding the same files, and compares its exit status, its
// standard output and standard error lines, and the files it adds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/png_bytes.h"
#include "support/run_program.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

// The separator a folder walk puts between folder and entry names.
const std::string kSep = std::filesystem::path("/").make_preferred().string();
#ifdef _WIN32
// Arguments reach Windows programs as UTF-16: an invalid byte arrives as U+FFFD.
const std::string kInvalidByte = "\xEF\xBF\xBD";
#else
const std::string kInvalidByte = "\\ufffd";
#endif
const std::string kTail = kHeaderText + "0109.png";  // of a 2-byte texture written row by row
const std::string kPadNote = "note: the texel stream ended early; texels made transparent black: 1";
const std::string kPalettePng = "p_" + kHeaderText + "0007.png";        // in d
const Bytes kTexture = Pvz(1, 9, 2, 2, {0x1f, 0x00, 2}, kHeaderBytes);  // 1 texel short
const Bytes kPng = PngOfPixels(2, 2, std::vector<ArgbColor>(4, {255, 255, 0, 0}));
// Two PNGs in c that both lead to c/s.pvz, and one that leads to c/t.pvz.
const std::string kS7 = "s_" + kHeaderText + "0107.png";
const std::string kS9 = "s_" + kHeaderText + "0109.png";
const std::string kGs7 = "s_" + kHeaderText + "0107.png";  // in g, beside S_...0109.png
const std::string kPalTexturePng = "pal_" + kHeaderText + "0107.png";
const std::string kNoteExtracted =
    "note: a palette texture (data format 7): png2pvz gives it back as data format 9; --indexed "
    "here and --keep-palette there keep it a palette texture";
const std::string kNotePutBack =
    "note: written as data format 9, not as a palette texture (data format 7); --keep-palette "
    "keeps it a palette texture";

// Writes what every case finds in its folder.
void MakeFiles(const TempDir& folder) {
    Random random(7);
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"big.pvz", RandomTexture(random, 1, 9, 512, 512, kHeaderBytes)},  // slow to convert
        {"nopal.pvz", Pvz(0, 7, 4, 4, {0, 15})},                           // no nopal.pvp beside it
        {"d/z.pvz", kTexture},
        {"d/a.PVZ", kTexture},
        {"d/notes.txt", {1}},
        {"d/plain.png", kPng},
        {"d/" + kPalettePng, kPng},
        {"d/x_" + kTail, kPng},
        {"d/sub/c.pvz", kTexture},
        // Everything info can find wrong but a short file.
        {"odd.pvz", Pvz(5, 7, 4, 4, {0, 9, 2, 1, 7}, kHeaderBytes)},
        {"odd.pvp", Palette({0xFC00, 0x801F}, 3)},
        {"tiny.pvz", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"c/" + kS7, kPng},
        {"c/" + kS9, kPng},
        {"c/t_" + kTail, kPng},
        // One output where letter case is ignored, two elsewhere.
        {"g/" + kGs7, kPng},
        {"g/S_" + kTail, kPng},
        {"pal.pvz", Pvz(1, 7, 2, 2, {0, 3}, kHeaderBytes)},
        {"pal.pvp", Palette({0xF800}, 1)},
#ifndef _WIN32
        // Two textures whose PNG names are one (".PVZ" becomes ".pvz").
        {"e/s.pvz", kTexture},
        {"e/s.PVZ", kTexture},
        // Two PNGs whose textures are one after case resolution: A.pvz.
        {"f/a_" + kTail, kPng},
        {"f/A_" + kTail, kPng},
        {"f/A.pvz", kTexture},
        // a.pvz and A.PVZ, whose PNG names meet in the existing a_....png.
        {"h/a.pvz", kTexture},
        {"h/A.PVZ", kTexture},
        {"h/a_" + kTail, kPng},
#endif
    };
    for (const auto& [name, bytes] : files) WriteFile(folder / name, bytes);
}

const Texts kComplaint = {"<CLI11's own words, not compared>"};  // some text, any

struct Case {
    std::string name;
    std::string command;  // the arguments, split at spaces
    int status = 0;
    Texts out = {}, err = {}, adds = {};  // output lines, error lines, files the run adds
    friend void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }
};

const std::vector<Case> kCases = {
    Case{"NoCommand", "", 2, {}, kComplaint},
    Case{"UnknownOption", "png2pvz --bogus d/z.pvz", 2, {}, kComplaint},
    Case{"ZeroJobs", "pvz2png -j 0 d/z.pvz", 2, {}, kComplaint},
#ifndef _WIN32
    // Explorer's registration exists on Windows only (tests/explorer).
    Case{"RegisterIsForWindows",
         "register",
         2,
         {},
         {"quillmere-cli: register and unregister are for Windows; on Linux, make install "
          "registers the texture type"}},
    Case{"UnregisterIsForWindows",
         "unregister",
         2,
         {},
         {"quillmere-cli: register and unregister are for Windows; on Linux, make install "
          "registers the texture type"}},
#endif
    Case{"Missing",
         "pvz2png nope.pvz",
         1,
         {"nope.pvz: 失敗しました"},
         {"nope.pvz: ファイルの読み込みに失敗"}},
    Case{"NotPvz",
         "pvz2png d/notes.txt",
         1,
         {"d/notes.txt: 失敗しました"},
         {"d/notes.txt: 拡張子がpvzではない"}},
    Case{"NoPalette",
         "pvz2png nopal.pvz",
         1,
         {"nopal.pvz: 失敗しました"},
         {"nopal.pvz: ReadColorPalette pvpファイルの読み込みに失敗"}},
    Case{"SlowFirstFileStillFirst",
         "pvz2png -j 2 big.pvz nope.pvz",
         1,
         {"big.pvz: 変換終了", "nope.pvz: 失敗しました"},
         {"nope.pvz: ファイルの読み込みに失敗"},
         {"big_" + kTail}},
    Case{"FolderRecursiveSorted",
         "pvz2png -r -j 3 d",
         0,
         {"d" + kSep + "a.PVZ: 変換終了", "d" + kSep + "sub" + kSep + "c.pvz: 変換終了",
          "d" + kSep + "z.pvz: 変換終了"},
         {"d" + kSep + "a.PVZ: " + kPadNote, "d" + kSep + "sub" + kSep + "c.pvz: " + kPadNote,
          "d" + kSep + "z.pvz: " + kPadNote},
         {"d/a_" + kTail, "d/z_" + kTail, "d/sub/c_" + kTail}},
    Case{"VerbosePaddingAndName",
         "pvz2png -v d/z.pvz",
         0,
         {"d/z.pvz: 変換終了"},
         {"d/z.pvz: ピクセルが足りないため、足りない分を埋める", "d/z.pvz: " + kPadNote,
          "d/z.pvz: wrote d/z_" + kTail},
         {"d/z_" + kTail}},
    Case{"PngToPvzFolderTakesNamedPngs",
         "png2pvz d",
         0,
         {"d" + kSep + kPalettePng + ": 変換終了", "d" + kSep + "x_" + kTail + ": 変換終了"},
         {"d" + kSep + kPalettePng + ": 暫定:2バイト長方形モードとして変換します",
          "d" + kSep + kPalettePng + ": " + kNotePutBack},
         {"d/p.pvz", "d/x.pvz"}},
    // Inputs that would write one file are not converted; the rest goes on.
    Case{"SameOutputHeldBack",
         "png2pvz -j 2 c",
         1,
         {"c" + kSep + kS7 + ": 失敗しました", "c" + kSep + kS9 + ": 失敗しました",
          "c" + kSep + "t_" + kTail + ": 変換終了"},
         {"c" + kSep + kS7 + ": not converted: c" + kSep + "s.pvz is also the output of c" + kSep +
              kS9,
          "c" + kSep + kS9 + ": not converted: c" + kSep + "s.pvz is also the output of c" + kSep +
              kS7},
         {"c/t.pvz"}},
    Case{"SameOutputHowEverSpelt",
         "png2pvz -j 2 ./c/" + kS9 + " c/t_" + kTail + " c/" + kS7,
         1,
         {"./c/" + kS9 + ": 失敗しました", "c/t_" + kTail + ": 変換終了",
          "c/" + kS7 + ": 失敗しました"},
         {"./c/" + kS9 + ": not converted: ./c/s.pvz is also the output of c/" + kS7,
          "c/" + kS7 + ": not converted: c/s.pvz is also the output of ./c/" + kS9},
         {"c/t.pvz"}},
    Case{"SameFileTwiceCountsToo",
         "png2pvz c/t_" + kTail + " ./c/t_" + kTail,
         1,
         {"c/t_" + kTail + ": 失敗しました", "./c/t_" + kTail + ": 失敗しました"},
         {"c/t_" + kTail + ": not converted: c/t.pvz is also the output of ./c/t_" + kTail,
          "./c/t_" + kTail + ": not converted: ./c/t.pvz is also the output of c/t_" + kTail}},
#ifdef _WIN32
    Case{"SameOutputIgnoringCase",
         "png2pvz g",
         1,
         {"g\\S_" + kTail + ": 失敗しました", "g\\" + kGs7 + ": 失敗しました"},
         {"g\\S_" + kTail + ": not converted: g\\S.pvz is also the output of g\\" + kGs7,
          "g\\" + kGs7 + ": not converted: g\\s.pvz is also the output of g\\S_" + kTail}},
#else
    Case{"CaseVariantsAreTwoOutputs",
         "png2pvz g",
         0,
         {"g/S_" + kTail + ": 変換終了", "g/" + kGs7 + ": 変換終了"},
         {"g/" + kGs7 + ": 暫定:2バイト長方形モードとして変換します",
          "g/" + kGs7 + ": " + kNotePutBack},
         {"g/S.pvz", "g/s.pvz"}},
    Case{"SameOutputFromCaseVariants",
         "pvz2png -j 2 e",
         1,
         {"e/s.PVZ: 失敗しました", "e/s.pvz: 失敗しました"},
         {"e/s.PVZ: not converted: e/s_" + kTail + " is also the output of e/s.pvz",
          "e/s.pvz: not converted: e/s_" + kTail + " is also the output of e/s.PVZ"}},
    Case{"SameOutputInAnExistingPng",
         "pvz2png h",
         1,
         {"h/A.PVZ: 失敗しました", "h/a.pvz: 失敗しました"},
         {"h/A.PVZ: not converted: h/a_" + kTail + " is also the output of h/a.pvz",
          "h/a.pvz: not converted: h/a_" + kTail + " is also the output of h/A.PVZ"}},
    Case{"SameOutputAfterCaseResolution",
         "png2pvz f",
         1,
         {"f/A_" + kTail + ": 失敗しました", "f/a_" + kTail + ": 失敗しました"},
         {"f/A_" + kTail + ": not converted: f/A.pvz is also the output of f/a_" + kTail,
          "f/a_" + kTail + ": not converted: f/A.pvz is also the output of f/A_" + kTail}},
#endif
    // A palette texture on the road that gives it back as data format 9.
    Case{"PaletteTextureNote",
         "pvz2png pal.pvz",
         0,
         {"pal.pvz: 変換終了"},
         {"pal.pvz: " + kNoteExtracted},
         {kPalTexturePng}},
    Case{"PaletteNoteNotWithIndexed",
         "pvz2png --indexed pal.pvz",
         0,
         {"pal.pvz: 変換終了"},
         {},
         {kPalTexturePng}},
    Case{"PaletteNoteNotWithQuiet", "pvz2png -q pal.pvz", 0, {}, {}, {kPalTexturePng}},
    Case{"PaletteNoteNotWithKeepPalette",
         "png2pvz --keep-palette d/" + kPalettePng,
         0,
         {"d/" + kPalettePng + ": 変換終了"},
         {},
         {"d/p.pvp", "d/p.pvz"}},
    // Files named without a command, as Explorer passes files dropped on the
    // program: each by its extension, in the order given.
    Case{"DroppedFilesByExtension",
         "d/x_" + kTail + " d/z.pvz d/notes.txt",
         1,
         {"d/x_" + kTail + ": 変換終了", "d/z.pvz: 変換終了", "d/notes.txt: 失敗しました"},
         {"d/z.pvz: " + kPadNote, "d/notes.txt: 拡張子がpvzではない"},
         {"d/x.pvz", "d/z_" + kTail}},
    Case{"DroppedFolderTakesTexturesAndNamedPngs",
         "d",
         0,
         {"d" + kSep + "a.PVZ: 変換終了", "d" + kSep + kPalettePng + ": 変換終了",
          "d" + kSep + "x_" + kTail + ": 変換終了", "d" + kSep + "z.pvz: 変換終了"},
         {"d" + kSep + "a.PVZ: " + kPadNote,
          "d" + kSep + kPalettePng + ": 暫定:2バイト長方形モードとして変換します",
          "d" + kSep + kPalettePng + ": " + kNotePutBack, "d" + kSep + "z.pvz: " + kPadNote},
         {"d/a_" + kTail, "d/p.pvz", "d/x.pvz", "d/z_" + kTail}},
    Case{"BadPngNameIsTwoLines",
         "png2pvz d/plain.png",
         1,
         {"d/plain.png: 失敗しました"},
         {"d/plain.png: 拡張子がpngではない or", "d/plain.png:  '_' 以下の文字列がおかしい"}},
    Case{"InfoText",
         "info odd.pvz tiny.pvz nope.pvz",
         1,
         {"odd.pvz:", "  file: 41 bytes", "  size: 4 x 4", "  pixel format: 5 unknown",
          "  data format: 7 palette", "  header bytes 8-19: " + kHeaderText, "  records: 2",
          "  texels: 12 (width x height: 16)",
          "  compression: 16 texel bytes in 5 stream bytes, ratio 3.20:1",
          "  palette: odd.pvp, 2 entries",
          "  palette use: 1 used, 1 unused, 0 duplicate, some index beyond the count",
          "  problem: pixel format has no colour layout",
          "  problem: stream is 4 texels short (padded with transparent black)",
          "  problem: 1 bytes after the last whole record are ignored",
          "  problem: palette announces 3 entries but holds 2",
          "  problem: palette index 2 is beyond the last entry", "tiny.pvz:", "  file: 10 bytes",
          "  problem: shorter than the 36-byte header"},
         {"nope.pvz: ファイルの読み込みに失敗"}},
    Case{
        "InfoJson",
        "info --json odd.pvz no\"pe\xff\t.pvz",
        1,
        {R"({"path":"odd.pvz","file_bytes":41,"width":4,"height":4,"pixel_format":5,)"
         R"("pixel_format_name":"unknown","data_format":7,"layout":"palette",)"
         R"("header_bytes":"080000000100000000000000","records":2,"texels":12,)"
         R"("expected_texels":16,"raw_bytes":16,"stream_bytes":5,"ratio":3.20,)"
         R"("palette":{"path":"odd.pvp","readable":true,"count":3,"entries":2,"used":1,"unused":1,)"
         R"("duplicates":0,"index_beyond_count":true},)"
         R"("problems":["pixel format has no colour layout",)"
         R"j("stream is 4 texels short (padded with transparent black)",)j"
         R"("1 bytes after the last whole record are ignored",)"
         R"("palette announces 3 entries but holds 2","palette index 2 is beyond the last entry"]})",
         R"({"path":"no\"pe)" + kInvalidByte + R"(\t.pvz","error":"ファイルの読み込みに失敗"})"}},
    Case{"InfoReadsAll",
         "info --json tiny.pvz",
         0,
         {R"({"path":"tiny.pvz","file_bytes":10,"problems":["shorter than the 36-byte header"]})"}},
};

std::string Joined(const Texts& lines) {
    return std::accumulate(
        lines.begin(), lines.end(), std::string(),
        [](const std::string& text, const std::string& line) { return text + line + "\n"; });
}

class CliCase : public ::testing::TestWithParam<Case> {};

TEST_P(CliCase, Runs) {
    const Case& c = GetParam();
    TempDir dir;
    MakeFiles(dir);
    Texts expectedFiles = dir.Files();
    expectedFiles.insert(expectedFiles.end(), c.adds.begin(), c.adds.end());
    std::sort(expectedFiles.begin(), expectedFiles.end());
    const ProgramRun run = RunProgram(QM_CLI_PATH, Words(c.command), Utf8(dir.path()));
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, Joined(c.out));
    const bool complained = c.err == kComplaint && !run.err.empty();
    EXPECT_EQ(complained ? Joined(kComplaint) : run.err, Joined(c.err));
    EXPECT_EQ(dir.Files(), expectedFiles);
}

INSTANTIATE_TEST_SUITE_P(Table, CliCase, ::testing::ValuesIn(kCases),
                         ::testing::PrintToStringParamName());

// Arguments reach the program as written: blanks, quotes, backslashes before
// a quote and at the end, an empty one (Windows rebuilds them from one line).
TEST(CliArguments, ArriveAsWritten) {
    Texts lines;
    for (const char* path :
         {"名前 付き.pvz", R"(say \"hi\")", R"(a\\\"b)", R"(back\\slash\\)", "", R"(tab\t)"}) {
        lines.push_back(std::string(R"({"path":")") + path +
                        R"(","error":"ファイルの読み込みに失敗"})");
    }
    const ProgramRun run = RunProgram(QM_CLI_PATH, {"info", "--json", "名前 付き.pvz", "say \"hi\"",
                                                    "a\\\"b", "back\\slash\\", "", "tab\t"});
    EXPECT_EQ(std::tuple(run.status, run.out, run.err), std::tuple(1, Joined(lines), ""));
}

}  // namespace
}  // namespace qm::test
