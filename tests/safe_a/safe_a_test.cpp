// The command line under interruption, re-extraction of edited PNGs, its
// notes and progress bar; a texture of negative size through the driver.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <regex>

#include "support/png_bytes.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

struct Cli {
    pid_t pid = -1;
    int out = -1;  // standard output, a pipe
    int err = -1;  // standard error, a pipe unless given
    int status = -1;
    std::string Read(int fd) const {
        std::string text;
        char buffer[4096];
        for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
            text.append(buffer, static_cast<std::size_t>(got));
        }
        return text;
    }
    void Wait() { ::waitpid(pid, &status, 0); }
};

// Starts quillmere-cli in folder; with errTo >= 0 standard error goes there.
Cli Start(const TempDir& folder, std::vector<std::string> args, int errTo = -1) {
    int out[2], err[2];
    EXPECT_EQ(::pipe(out), 0);
    EXPECT_EQ(::pipe(err), 0);
    Cli cli{::fork(), out[0], err[0]};
    if (cli.pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(errTo >= 0 ? errTo : err[1], 2);
        std::vector<char*> argv{const_cast<char*>(QM_CLI_PATH)};
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (::chdir(folder.path().c_str()) == 0) {
            ::execv(QM_CLI_PATH, argv.data());
        }
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    return cli;
}

struct Ran {
    int status;
    std::string out, err;
};
Ran RunCli(const TempDir& folder, const std::vector<std::string>& args) {
    Cli cli = Start(folder, args);
    Ran ran{0, cli.Read(cli.out), cli.Read(cli.err)};
    cli.Wait();
    ran.status = WEXITSTATUS(cli.status);
    return ran;
}

const std::string kPng = "t_0800000001000000000000000109.png";
Bytes Texture(const Bytes& stream) {
    return Pvz(1, 9, 4, 4, stream, kHeaderBytes);
}
Bytes Records(std::uint8_t repeat) {
    Bytes stream;
    AppendRecord2(stream, 0xFFFF, repeat);
    return stream;
}

struct Interruption {
    int signal;
    int status;
};
class InterruptedBatch : public testing::TestWithParam<Interruption> {};

TEST_P(InterruptedBatch, StopsWithASummaryAndLeavesNoTemporary) {
    TempDir dir;
    Random random(7);
    constexpr int kFiles = 400;
    for (int i = 0; i < kFiles; ++i) {
        WriteFile(dir / ("t" + std::to_string(i) + ".pvz"), RandomTexture(random, 2, 1, 64, 64));
    }
    Cli cli = Start(dir, {"pvz2png", "-j", "2", "."});
    char first = 0;
    while (::read(cli.out, &first, 1) == 1 && first != '\n') {
    }
    ::kill(cli.pid, GetParam().signal);
    const std::string out = std::string(1, '\n') + cli.Read(cli.out), err = cli.Read(cli.err);
    cli.Wait();
    ASSERT_TRUE(WIFEXITED(cli.status));
    EXPECT_EQ(WEXITSTATUS(cli.status), GetParam().status);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        err, m,
        std::regex("interrupted: (\\d+) converted, 0 failed, (\\d+) not started, [0-9.]+ s\n")))
        << err;
    const int converted = std::stoi(m[1]), notStarted = std::stoi(m[2]);
    EXPECT_GT(notStarted, 0);
    EXPECT_EQ(converted + notStarted, kFiles);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), converted);  // a status line each
    const Texts names = dir.List();
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](auto& n) { return n[0] == '.'; }), 0);
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kFiles + converted));
}
INSTANTIATE_TEST_SUITE_P(Signals, InterruptedBatch,
                         testing::Values(Interruption{SIGINT, 130}, Interruption{SIGTERM, 143},
                                         Interruption{SIGHUP, 129}));

TEST(ExtractAgain, KeepsOnlyAPngNewerThanItsTexture) {
    TempDir dir;
    WriteFile(dir / "t.pvz", Texture(Records(15)));
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(dir / "t.pvz", hourAgo);
    const std::string kept =
        "t.pvz: kept (the PNG is newer than its texture; --force replaces it)\n";
    const struct {
        std::vector<std::string> args;
        bool editFirst;
        std::string out;
    } steps[] = {
        {{"pvz2png", "t.pvz"}, false, "t.pvz: 変換終了\n"},
        {{"pvz2png", "t.pvz"}, false, "t.pvz: 変換終了\n"},
        {{"pvz2png", "t.pvz"}, true, kept},
        {{"pvz2png", "-r", "."},
         false,
         "./t.pvz: kept (the PNG is newer than its texture; "
         "--force replaces it)\n"},
        {{"pvz2png", "--force", "t.pvz"}, false, "t.pvz: 変換終了\n"},
        {{"pvz2png", "t.pvz"}, true, kept},
        {{"png2pvz", kPng}, false, kPng + ": 変換終了\n"},
        {{"pvz2png", "t.pvz"}, false, "t.pvz: 変換終了\n"},
    };
    for (const auto& step : steps) {
        const auto edited = hourAgo + std::chrono::minutes(30);
        if (step.editFirst) {
            fs::last_write_time(dir / kPng, edited);
        }
        const Ran ran = RunCli(dir, step.args);
        EXPECT_EQ(ran.status, 0);
        EXPECT_EQ(ran.out, step.out) << step.args[0];
        if (step.args[0] == "pvz2png") {  // replaced: the texture's time; kept: the edit's
            EXPECT_EQ(fs::last_write_time(dir / kPng), step.out.find("kept") == std::string::npos
                                                           ? fs::last_write_time(dir / "t.pvz")
                                                           : edited);
        }
    }
}

TEST(Notes, SayWhatTheConversionChangedUnlessQuiet) {
    const std::vector<ArgbColor> pixels(4, ArgbColor{255, 1, 2, 3});
    std::vector<ArgbColor> seeThrough = pixels;
    seeThrough[0].alpha = 0;
    seeThrough[3].alpha = 254;
    const struct {
        std::string name;
        Bytes bytes;
        std::string option, err;
    } rows[] = {
        {"t.pvz", Texture(Records(13)), "-v",
         "t.pvz: ピクセルが足りないため、足りない分を埋める\nt.pvz: note: the texel stream ended "
         "early; texels made transparent black: 2\nt.pvz: wrote "
         "t_0800000001000000000000000109.png\n"},
        {"t.pvz", Texture(Records(13)), "-q", ""},
        {"t.pvz", Texture(Records(15)), "-j1", ""},
        {kPng, PngOfPixels(2, 2, seeThrough), "-j1",
         kPng + ": note: RGB565 has no alpha; non-opaque pixels made opaque: 2\n"},
        {kPng, PngOfPixels(2, 2, seeThrough), "-q", ""},
        {kPng, PngOfPixels(2, 2, pixels), "-j1", ""},
        {"t_0800000001000000000000000209.png", PngOfPixels(2, 2, seeThrough), "-j1", ""},
    };
    for (const auto& row : rows) {
        TempDir dir;
        WriteFile(dir / row.name, row.bytes);
        const Ran ran =
            RunCli(dir, {row.name.ends_with("pvz") ? "pvz2png" : "png2pvz", row.option, row.name});
        EXPECT_EQ(ran.err, row.err) << row.name;
        EXPECT_EQ(ran.status, 0);
    }
}

TEST(NothingToConvert, IsReportedAndFails) {
    TempDir dir;
    fs::create_directories(dir / "empty");
    fs::create_directories(dir / "other/deeper");
    WriteFile(dir / "other/plain.png", PngOfPixels(1, 1, {ArgbColor{}}));
    WriteFile(dir / "other/deeper/t.pvz", Texture(Records(15)));
    const struct {
        std::vector<std::string> args;
        std::string err;
    } rows[] = {
        {{"pvz2png", "empty"}, "empty: nothing to convert\n"},
        {{"pvz2png", "other", "empty"}, "other: nothing to convert\nempty: nothing to convert\n"},
        {{"png2pvz", "-q", "-r", "other"}, "other: nothing to convert\n"},
        {{"pvz2png", "-q", "other/deeper", "empty"}, "empty: nothing to convert\n"},
    };
    for (const auto& row : rows) {
        const Ran ran = RunCli(dir, row.args);
        EXPECT_EQ(ran.err, row.err);
        EXPECT_EQ(ran.status, 1);
    }
    EXPECT_TRUE(fs::exists(dir / "other/deeper/t_0800000001000000000000000109.png"));
}

TEST(ProgressBar, FitsANarrowTerminalAndIsRedrawnInPlace) {
    TempDir dir;
    for (int i = 0; i < 40; ++i) {
        WriteFile(dir / ("t" + std::to_string(i) + ".pvz"), Texture(Records(15)));
    }
    for (const unsigned short columns : {8, 20, 200}) {
        int master = -1, slave = -1;
        winsize size{};
        size.ws_col = columns;
        ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, &size), 0);
        Cli cli = Start(dir, {"pvz2png", "-j", "2", "."}, slave);
        ::close(slave);
        const std::string screen = cli.Read(master);  // ends (EIO) when the program does
        cli.Wait();
        ::close(master);
        // Every draw returns to the line's start and clears what is left.
        const std::regex draw("\r([^\r\n\033]+)\033\\[K");
        std::size_t draws = 0;
        for (std::sregex_iterator it(screen.begin(), screen.end(), draw), end; it != end; ++it) {
            EXPECT_LT((*it)[1].length(), columns) << (*it)[1];
            ++draws;
        }
        EXPECT_GT(draws, 0u) << columns;
        EXPECT_NE(screen.find("\r\033[K40 converted, 0 failed, "), std::string::npos);
    }
}

struct NegativeSize {
    std::int16_t width, height;
    Bytes stream;
    Texts shown;
};
class NegativeSizeTexture : public testing::TestWithParam<NegativeSize> {};

TEST_P(NegativeSizeTexture, ShowsTheDecodersMessageBeforeTheShapes) {
    TempDir dir;
    WriteFile(dir / "t.pvz", Pvz(1, 9, GetParam().width, GetParam().height, GetParam().stream));
    const Outcome outcome = PvzToPng(dir / "t.pvz");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.shown, GetParam().shown);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, NegativeSizeTexture,
    testing::Values(NegativeSize{-4, 4, {}, {"ReadColorData2Byte 展開できません"}},
                    NegativeSize{4, -1, {}, {"ReadColorData2Byte 展開できません"}},
                    NegativeSize{-4, 4, Records(0), {"ReadColorData2Byte 展開できません"}},
                    NegativeSize{-4, -4, {}, {"CreatePng サポートしてません"}},
                    NegativeSize{0, 4, {}, {"CreatePng サポートしてません"}}));

}  // namespace
}  // namespace qm::test
