// What file I/O meets only on POSIX: permission bits (as an unprivileged
// user, since root ignores them), FIFOs, symbolic links, the umask and a
// file-size limit.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "platform/file_io.h"
#include "platform/image_surface.h"
#include "platform/png_file.h"
#include "support/child_process.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using Checks = std::vector<std::pair<const char*, std::function<bool()>>>;

// The writer reads the umask once per process: it is set before anything is written.
[[maybe_unused]] const mode_t kUmask = ::umask(027);

// Runs the checks in a child; the names of those that do not hold.
std::string Failing(const ChildLimits& limits, const Checks& checks) {
    const ChildResult child = RunInChild(limits, [&] {
        std::string names;
        for (const auto& [name, check] : checks) names += check() ? "" : std::string(name) + "; ";
        return names;
    });
    return child.finished ? child.report : child.problem;
}

// In a child a FIFO cannot hang the suite.
TEST(PosixFileIo, PermissionsFifosLinksAndLimits) {
    using enum ReadStatus;
    TempDir dir;
    const Bytes ten(10, 7), old(3000, 5);
    WriteFile(dir / "ten", ten);
    for (const char* name : {"read-only.png", "unreadable", "old.png"}) WriteFile(dir / name, old);
    ::chmod((dir / "read-only.png").c_str(), 0444);
    ::chmod((dir / "unreadable").c_str(), 0200);
    ::chmod((dir / "old.png").c_str(), 0604);
    fs::create_directory(dir / "locked");
    ::chmod((dir / "locked").c_str(), 0555);
    fs::create_symlink("ten", dir / "link");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    ImageSurface picture;  // zeroed, yet several kilobytes as PNG
    ASSERT_TRUE(picture.Create(1000, 1000, 32, true));
    Bytes got;
    auto read = [&](const char* name, int limit) { return ReadWholeFile(dir / name, got, limit); };
    auto save = [&](const char* name) { return SavePngFile(picture, dir / name); };
    auto write = [&](const char* name) { return WriteWholeFile(dir / name, old); };
    auto mode = [&](const char* name) { return fs::status(dir / name).permissions(); };
    EXPECT_EQ(
        Failing(
            {.unprivilegedIn = &dir},
            {{"FIFO", [&] { return read("fifo", 9) == kReadFailed; }},
             {"load FIFO",
              [&] {
                  ImageSurface s;
                  return LoadPngFile(dir / "fifo", s) == -1;
              }},
             {"unreadable", [&] { return read("unreadable", 9) == kOpenFailed; }},
             {"locked", [&] { return !save("locked/a.png") && !write("locked/b"); }},
             {"read-only", [&] { return !save("read-only.png") && !write("read-only.png"); }},
             {"new file", [&] { return write("new") && mode("new") == fs::perms(0640); }},
             {"replaced", [&] { return write("old.png") && mode("old.png") == fs::perms(0604); }},
             // A symbolic link itself becomes a regular file; the file it named is untouched.
             {"link", [&] { return write("link") && !fs::is_symlink(dir / "link"); }}}),
        "");
    EXPECT_EQ(Failing({.fileSizeBytes = 2000},
                      {{"save beyond the limit", [&] { return !save("old.png"); }},
                       {"write failing at the flush", [&] { return !write("old.png"); }}}),
              "");
    for (const char* name : {"read-only.png", "old.png", "link", "new"}) {
        EXPECT_EQ(ReadFile(dir / name), old) << name;
    }
    EXPECT_EQ(ReadFile(dir / "ten"), ten);
    EXPECT_EQ(dir.List(), (Texts{"fifo", "link", "locked", "new", "old.png", "read-only.png", "ten",
                                 "unreadable"}));
}

}  // namespace
}  // namespace qm::test
