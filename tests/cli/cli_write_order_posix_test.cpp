// What keeps a replaced file safe, seen from outside quillmere-cli: a library
// preloaded into it (io_trace/io_trace.cpp) writes down its flushes and
// renames, takes away files without a name on request, and holds the program
// at a rename so that signals arrive while a temporary file is visible.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <tuple>

#include "support/png_bytes.h"
#include "support/texture_bytes.h"

extern char** environ;

namespace qm::test {
namespace {

using Files = std::vector<std::pair<std::string, Bytes>>;

// The descriptor the preloaded library writes to, in the program.
constexpr int kTraceFd = 100;

// Starts quillmere-cli with args in folder, the library preloaded and its
// lines going to trace; standard output and error go to the file output.
// settings: more NAME=VALUE for the library.
pid_t StartTraced(const TempDir& folder, const Texts& args, int trace, const std::string& output,
                  const Texts& settings) {
    Texts environment;
    std::string sanitizer = "verify_asan_link_order=0";  // the library comes before ASan's
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (text.starts_with("ASAN_OPTIONS=")) {
            sanitizer = text.substr(13) + ":" + sanitizer;
        } else if (!text.starts_with("LD_PRELOAD=") && !text.starts_with("QM_IO_TRACE")) {
            environment.push_back(text);
        }
    }
    environment.push_back("ASAN_OPTIONS=" + sanitizer);
    environment.push_back("LD_PRELOAD=" QM_IO_TRACE_PATH);
    environment.push_back("QM_IO_TRACE_FD=" + std::to_string(kTraceFd));
    environment.insert(environment.end(), settings.begin(), settings.end());
    std::vector<char*> envp, argv{const_cast<char*>(QM_CLI_PATH)};
    for (std::string& entry : environment) envp.push_back(entry.data());
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    envp.push_back(nullptr);
    argv.push_back(nullptr);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = ::fork();
    if (pid == 0) {  // only async-signal-safe calls from here
        const bool traced = trace == kTraceFd ? ::fcntl(trace, F_SETFD, 0) == 0
                                              : ::dup2(trace, kTraceFd) == kTraceFd;
        if (traced && out >= 0 && ::dup2(out, 1) == 1 && ::dup2(out, 2) == 2 &&
            ::chdir(folder.path().c_str()) == 0) {
            ::execve(QM_CLI_PATH, argv.data(), envp.data());
        }
        ::_exit(127);
    }
    ::close(out);
    return pid;
}

int ExitStatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Text(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

// Either way of writing a temporary file: without a name (O_TMPFILE), or
// under a visible temporary name where the folder cannot do that.
enum class Temporary { kAnonymous, kNamed };

Texts SettingsFor(Temporary temporary) {
    return temporary == Temporary::kNamed ? Texts{"QM_IO_TRACE_NO_TMPFILE=1"} : Texts{};
}

std::string NameOf(Temporary temporary) {
    return temporary == Temporary::kNamed ? "Named" : "Anonymous";
}
void PrintTo(Temporary temporary, std::ostream* out) {
    *out << NameOf(temporary);
}

const Bytes kOld = {'o', 'l', 'd'};
const std::string kPng = "t_" + kHeaderText + "0109.png";
const std::string kPalettePng = "t_" + kHeaderText + "0107.png";
const Bytes kWhite = [] {  // 4 x 4 RGB565 white
    Bytes stream;
    AppendRecord2(stream, 0xFFFF, 15);
    return Pvz(1, 9, 4, 4, stream, kHeaderBytes);
}();
const Bytes kPaletteTexture = [] {  // 2 x 2, indices 0, 1, 2, 0
    Bytes stream;
    for (const std::uint8_t index : {0, 1, 2, 0}) AppendRecord1(stream, index, 0);
    return Pvz(1, 7, 2, 2, stream, kHeaderBytes);
}();
// Red, white, blue, red: white replaces the palette's green.
const Bytes kPalettePicture = PngOfPixels(
    2, 2, {{255, 255, 0, 0}, {255, 255, 255, 255}, {255, 0, 0, 255}, {255, 255, 0, 0}}, false);

struct Replacing {
    const char* name;
    Files files;
    std::string arguments;  // split at spaces
    Texts replaced;         // the files that exist before and are written
};

void PrintTo(const Replacing& row, std::ostream* out) {
    *out << row.arguments;
}

const Replacing kReplacing[] = {
    {"Png", {{"t.pvz", kWhite}, {kPng, kOld}}, "pvz2png --force t.pvz", {kPng}},
    {"Texture",
     {{kPng, PngOfPixels(4, 4, std::vector<ArgbColor>(16, {255, 255, 255, 255}), false)},
      {"t.pvz", kOld}},
     "png2pvz " + kPng,
     {"t.pvz"}},
    {"TextureAndPalette",
     {{"t.pvz", kPaletteTexture},
      {"t.pvp", Palette({0xF800, 0x07E0, 0x001F}, 3)},
      {kPalettePng, kPalettePicture}},
     "png2pvz --keep-palette " + kPalettePng,
     {"t.pvp", "t.pvz"}},
    {"Batch",
     {{"a.pvz", kWhite},
      {"a_" + kHeaderText + "0109.png", kOld},
      {"b.pvz", kWhite},
      {"b_" + kHeaderText + "0109.png", kOld},
      {"c.pvz", kWhite},
      {"c_" + kHeaderText + "0109.png", kOld}},
     "pvz2png -j 2 --force .",
     {"a_" + kHeaderText + "0109.png", "b_" + kHeaderText + "0109.png",
      "c_" + kHeaderText + "0109.png"}},
};

class PosixReplacedFile : public testing::TestWithParam<std::tuple<Replacing, Temporary>> {};

// Every rename over an existing file comes after a flush of the new file to
// the disk, with all of its data: a power cut leaves the old file or the new
// one, never an empty one.
TEST_P(PosixReplacedFile, IsFlushedToTheDiskBeforeTheRename) {
    const auto& [row, temporary] = GetParam();
    TempDir dir, logs;
    for (const auto& [name, bytes] : row.files) WriteFile(dir / name, bytes);
    const int trace =
        ::open((logs / "trace").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    ASSERT_GE(trace, 0);
    const pid_t pid =
        StartTraced(dir, Words(row.arguments), trace, logs / "output", SettingsFor(temporary));
    ::close(trace);
    ASSERT_EQ(ExitStatus(pid), 0) << Text(ReadFile(logs / "output"));

    std::map<std::string, std::string> flushed;  // file (DEV:INO) -> size when last flushed
    Texts replaced;
    std::istringstream lines(Text(ReadFile(logs / "trace")));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string call, file, size, target;
        int existed = 0;
        words >> call >> file >> size;
        if (call == "flush") flushed[file] = size;
        if (call != "rename" || !(words >> existed >> target) || !existed) continue;
        replaced.push_back(target.substr(target.rfind('/') + 1));
        EXPECT_EQ(flushed.count(file) ? flushed[file] : "not flushed", size)
            << line << "\n"
            << Text(ReadFile(logs / "trace"));
    }
    std::sort(replaced.begin(), replaced.end());
    EXPECT_EQ(replaced, row.replaced);
    for (const std::string& name : row.replaced) EXPECT_NE(ReadFile(dir / name), kOld) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Writes, PosixReplacedFile,
    testing::Combine(testing::ValuesIn(kReplacing),
                     testing::Values(Temporary::kAnonymous, Temporary::kNamed)),
    [](const auto& row) { return std::get<0>(row.param).name + NameOf(std::get<1>(row.param)); });

enum class Waited { kArrived, kEnded, kTooLong };

// Reads from fd until text has arrived (text empty: until the input ends).
// A program that hangs makes it give up after a long while, so that the test
// fails instead of waiting for ever.
Waited ReadUntil(int fd, const std::string& text, std::string& seen) {
    while (text.empty() || seen.find(text) == std::string::npos) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 120'000) <= 0) return Waited::kTooLong;
        char buffer[512];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) return Waited::kEnded;
        seen.append(buffer, static_cast<std::size_t>(got));
    }
    return Waited::kArrived;
}

struct TwoSignals {
    int first, second;
};
void PrintTo(const TwoSignals& signals, std::ostream* out) {
    *out << sigabbrev_np(signals.first) << ", then " << sigabbrev_np(signals.second);
}

class PosixSecondSignal : public testing::TestWithParam<std::tuple<TwoSignals, Temporary>> {};

// The first signal lets the files in progress finish; a second one ends the
// program at once, and it removes its visible temporary files on the way.
TEST_P(PosixSecondSignal, EndsAtOnceAndRemovesTheTemporary) {
    const auto& [signals, temporary] = GetParam();
    TempDir dir, logs;
    WriteFile(dir / "t.pvz", kWhite);
    WriteFile(dir / kPng, kOld);
    int trace[2];
    ASSERT_EQ(::pipe2(trace, O_CLOEXEC), 0);
    Texts settings = SettingsFor(temporary);
    settings.push_back("QM_IO_TRACE_HOLD=1");
    const pid_t pid =
        StartTraced(dir, {"pvz2png", "--force", "t.pvz"}, trace[1], logs / "output", settings);
    ::close(trace[1]);
    std::string seen;
    const bool held = ReadUntil(trace[0], "held\n", seen) == Waited::kArrived;
    const Texts whileHeld = dir.List();
    const bool handled = held && ::kill(pid, signals.first) == 0 &&
                         ReadUntil(trace[0], "handled", seen) == Waited::kArrived;
    const bool ended = handled && ::kill(pid, signals.second) == 0 &&
                       ReadUntil(trace[0], "", seen) == Waited::kEnded;
    if (!ended) ::kill(pid, SIGKILL);
    ::close(trace[0]);
    const int status = ExitStatus(pid);
    ASSERT_TRUE(handled) << seen;
    ASSERT_TRUE(ended) << "still running after the second signal";

    ASSERT_EQ(whileHeld.size(), 3u);  // the temporary was there to remove
    EXPECT_TRUE(whileHeld[0].starts_with("." + kPng + ".tmp-")) << whileHeld[0];
    EXPECT_EQ(status, 128 + signals.first);  // the first signal's status
    EXPECT_EQ(dir.List(), (Texts{"t.pvz", kPng}));
    EXPECT_EQ(ReadFile(dir / kPng), kOld);
    EXPECT_EQ(Text(ReadFile(logs / "output")), "");
}

INSTANTIATE_TEST_SUITE_P(
    Signals, PosixSecondSignal,
    testing::Combine(testing::Values(TwoSignals{SIGINT, SIGINT}, TwoSignals{SIGTERM, SIGINT},
                                     TwoSignals{SIGHUP, SIGHUP}),
                     testing::Values(Temporary::kAnonymous, Temporary::kNamed)),
    [](const auto& row) {
        return std::string(sigabbrev_np(std::get<0>(row.param).first)) +
               sigabbrev_np(std::get<0>(row.param).second) + NameOf(std::get<1>(row.param));
    });

}  // namespace
}  // namespace qm::test
