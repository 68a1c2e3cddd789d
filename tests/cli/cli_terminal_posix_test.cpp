// quillmere-cli as only POSIX shows it: stopped by signals, and on a
// terminal (pseudo-terminals), where batches draw a progress bar.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <regex>
#include <utility>

#include "support/texture_bytes.h"

namespace qm::test {
namespace {

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

// "tN.pvz", built by appending: GCC 12 at -O3 warns of an overlapping copy
// (-Wrestrict) inside "t" + std::to_string(i), falsely.
std::string TextureName(int i) {
    std::string name = "t";
    name += std::to_string(i);
    name += ".pvz";
    return name;
}

// A 4 x 4 RGB565 texture of one record of repeat + 1 white texels.
Bytes Texture(std::uint8_t repeat) {
    Bytes stream;
    AppendRecord2(stream, 0xFFFF, repeat);
    return Pvz(1, 9, 4, 4, stream, kHeaderBytes);
}

class PosixInterruptedBatch : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(PosixInterruptedBatch, StopsWithASummaryAndLeavesNoTemporary) {
    TempDir dir;
    Random random(7);
    constexpr int kFiles = 400;
    for (int i = 0; i < kFiles; ++i)
        WriteFile(dir / TextureName(i), RandomTexture(random, 2, 1, 64, 64));
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
INSTANTIATE_TEST_SUITE_P(Signals, PosixInterruptedBatch,
                         testing::Values(std::pair(SIGINT, 130), std::pair(SIGTERM, 143),
                                         std::pair(SIGHUP, 129)));

TEST(PosixProgressBar, FitsANarrowTerminalAndIsRedrawnInPlace) {
    TempDir dir;
    for (int i = 0; i < 40; ++i) WriteFile(dir / TextureName(i), Texture(15));
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

// quillmere-cli ARGS in folder with a pseudo-terminal for standard input,
// output and error: all that it showed there.
std::string OnTerminal(const TempDir& folder, const Args& args) {
    std::vector<char*> argv{const_cast<char*>(QM_CLI_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        if (::chdir(folder.path().c_str()) == 0) ::execv(QM_CLI_PATH, argv.data());
        ::_exit(127);
    }
    std::string shown;
    char buffer[4096];
    for (ssize_t got = 0; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) {
        shown.append(buffer, static_cast<std::size_t>(got));
    }  // ends in EIO once the program has closed the terminal
    ::waitpid(pid, nullptr, 0);
    ::close(terminal);
    return shown;
}

// On a terminal a batch shows a progress bar and ends with a summary, unless -q.
TEST(PosixCliTerminal, ProgressBarAndSummary) {
    TempDir dir;
    for (const char* name : {"d/z.pvz", "d/a.PVZ"}) WriteFile(dir / name, Texture(15));
    const std::string loud = OnTerminal(dir, {"pvz2png", "d/z.pvz", "nope.pvz", "d/a.PVZ"});
    EXPECT_TRUE(std::regex_search(loud, std::regex(R"(\r\[[#-]{30}\] [1-3]/3)"))) << loud;
    const std::regex summary(R"((\n|\x1b\[K)2 converted, 1 failed, \d+\.\d\d s\r\n$)");
    EXPECT_TRUE(std::regex_search(loud, summary)) << loud;
    EXPECT_EQ(OnTerminal(dir, {"pvz2png", "-q", "d/z.pvz", "nope.pvz", "d/a.PVZ"}),
              "nope.pvz: ファイルの読み込みに失敗\r\n");
}
}  // namespace
}  // namespace qm::test
