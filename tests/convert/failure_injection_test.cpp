// Both conversions when the file system, the files or the memory fail them.
//
// Whatever goes wrong, a conversion returns false after its one message,
// leaves no temporary file (names starting with ".") behind, and an output
// file that existed before is byte for byte what it was. Failures that need a
// process limit (file size, address space) or may hang (a FIFO) run in a
// forked child, which reports its outcome through a pipe.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "convert/convert_test_support.h"
#include "platform/messages.h"
#include "texture/pvz_header.h"

#if defined(__SANITIZE_ADDRESS__)
#define QM_TEST_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_TEST_UNDER_ASAN 1
#endif
#endif

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::Outcome;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

Texts Shown(std::string_view text) {
    return {std::string(text)};
}

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

bool HasTemporaries(const test::TempDir& dir) {
    for (const std::string& name : dir.List()) {
        if (!name.empty() && name.front() == '.') {
            return true;
        }
    }
    return false;
}

// ------------------------------------------------------------ child processes

struct ChildResult {
    bool finished = false;  // exited normally after reporting
    int signal = 0;         // the signal that ended it, if any
    Outcome outcome;
    double seconds = 0;
};

// Runs convert in a forked child after prepare (which sets limits) and
// returns what it reported. A child still running after timeoutSeconds is
// ended by SIGALRM.
ChildResult RunInChild(const std::function<void()>& prepare,
                       const std::function<Outcome()>& convert, unsigned timeoutSeconds = 20) {
    ChildResult result;
    int fds[2];
    if (::pipe(fds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return result;
    }
    std::fflush(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        ::close(fds[0]);
        ::close(fds[1]);
        return result;
    }
    if (child == 0) {
        ::close(fds[0]);
        ::alarm(timeoutSeconds);
        prepare();
        const Outcome out = convert();
        // ok flag, then each message followed by a NUL.
        std::string report(1, out.ok ? '1' : '0');
        for (const std::string& text : out.shown) {
            report += text;
            report += '\0';
        }
        std::size_t done = 0;
        while (done < report.size()) {
            const ssize_t n = ::write(fds[1], report.data() + done, report.size() - done);
            if (n <= 0) {
                ::_exit(3);
            }
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string report;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            report.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
        return result;
    }
    result.finished = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !report.empty();
    if (result.finished) {
        result.outcome.ok = report[0] == '1';
        std::size_t at = 1;
        while (at < report.size()) {
            const std::size_t end = report.find('\0', at);
            result.outcome.shown.push_back(report.substr(at, end - at));
            at = end + 1;
        }
    }
    return result;
}

void NoLimits() {}

// Files may grow to at most `bytes`; a write beyond fails with EFBIG
// instead of ending the process.
std::function<void()> FileSizeLimit(rlim_t bytes) {
    return [bytes] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
}

// The address space the process already uses plus `extra` bytes. Sanitizers
// reserve terabytes of shadow memory, so there the limit is left alone.
std::function<void()> AddressSpaceLimit(rlim_t extra) {
    return [extra] {
#ifndef QM_TEST_UNDER_ASAN
        long pages = 0;
        std::ifstream statm("/proc/self/statm");
        statm >> pages;
        const rlim_t bytes =
            static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + extra;
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_AS, &limit);
#else
        static_cast<void>(extra);
#endif
    };
}

// ------------------------------------------------------------ the two directions

// One conversion set up in a folder: the input exists, the output does not
// (tests that want one write it).
struct Direction {
    std::string label;
    std::string input;
    std::string output;
    Outcome (*convert)(const std::string&);
};

// 64 x 64 noise: twelve kilobytes or more in either format, more than a
// writer holds in one buffer.
constexpr std::int16_t kSide = 64;

Direction PvzToPngIn(const test::TempDir& dir) {
    test::Random random(17);
    Bytes texture = test::MakePvzHeader(1, 9, kSide, kSide, {8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    for (int i = 0; i < kSide * kSide; ++i) {
        const std::uint32_t value = random.Next();
        texture.insert(texture.end(), {static_cast<std::uint8_t>(value),
                                       static_cast<std::uint8_t>(value >> 8), 0});
    }
    test::WriteFile(dir / "s.pvz", texture);
    return {"pvz to png", dir / "s.pvz", dir / ("s_" + test::kSuffix0109 + ".png"), test::PvzToPng};
}

Direction PngToPvzIn(const test::TempDir& dir) {
    test::Random random(23);
    std::vector<ArgbColor> pixels;
    for (int i = 0; i < kSide * kSide; ++i) {
        pixels.push_back(random.Color());
    }
    const std::string png = dir / ("s_" + test::kSuffix0109 + ".png");
    EXPECT_TRUE(test::SurfaceOf(kSide, kSide, 32, pixels).Save(png));
    return {"png to pvz", png, dir / "s.pvz", test::PngToPvz};
}

using MakeDirection = Direction (*)(const test::TempDir&);
constexpr MakeDirection kDirections[] = {PvzToPngIn, PngToPvzIn};

// What an earlier conversion left: bytes that no conversion would write.
Bytes OldOutput() {
    Bytes bytes(3000);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
    }
    return bytes;
}

// After a failed write: false, "ファイルの作成に失敗" alone, no temporary,
// the input untouched and the old output (if any) as it was.
void ExpectWriteRefused(const test::TempDir& dir, const Direction& d, const Outcome& out,
                        const Bytes& input, bool hadOutput) {
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.shown, Shown(msg::kCreateFailed));
    EXPECT_FALSE(HasTemporaries(dir)) << testing::PrintToString(dir.List());
    EXPECT_TRUE(test::ReadFile(d.input) == input) << "the input was changed";
    if (hadOutput) {
        EXPECT_TRUE(test::ReadFile(d.output) == OldOutput()) << "the old output was changed";
    } else {
        EXPECT_FALSE(fs::exists(fs::symlink_status(d.output)));
    }
}

// ------------------------------------------------------------ writing

// A disk that fills up part way, at several points of the output, with and
// without an older output file in the way.
TEST(FailureInjection, FullDiskWritesNothing) {
    for (const MakeDirection make : kDirections) {
        for (const bool hadOutput : {false, true}) {
            test::TempDir dir;
            const Direction d = make(dir);
            // Converted once without a limit, to learn how long the output is.
            ASSERT_TRUE(d.convert(d.input).ok) << d.label;
            const std::uintmax_t size = fs::file_size(d.output);
            ASSERT_GT(size, 8000u) << d.label;
            fs::remove(d.output);
            if (hadOutput) {
                test::WriteFile(d.output, OldOutput());
            }
            const Bytes input = test::ReadFile(d.input);
            for (const rlim_t limit :
                 {rlim_t{0}, rlim_t{1}, rlim_t{36}, rlim_t{4096}, static_cast<rlim_t>(size - 1)}) {
                SCOPED_TRACE(d.label + (hadOutput ? ", old output" : ", no output") + ", limit " +
                             std::to_string(limit));
                const ChildResult child =
                    RunInChild(FileSizeLimit(limit), [&d] { return d.convert(d.input); });
                ASSERT_TRUE(child.finished) << "signal " << child.signal;
                ExpectWriteRefused(dir, d, child.outcome, input, hadOutput);
            }
            // The limit is the exact size: the write fits.
            const ChildResult fits =
                RunInChild(FileSizeLimit(size), [&d] { return d.convert(d.input); });
            ASSERT_TRUE(fits.finished) << d.label;
            EXPECT_TRUE(fits.outcome.ok) << d.label;
            EXPECT_EQ(fs::file_size(d.output), size) << d.label;
            EXPECT_FALSE(HasTemporaries(dir)) << d.label;
        }
    }
}

// A folder the user may read but not write to.
TEST(FailureInjection, UnwritableFolderWritesNothing) {
    if (RunningAsRoot()) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    for (const MakeDirection make : kDirections) {
        for (const bool hadOutput : {false, true}) {
            test::TempDir dir;
            const Direction d = make(dir);
            SCOPED_TRACE(d.label + (hadOutput ? ", old output" : ", no output"));
            if (hadOutput) {
                test::WriteFile(d.output, OldOutput());
            }
            const Bytes input = test::ReadFile(d.input);
            fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
            const Outcome out = d.convert(d.input);
            fs::permissions(dir.path(), fs::perms::owner_all);
            ExpectWriteRefused(dir, d, out, input, hadOutput);
        }
    }
}

// An output file the user made read-only is not replaced.
TEST(FailureInjection, ReadOnlyOutputIsKept) {
    if (RunningAsRoot()) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    for (const MakeDirection make : kDirections) {
        test::TempDir dir;
        const Direction d = make(dir);
        SCOPED_TRACE(d.label);
        test::WriteFile(d.output, OldOutput());
        fs::permissions(d.output,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        const Bytes input = test::ReadFile(d.input);
        const Outcome out = d.convert(d.input);
        ExpectWriteRefused(dir, d, out, input, true);
        EXPECT_EQ(fs::status(d.output).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
}

// An output name taken by something that is not a regular file: an empty
// folder, a folder with content, a link to a device that is always full.
TEST(FailureInjection, OutputNameTakenByAFolderOrDevice) {
    for (const MakeDirection make : kDirections) {
        {
            test::TempDir dir;
            const Direction d = make(dir);
            SCOPED_TRACE(d.label + ", empty folder");
            fs::create_directory(d.output);
            const Outcome out = d.convert(d.input);
            EXPECT_FALSE(out.ok);
            EXPECT_EQ(out.shown, Shown(msg::kCreateFailed));
            EXPECT_TRUE(fs::is_directory(d.output));
            EXPECT_TRUE(fs::is_empty(d.output));
            EXPECT_FALSE(HasTemporaries(dir));
        }
        {
            test::TempDir dir;
            const Direction d = make(dir);
            SCOPED_TRACE(d.label + ", folder with a file");
            fs::create_directory(d.output);
            test::WriteFile(d.output + "/keep", {1, 2, 3});
            const Outcome out = d.convert(d.input);
            EXPECT_FALSE(out.ok);
            EXPECT_EQ(out.shown, Shown(msg::kCreateFailed));
            EXPECT_EQ(test::ReadFile(d.output + "/keep"), (Bytes{1, 2, 3}));
            EXPECT_FALSE(HasTemporaries(dir));
        }
        if (fs::exists("/dev/full")) {
            test::TempDir dir;
            const Direction d = make(dir);
            SCOPED_TRACE(d.label + ", link to /dev/full");
            fs::create_symlink("/dev/full", d.output);
            const Outcome out = d.convert(d.input);
            EXPECT_FALSE(out.ok);
            EXPECT_EQ(out.shown, Shown(msg::kCreateFailed));
            EXPECT_TRUE(fs::is_symlink(d.output));
            EXPECT_FALSE(HasTemporaries(dir));
        }
    }
}

// ------------------------------------------------------------ reading

// Inputs that cannot be read: each is refused with the direction's message
// and nothing is written.
TEST(FailureInjection, UnreadableInputs) {
    struct Kind {
        std::string label;
        std::function<void(const std::string&)> make;  // replaces the input file
        bool needsNonRoot;
    };
    const Kind kinds[] = {
        {"dangling link",
         [](const std::string& p) {
             fs::remove(p);
             fs::create_symlink(p + ".gone", p);
         },
         false},
        {"link loop",
         [](const std::string& p) {
             fs::remove(p);
             fs::create_symlink(p, p);
         },
         false},
        {"no read permission", [](const std::string& p) { fs::permissions(p, fs::perms::none); },
         true},
        {"folder",
         [](const std::string& p) {
             fs::remove(p);
             fs::create_directory(p);
         },
         false},
        {"link to /dev/null",
         [](const std::string& p) {
             fs::remove(p);
             fs::create_symlink("/dev/null", p);
         },
         false},
    };
    // A missing or unopenable file is a read failure; one that opens but is
    // not a regular file with content is an error in the texture.
    const auto expected = [](const Direction& d, const std::string& kind) {
        const bool opens = kind == "folder" || kind == "link to /dev/null";
        if (d.label == "pvz to png" && opens) {
            return Shown(msg::kError);
        }
        return Shown(msg::kReadFailed);
    };
    for (const MakeDirection make : kDirections) {
        for (const Kind& kind : kinds) {
            if (kind.needsNonRoot && RunningAsRoot()) {
                continue;
            }
            test::TempDir dir;
            const Direction d = make(dir);
            SCOPED_TRACE(d.label + ", " + kind.label);
            kind.make(d.input);
            const Texts before = dir.List();
            const Outcome out = d.convert(d.input);
            EXPECT_FALSE(out.ok);
            EXPECT_EQ(out.shown, expected(d, kind.label));
            EXPECT_EQ(dir.List(), before);
        }
    }
}

// The palette beside an indexed texture, in every way it can be unusable.
TEST(FailureInjection, UnusablePalettes) {
    struct Kind {
        std::string label;
        std::function<void(const std::string&)> make;
        std::string_view message;
        bool needsNonRoot;
    };
    const Kind kinds[] = {
        {"folder", [](const std::string& p) { fs::create_directory(p); }, msg::kPaletteError,
         false},
        {"folder with a file",
         [](const std::string& p) {
             fs::create_directory(p);
             test::WriteFile(p + "/x", test::MakePalette({0xFFFF}, 1));
         },
         msg::kPaletteError, false},
        {"empty", [](const std::string& p) { test::WriteFile(p, {}); }, msg::kPaletteError, false},
        {"dangling link", [](const std::string& p) { fs::create_symlink(p + ".gone", p); },
         msg::kPaletteOpenFailed, false},
        {"no read permission",
         [](const std::string& p) {
             test::WriteFile(p, test::MakePalette({0xFFFF}, 1));
             fs::permissions(p, fs::perms::none);
         },
         msg::kPaletteOpenFailed, true},
    };
    for (const Kind& kind : kinds) {
        if (kind.needsNonRoot && RunningAsRoot()) {
            continue;
        }
        SCOPED_TRACE(kind.label);
        test::TempDir dir;
        Bytes texture = test::MakePvzHeader(1, 7, 2, 2, {8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
        texture.insert(texture.end(), {0, 3});
        test::WriteFile(dir / "p.pvz", texture);
        kind.make(dir / "p.pvp");
        const Texts before = dir.List();
        const std::string path = dir / "p.pvz";
        const Outcome out = test::PvzToPng(path);
        EXPECT_FALSE(out.ok);
        EXPECT_EQ(out.shown, Shown(kind.message));
        EXPECT_EQ(dir.List(), before);
    }
}

// A FIFO in place of a texture, a PNG or a palette has no writer: opening it
// for reading must not wait for one. Each is refused like any other file that
// is not a regular file, at once.
TEST(FailureInjection, FifosAreRefusedWithoutWaiting) {
    constexpr unsigned kPatience = 2;
    for (const MakeDirection make : kDirections) {
        test::TempDir dir;
        const Direction d = make(dir);
        SCOPED_TRACE(d.label + ", input");
        fs::remove(d.input);
        ASSERT_EQ(::mkfifo(d.input.c_str(), 0644), 0);
        const ChildResult child = RunInChild(
            NoLimits, [&d] { return d.convert(d.input); }, kPatience);
        EXPECT_TRUE(child.finished)
            << "signal " << child.signal << " after " << child.seconds << " s";
        if (child.finished) {
            EXPECT_FALSE(child.outcome.ok);
            EXPECT_EQ(child.outcome.shown,
                      Shown(d.label == "pvz to png" ? msg::kError : msg::kReadFailed));
            EXPECT_LT(child.seconds, 1.0);
        }
        EXPECT_EQ(dir.List().size(), 1u);
    }
    {
        SCOPED_TRACE("palette");
        test::TempDir dir;
        Bytes texture = test::MakePvzHeader(1, 7, 2, 2, {8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
        texture.insert(texture.end(), {0, 3});
        test::WriteFile(dir / "p.pvz", texture);
        ASSERT_EQ(::mkfifo((dir / "p.pvp").c_str(), 0644), 0);
        const std::string path = dir / "p.pvz";
        const ChildResult child = RunInChild(
            NoLimits, [&path] { return test::PvzToPng(path); }, kPatience);
        EXPECT_TRUE(child.finished)
            << "signal " << child.signal << " after " << child.seconds << " s";
        if (child.finished) {
            EXPECT_FALSE(child.outcome.ok);
            EXPECT_EQ(child.outcome.shown, Shown(msg::kPaletteError));
            EXPECT_LT(child.seconds, 1.0);
        }
        EXPECT_EQ(dir.List(), (Texts{"p.pvp", "p.pvz"}));
    }
}

// ------------------------------------------------------------ memory

// A PNG chunk: length, type, data, CRC.
void AppendChunk(Bytes& png, const char (&type)[5], const Bytes& data) {
    const auto length = static_cast<std::uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        png.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    const std::size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, png.data() + typeAt, static_cast<uInt>(4 + data.size()));
    for (int shift = 24; shift >= 0; shift -= 8) {
        png.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
}

// A well-formed PNG (correct CRCs) declaring an RGBA picture of the given
// size, with an image data chunk of a few bytes.
Bytes TinyPngDeclaring(std::uint32_t width, std::uint32_t height) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    for (const std::uint32_t v : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            ihdr.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    }
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    AppendChunk(png, "IHDR", ihdr);
    AppendChunk(png, "IDAT", {0x78, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF});
    AppendChunk(png, "IEND", {});
    return png;
}

// Small files declaring huge pictures are refused from their headers, before
// any pixel memory is taken: quickly, and (outside the sanitizers) within an
// address space only 256 MB larger than the test's own.
TEST(FailureInjection, SmallFilesDeclaringHugePicturesAreRefusedCheaply) {
    test::TempDir dir;
    Bytes texture = test::MakePvzHeader(1, 1, 32767, 32767);
    texture.insert(texture.end(), {0, 0, 0, 0});
    ASSERT_EQ(texture.size(), 40u);
    test::WriteFile(dir / "huge.pvz", texture);
    Bytes rectangle = test::MakePvzHeader(1, 9, 32767, 32767);
    rectangle.insert(rectangle.end(), {0xFF, 0xFF, 0xFF});
    test::WriteFile(dir / "wide.pvz", rectangle);
    test::WriteFile(dir / ("huge_" + test::kSuffix0109 + ".png"), TinyPngDeclaring(30000, 30000));
    test::WriteFile(dir / ("side_" + test::kSuffix0109 + ".png"), TinyPngDeclaring(32768, 4));
    // Within the limits, but the file is far too short for its pixels.
    test::WriteFile(dir / ("short_" + test::kSuffix0109 + ".png"), TinyPngDeclaring(16384, 16384));
    struct Case {
        std::string path;
        Outcome (*convert)(const std::string&);
        std::string_view message;
    };
    const Case cases[] = {
        {dir / "huge.pvz", test::PvzToPng, msg::kTooLarge},
        {dir / "wide.pvz", test::PvzToPng, msg::kTooLarge},
        {dir / ("huge_" + test::kSuffix0109 + ".png"), test::PngToPvz, msg::kTooLarge},
        {dir / ("side_" + test::kSuffix0109 + ".png"), test::PngToPvz, msg::kTooLarge},
        {dir / ("short_" + test::kSuffix0109 + ".png"), test::PngToPvz, msg::kReadFailed},
    };
    const Texts before = dir.List();
#ifndef QM_TEST_UNDER_ASAN
    // The limit bites: a gigabyte cannot be had under it.
    const ChildResult probe = RunInChild(AddressSpaceLimit(rlim_t{256} << 20), [] {
        static char* volatile kept = nullptr;  // so that the allocation is not left out
        kept = new (std::nothrow) char[std::size_t{1} << 30];
        Outcome out;
        out.ok = kept != nullptr;
        delete[] kept;
        return out;
    });
    ASSERT_TRUE(probe.finished);
    EXPECT_FALSE(probe.outcome.ok);
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const ChildResult child =
            RunInChild(AddressSpaceLimit(rlim_t{256} << 20), [&c] { return c.convert(c.path); });
        ASSERT_TRUE(child.finished) << "signal " << child.signal;
        EXPECT_FALSE(child.outcome.ok);
        EXPECT_EQ(child.outcome.shown, Shown(c.message));
        EXPECT_LT(child.seconds, 5.0);
    }
    EXPECT_EQ(dir.List(), before);
}

}  // namespace
}  // namespace qm
