// quillmere-cli from the outside: each case creates files in a fresh folder,
// runs the built program there one or more times and compares exit status,
// standard output, standard error and the files left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

extern char** environ;

namespace qm::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Match {
    kExact,     // the lines, exactly
    kContains,  // each expected text inside some line, in this order (for CLI11's help)
};

struct Step {
    std::vector<std::string> args = {};
    int status = 0;
    std::vector<std::string> out = {};  // standard output lines; none expected when empty
    std::vector<std::string> err = {};  // standard error lines; none expected when empty
    Match match = Match::kExact;
    std::vector<std::string> removeFirst = {};  // files deleted before the run
    std::vector<std::string> creates = {};      // files the run adds
};

struct Case {
    std::string name;
    std::vector<std::pair<std::string, Bytes>> files = {};
    std::vector<Step> steps = {};
    std::vector<std::pair<std::string, Bytes>> contentAfter = {};
};

// ---- Inputs -------------------------------------------------------------

Bytes Pvz(std::uint8_t pixelFormat, std::uint8_t dataFormat, std::int16_t width,
          std::int16_t height, const Bytes& stream, const Bytes& headerBytes = {}) {
    Bytes bytes = MakePvzHeader(pixelFormat, dataFormat, width, height, headerBytes);
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    return bytes;
}

const Bytes kHeaderBytes = {0x08, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0};
const std::string kHeaderText = "080000000100000000000000";
const std::string kZeroText = "000000000000000000000000";

// Streams whose runs are maximal, as the encoders write them, so that a
// round trip must give the same bytes.
const Bytes kRect = Pvz(2, 9, 3, 2, {0x34, 0x12, 0, 0xff, 0xff, 1, 0x00, 0x80, 2}, kHeaderBytes);
const Bytes kSquare = Pvz(1, 1, 4, 4, {0x1f, 0x00, 4, 0xe0, 0x07, 10});
const Bytes kTwoSquares = Pvz(0, 3, 8, 4, {0x00, 0x80, 15, 0x1f, 0x7c, 15});
const Bytes kShortStream = Pvz(1, 9, 4, 2, {0x1f, 0x00, 3});
const Bytes kPalette16 = Pvz(0, 7, 4, 4, {0, 15});

const std::string kRectPng = "rect_" + kHeaderText + "0209.png";
const std::string kSquarePng = "sq_" + kZeroText + "0101.png";
const std::string kTwoPng = "two_" + kZeroText + "0003.png";

// Textures for info.
const Bytes kInfoTwiddled = Pvz(1, 1, 4, 4, {0x1f, 0x00, 7, 0xe0, 0x07, 7}, kHeaderBytes);
const Bytes kInfoPalette = Pvz(0, 7, 4, 4, {0, 9, 2, 5});
const Bytes kInfoOdd = Pvz(5, 1, 8, 2, {0, 0, 3, 1, 2});
const Bytes kInfoShort = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

// ---- The table ----------------------------------------------------------

const std::string kDone = ": 変換終了";
const std::string kFailed = ": 失敗しました";

std::vector<Case> Cases() {
    return {
        {.name = "UsageErrors",
         .files = {{"a.pvz", kRect}},
         .steps =
             {
                 {.args = {}, .status = 2, .err = {"--help"}, .match = Match::kContains},
                 {.args = {"pvz2png"}, .status = 2, .err = {"--help"}, .match = Match::kContains},
                 {.args = {"pvz2png", "--bogus", "a.pvz"},
                  .status = 2,
                  .err = {"--bogus", "--help"},
                  .match = Match::kContains},
                 {.args = {"pvz2png", "-j", "0", "a.pvz"},
                  .status = 2,
                  .err = {"--jobs", "--help"},
                  .match = Match::kContains},
                 {.args = {"png2pvz", "-j", "many", "a.pvz"},
                  .status = 2,
                  .err = {"--help"},
                  .match = Match::kContains},
                 {.args = {"info", "-r", "a.pvz"},
                  .status = 2,
                  .err = {"--help"},
                  .match = Match::kContains},
                 {.args = {"convert", "a.pvz"},
                  .status = 2,
                  .err = {"--help"},
                  .match = Match::kContains},
             }},
        {.name = "HelpAndVersion",
         .files = {},
         .steps =
             {
                 {.args = {"--help"},
                  .out = {"Usage: quillmere-cli", "pvz2png", "png2pvz", "info",
                          "Exit status: 0 every file done, 1 some file failed or could not be "
                          "read, 2 usage error."},
                  .match = Match::kContains},
                 {.args = {"pvz2png", "--help"},
                  .out = {"Usage: quillmere-cli pvz2png [OPTIONS] PATH...", "-j,--jobs",
                          "-q,--quiet", "-v,--verbose", "-r,--recursive"},
                  .match = Match::kContains},
                 {.args = {"info", "--help"},
                  .out = {"Usage: quillmere-cli info [OPTIONS] PATH...", "--json"},
                  .match = Match::kContains},
                 {.args = {"--version"}, .out = {"quillmere-cli 1.0.0"}},
             }},
        {.name = "MissingFileAndWrongExtension",
         .files = {{"a.Pvz", kRect}},
         .steps =
             {
                 {.args = {"pvz2png", "nope.pvz"},
                  .status = 1,
                  .out = {"nope.pvz" + kFailed},
                  .err = {"nope.pvz: ファイルの読み込みに失敗"}},
                 {.args = {"pvz2png", "a.Pvz"},
                  .status = 1,
                  .out = {"a.Pvz" + kFailed},
                  .err = {"a.Pvz: 拡張子がpvzではない"}},
                 {.args = {"png2pvz", "missing/x_" + kZeroText + "0109.png"},
                  .status = 1,
                  .out = {"missing/x_" + kZeroText + "0109.png" + kFailed},
                  .err = {"missing/x_" + kZeroText + "0109.png: ファイルの読み込みに失敗"}},
             }},
        {.name = "BadPngNameIsTwoLines",
         .files = {{"bad.png", {1, 2, 3}}},
         .steps =
             {
                 {.args = {"png2pvz", "bad.png"},
                  .status = 1,
                  .out = {"bad.png" + kFailed},
                  .err = {"bad.png: 拡張子がpngではない or",
                          "bad.png:  '_' 以下の文字列がおかしい"}},
             }},
        {.name = "FailuresKeepTheGivenOrder",
         .files = {{"a.pvz", kRect}},
         .steps =
             {
                 {.args = {"pvz2png", "-j", "2", "nope.pvz", "a.pvz"},
                  .status = 1,
                  .out = {"nope.pvz" + kFailed, "a.pvz" + kDone},
                  .err = {"nope.pvz: ファイルの読み込みに失敗"},
                  .creates = {"a_" + kHeaderText + "0209.png"}},
             }},
        {.name = "RoundTripFolderIsByteIdentical",
         .files = {{"in/rect.pvz", kRect},
                   {"in/sq.pvz", kSquare},
                   {"in/two.pvz", kTwoSquares},
                   {"in/notes.png", {1}},
                   {"in/readme.txt", {1}}},
         .steps =
             {
                 {.args = {"pvz2png", "-j", "2", "in"},
                  .out = {"in/rect.pvz" + kDone, "in/sq.pvz" + kDone, "in/two.pvz" + kDone},
                  .creates = {"in/" + kRectPng, "in/" + kSquarePng, "in/" + kTwoPng}},
                 {.args = {"png2pvz", "-j", "3", "in/"},
                  .out = {"in/" + kRectPng + kDone, "in/" + kSquarePng + kDone,
                          "in/" + kTwoPng + kDone},
                  .removeFirst = {"in/rect.pvz", "in/sq.pvz", "in/two.pvz"},
                  .creates = {"in/rect.pvz", "in/sq.pvz", "in/two.pvz"}},
             },
         .contentAfter = {{"in/rect.pvz", kRect},
                          {"in/sq.pvz", kSquare},
                          {"in/two.pvz", kTwoSquares}}},
        {.name = "FolderRecursiveAndQuiet",
         .files = {{"d/b.pvz", kSquare},
                   {"d/a.PVZ", kSquare},
                   {"d/notes.txt", {1}},
                   {"d/sub/c.pvz", kSquare},
                   {"d/sub/deeper/e.pvz", kSquare}},
         .steps =
             {
                 {.args = {"pvz2png", "d"},
                  .out = {"d/a.PVZ" + kDone, "d/b.pvz" + kDone},
                  .creates = {"d/a_" + kZeroText + "0101.png", "d/b_" + kZeroText + "0101.png"}},
                 {.args = {"pvz2png", "-r", "-j", "3", "d"},
                  .out = {"d/a.PVZ" + kDone, "d/b.pvz" + kDone, "d/sub/c.pvz" + kDone,
                          "d/sub/deeper/e.pvz" + kDone},
                  .creates = {"d/sub/c_" + kZeroText + "0101.png",
                              "d/sub/deeper/e_" + kZeroText + "0101.png"}},
                 {.args = {"pvz2png", "-q", "-r", "d", "nope.pvz"},
                  .status = 1,
                  .err = {"nope.pvz: ファイルの読み込みに失敗"}},
             }},
        {.name = "VerboseShowsThePaddingLine",
         .files = {{"short.pvz", kShortStream}},
         .steps =
             {
                 {.args = {"pvz2png", "short.pvz"},
                  .out = {"short.pvz" + kDone},
                  .creates = {"short_" + kZeroText + "0109.png"}},
                 {.args = {"pvz2png", "-v", "short.pvz"},
                  .out = {"short.pvz" + kDone},
                  .err = {"short.pvz: ピクセルが足りないため、足りない分を埋める",
                          "short.pvz: wrote short_" + kZeroText + "0109.png"}},
             }},
        {.name = "PaletteTextureComesBackAsRectangle",
         .files = {{"pal.pvz", kPalette16}, {"pal.pvp", MakePalette({0xFC00}, 1)}},
         .steps =
             {
                 {.args = {"pvz2png", "pal.pvz"},
                  .out = {"pal.pvz" + kDone},
                  .creates = {"pal_" + kZeroText + "0007.png"}},
                 {.args = {"png2pvz", "pal_" + kZeroText + "0007.png"},
                  .out = {"pal_" + kZeroText + "0007.png" + kDone},
                  .err = {"pal_" + kZeroText +
                          "0007.png: 暫定:2バイト長方形モードとして変換します"},
                  .removeFirst = {"pal.pvz"},
                  .creates = {"pal.pvz"}},
             },
         .contentAfter = {{"pal.pvz", Pvz(0, 9, 4, 4, {0x00, 0xFC, 15})}}},
        {.name = "InfoText",
         .files = {{"tex.pvz", kInfoTwiddled},
                   {"pal.pvz", kInfoPalette},
                   {"pal.pvp", MakePalette({0xFC00, 0x801F}, 3)},
                   {"odd.pvz", kInfoOdd},
                   {"short.pvz", kInfoShort}},
         .steps =
             {
                 {.args = {"info", "tex.pvz", "pal.pvz", "odd.pvz", "short.pvz", "nope.pvz"},
                  .status = 1,
                  .out = {"tex.pvz:",
                          "  file: 42 bytes",
                          "  size: 4 x 4",
                          "  pixel format: 1 RGB565",
                          "  data format: 1 twiddled",
                          "  header bytes 8-19: " + kHeaderText,
                          "  records: 2",
                          "  texels: 16 (width x height: 16)",
                          "  compression: 32 texel bytes in 6 stream bytes, ratio 5.33:1",
                          "pal.pvz:",
                          "  file: 40 bytes",
                          "  size: 4 x 4",
                          "  pixel format: 0 ARGB1555",
                          "  data format: 7 palette",
                          "  header bytes 8-19: " + kZeroText,
                          "  records: 2",
                          "  texels: 16 (width x height: 16)",
                          "  compression: 16 texel bytes in 4 stream bytes, ratio 4.00:1",
                          "  palette: pal.pvp, 2 entries",
                          "  problem: palette announces 3 entries but holds 2",
                          "  problem: palette index 2 is beyond the last entry",
                          "odd.pvz:",
                          "  file: 41 bytes",
                          "  size: 8 x 2",
                          "  pixel format: 5 unknown",
                          "  data format: 1 twiddled",
                          "  header bytes 8-19: " + kZeroText,
                          "  records: 1",
                          "  texels: 4 (width x height: 16)",
                          "  compression: 32 texel bytes in 5 stream bytes, ratio 6.40:1",
                          "  problem: twiddled layout needs a square or two squares (2:1 or 1:2)",
                          "  problem: pixel format has no colour layout",
                          "  problem: stream is 12 texels short (padded with transparent black)",
                          "  problem: 2 bytes after the last whole record are ignored",
                          "short.pvz:",
                          "  file: 10 bytes",
                          "  problem: shorter than the 36-byte header"},
                  .err = {"nope.pvz: ファイルの読み込みに失敗"}},
             }},
        {.name = "InfoJson",
         .files = {{"t/tex.pvz", kInfoTwiddled},
                   {"t/pal.pvz", kInfoPalette},
                   {"t/pal.pvp", MakePalette({0xFC00, 0x801F}, 3)},
                   {"t/short.pvz", kInfoShort}},
         .steps =
             {
                 {.args = {"info", "--json", "t", "no\"pe\xff\t.pvz"},
                  .status = 1,
                  .out =
                      {R"({"path":"t/pal.pvz","file_bytes":40,"width":4,"height":4,"pixel_format":0,)"
                       R"("pixel_format_name":"ARGB1555","data_format":7,"layout":"palette",)"
                       R"("header_bytes":"000000000000000000000000","records":2,"texels":16,)"
                       R"("expected_texels":16,"raw_bytes":16,"stream_bytes":4,"ratio":4.00,)"
                       R"("palette":{"path":"t/pal.pvp","readable":true,"count":3,"entries":2},)"
                       R"("problems":["palette announces 3 entries but holds 2",)"
                       R"("palette index 2 is beyond the last entry"]})",
                       R"({"path":"t/short.pvz","file_bytes":10,)"
                       R"("problems":["shorter than the 36-byte header"]})",
                       R"({"path":"t/tex.pvz","file_bytes":42,"width":4,"height":4,"pixel_format":1,)"
                       R"("pixel_format_name":"RGB565","data_format":1,"layout":"twiddled",)"
                       R"("header_bytes":"080000000100000000000000","records":2,"texels":16,)"
                       R"("expected_texels":16,"raw_bytes":32,"stream_bytes":6,"ratio":5.33,)"
                       R"("problems":[]})",
                       R"({"path":"no\"pe\ufffd\t.pvz","error":"ファイルの読み込みに失敗"})"}},
             }},
    };
}

// ---- Running ------------------------------------------------------------

struct Outcome {
    int status = -1;  // the exit status, or 128 + the signal that ended the program
    std::string out;
    std::string err;
};

Outcome RunCli(const std::filesystem::path& folder, const std::vector<std::string>& args) {
    TempDir capture;
    const std::string outPath = capture / "stdout";
    const std::string errPath = capture / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    std::vector<std::string> words = {QM_CLI_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    Outcome outcome;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, QM_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << QM_CLI_PATH;
        return outcome;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const Bytes out = ReadFile(outPath);
    const Bytes err = ReadFile(errPath);
    outcome.out.assign(out.begin(), out.end());
    outcome.err.assign(err.begin(), err.end());
    return outcome;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no line break>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void ExpectLines(const char* stream, const std::vector<std::string>& expected,
                 const std::string& text, Match match) {
    const std::vector<std::string> actual = Lines(text);
    if (match == Match::kExact || expected.empty()) {
        EXPECT_EQ(actual, expected) << stream;
        return;
    }
    auto line = actual.begin();
    for (const std::string& wanted : expected) {
        line = std::find_if(line, actual.end(), [&](const std::string& l) {
            return l.find(wanted) != std::string::npos;
        });
        EXPECT_NE(line, actual.end()) << stream << " lacks \"" << wanted << "\" in:\n" << text;
    }
}

// Every regular file under folder, as relative paths.
std::set<std::string> FilesUnder(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            names.insert(entry.path().lexically_relative(folder).string());
        }
    }
    return names;
}

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class CliCase : public ::testing::TestWithParam<Case> {};

TEST_P(CliCase, Runs) {
    const Case& c = GetParam();
    TempDir dir;
    std::set<std::string> expectedFiles;
    for (const auto& [name, bytes] : c.files) {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        WriteFile(dir / name, bytes);
        expectedFiles.insert(name);
    }
    for (const Step& step : c.steps) {
        std::string command = "quillmere-cli";
        for (const std::string& arg : step.args) {
            command += " " + arg;
        }
        SCOPED_TRACE(command);
        for (const std::string& name : step.removeFirst) {
            std::filesystem::remove(dir / name);
            expectedFiles.erase(name);
        }
        const Outcome outcome = RunCli(dir.path(), step.args);
        EXPECT_EQ(outcome.status, step.status) << outcome.err;
        ExpectLines("standard output", step.out, outcome.out, step.match);
        ExpectLines("standard error", step.err, outcome.err, step.match);
        expectedFiles.insert(step.creates.begin(), step.creates.end());
        EXPECT_EQ(FilesUnder(dir.path()), expectedFiles);
    }
    for (const auto& [name, bytes] : c.contentAfter) {
        EXPECT_EQ(ReadFile(dir / name), bytes) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CliCase, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             return param.param.name;
                         });

}  // namespace
}  // namespace qm::test
