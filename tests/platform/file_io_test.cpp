// Whole-file reads, all-or-nothing writes and the per-thread message sink.
// Permissions, FIFOs, links and size limits: file_io_posix_test.cpp.
#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "platform/image_surface.h"
#include "platform/png_file.h"
#include "support/test_support.h"

namespace qm::test {
namespace {

TEST(FileIo, ReadsWritesAndRefusals) {
    using enum ReadStatus;
    TempDir dir;
    const Bytes ten(10, 7), old(3000, 5);
    WriteFile(dir / "ten", ten);
    WriteFile(dir / "empty", {});
    WriteFile(dir / "old.png", old);
    std::filesystem::create_directory(dir.path() / "folder");
    Bytes got;
    auto read = [&](const char* name, int limit) { return ReadWholeFile(dir / name, got, limit); };
    auto write = [&](const char* name) { return WriteWholeFile(dir / name, ten); };
    auto refused = [&](const char* name) {
        ImageSurface s;
        return LoadPngFile(dir / name, s) == -1;
    };
    auto open = [&](const char* name) { return AtomicFileWriter(dir / name).Open(); };
    const std::pair<const char*, std::function<bool()>> checks[] = {
        {"read", [&] { return read("ten", 10) == kOk && got == ten; }},
        {"too large", [&] { return read("ten", 9) == kTooLarge && got.empty(); }},
        {"empty", [&] { return read("empty", 9) == kReadFailed; }},
        {"folder", [&] { return read("folder", 9) == kReadFailed; }},
        {"missing", [&] { return read("no", 9) == kOpenFailed; }},
        {"load", [&] { return refused("folder") && refused("no"); }},
        {"over folder", [&] { return !write("folder") && !write("no/c"); }},
        {"no Commit", [&] { return open("old.png") && open("fresh"); }},
        {"new and replaced", [&] { return write("new") && write("old.png"); }}};
    for (const auto& [name, check] : checks) EXPECT_TRUE(check()) << name;
    EXPECT_EQ(ReadFile(dir / "new"), ten);
    EXPECT_EQ(ReadFile(dir / "old.png"), ten);
    EXPECT_EQ(dir.List(), (Texts{"empty", "folder", "new", "old.png", "ten"}));
}

TEST(MessageSink, PerThreadStandardErrorByDefaultNothingWithoutAFunction) {
    Texts shown;
    testing::internal::CaptureStderr();
    ScopedMessageSink sink([&](std::string_view text) { shown.emplace_back(text); }, {});
    std::thread([] { ShowMessage("other thread"); }).join();
    ShowMessage("変換完了");
    WriteDebugLine("discarded");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "other thread\n");
    EXPECT_EQ(shown, Texts{"変換完了"});
}

}  // namespace
}  // namespace qm::test
