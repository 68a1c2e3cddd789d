// quillmere-cli interrupted, re-extracting edited PNGs, its notes and progress bar.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <regex>
#include <tuple>
#include <utility>

#include "support/png_bytes.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

struct Ran {
    int status = -1;
    std::string out, err;
};

// Runs quillmere-cli in folder. With signal, sends it once the first line
// is on standard output; with errTo, standard error goes to that file.
Ran RunCli(const TempDir& folder, const Args& args, int signal = 0, std::string errTo = "") {
    static const TempDir errors;
    const std::string errFile = errTo.empty() ? errors / "err" : errTo;
    std::string command = "cd " + folder.path().string() + " && echo $$ && exec " QM_CLI_PATH;
    for (const std::string& arg : args) command += " " + arg;
    std::FILE* pipe = ::popen((command + " 2>" + errFile).c_str(), "r");
    char line[4096];
    const pid_t pid = std::fgets(line, sizeof line, pipe) ? std::atoi(line) : 0;  // then exec
    Ran ran;
    while (std::fgets(line, sizeof line, pipe)) {
        ran.out += line;
        if (signal != 0) ::kill(pid, std::exchange(signal, 0));
    }
    ran.status = ::pclose(pipe);
    const Bytes err = errTo.empty() ? ReadFile(errFile) : Bytes();
    ran.err.assign(err.begin(), err.end());
    return ran;
}

const std::string kPng = "t_0800000001000000000000000109.png";
// A 4 x 4 RGB565 texture of one record of repeat + 1 white texels.
Bytes Texture(std::uint8_t repeat) {
    Bytes stream;
    AppendRecord2(stream, 0xFFFF, repeat);
    return Pvz(1, 9, 4, 4, stream, kHeaderBytes);
}

class InterruptedBatch : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(InterruptedBatch, StopsWithASummaryAndLeavesNoTemporary) {
    TempDir dir;
    Random random(7);
    constexpr int kFiles = 400;
    for (int i = 0; i < kFiles; ++i)
        WriteFile(dir / ("t" + std::to_string(i) + ".pvz"), RandomTexture(random, 2, 1, 64, 64));
    const Ran ran = RunCli(dir, {"pvz2png", "-j", "2", "."}, GetParam().first);
    EXPECT_EQ(ran.status, GetParam().second << 8);  // exited with that status
    const std::regex summary(
        "interrupted: (\\d+) converted, 0 failed, (\\d+) not started, [0-9.]+ s\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(ran.err, m, summary)) << ran.err;
    const int converted = std::stoi(m[1]), notStarted = std::stoi(m[2]);
    EXPECT_GT(notStarted, 0);
    EXPECT_EQ(converted + notStarted, kFiles);
    EXPECT_EQ(std::count(ran.out.begin(), ran.out.end(), '\n'), converted);  // a status line each
    EXPECT_EQ(dir.List().size(), static_cast<std::size_t>(kFiles + converted));  // no temporary
}
INSTANTIATE_TEST_SUITE_P(Signals, InterruptedBatch,
                         testing::Values(std::pair(SIGINT, 130), std::pair(SIGTERM, 143),
                                         std::pair(SIGHUP, 129)));

TEST(ExtractAgain, KeepsOnlyAPngNewerThanItsTexture) {
    TempDir dir;
    WriteFile(dir / "t.pvz", Texture(15));
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1),
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
        const Ran ran = RunCli(dir, args);
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
    for (const auto& [name, bytes] : GetParam().files) {
        fs::create_directories(fs::path(dir / name).parent_path());
        WriteFile(dir / name, bytes);
    }
    const Ran ran = RunCli(dir, GetParam().args);
    EXPECT_EQ(std::pair(ran.err, ran.status), std::pair(GetParam().err, GetParam().status << 8));
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

TEST(ProgressBar, FitsANarrowTerminalAndIsRedrawnInPlace) {
    TempDir dir;
    for (int i = 0; i < 40; ++i) WriteFile(dir / ("t" + std::to_string(i) + ".pvz"), Texture(15));
    for (const unsigned short columns : {8, 20, 200}) {
        int master = -1, slave = -1;
        char terminal[256];
        const winsize size{1, columns, 0, 0};
        ASSERT_EQ(::openpty(&master, &slave, terminal, nullptr, &size), 0);
        RunCli(dir, {"pvz2png", "-j", "2", "."}, 0, terminal);
        ::close(slave);
        std::string screen;
        for (char c = 0; ::read(master, &c, 1) == 1;) screen += c;  // then EIO: all read
        // Each draw goes back to the line's start and clears the rest; so does the end.
        const std::regex draw("\r([^\r\n\033]+)\033\\[K");
        const std::sregex_iterator first(screen.begin(), screen.end(), draw), end;
        for (auto it = first; it != end; ++it) EXPECT_LT((*it)[1].length(), columns) << (*it)[1];
        EXPECT_NE(screen.find("\r\033[K40 converted, 0 failed, "), std::string::npos);
        ::close(master);
    }
}

}  // namespace
}  // namespace qm::test
