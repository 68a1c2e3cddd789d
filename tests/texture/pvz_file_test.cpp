#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/messages.h"
#include "support/test_support.h"
#include "texture/pvz_header.h"
#include "texture/pvz_writer.h"

namespace qm {
namespace {

const std::vector<std::uint8_t> kHeaderBytes = {8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};

TextureInfo Info(std::string path, std::int16_t w, std::int16_t h, std::uint8_t pf = 1,
                 std::uint8_t df = 9) {
    TextureInfo info;
    info.texturePath = std::move(path);
    info.width = w;
    info.height = h;
    info.pixelFormat = pf;
    info.dataFormat = df;
    info.headerText = "080000000100000000000000";
    return info;
}

TEST(PvzHeader, ReadsFieldsAndHeaderText) {
    auto file = test::MakePvzHeader(2, 13, -5, 300, {0xAB, 0, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 0x9C});
    TextureInfo info;
    ASSERT_TRUE(ReadPvzHeader(file, info));
    EXPECT_EQ(info.pixelFormat, 2);
    EXPECT_EQ(info.dataFormat, 13);
    EXPECT_EQ(info.width, -5);
    EXPECT_EQ(info.height, 300);
    EXPECT_EQ(info.headerText, "ab00ff01020304050607089c");

    file = test::MakePvzHeader(1, 9, 8, 8, kHeaderBytes);
    ASSERT_TRUE(ReadPvzHeader(file, info));
    EXPECT_EQ(info.headerText, "080000000100000000000000");
    file.resize(35);
    EXPECT_FALSE(ReadPvzHeader(file, info));
}

TEST(ParseHexPair, FollowsStrtolRules) {
    EXPECT_EQ(ParseHexPair("0a"), 0x0A);
    EXPECT_EQ(ParseHexPair("0A"), 0x0A);
    EXPECT_EQ(ParseHexPair("ff"), 0xFF);
    EXPECT_EQ(ParseHexPair("zz"), 0);
    EXPECT_EQ(ParseHexPair("4g"), 4);
    EXPECT_EQ(ParseHexPair(" 5"), 5);
    EXPECT_EQ(ParseHexPair("-1"), 0xFF);
    EXPECT_EQ(ParseHexPair("+f"), 0x0F);
    EXPECT_EQ(ParseHexPair(""), 0);
}

TEST(WritePvz, WritesHeaderAndRecords) {
    test::TempDir dir;
    TextureInfo info = Info(dir / "wall.pvz", 64, 32);
    info.headerText = "0A000000010000000000zz4g";
    const std::vector<ColorRun> runs = {{255, {255, 255, 255, 255}}, {0, {255, 0, 0, 0}}};
    ASSERT_TRUE(WritePvz(info, runs));
    const auto file = test::ReadFile(info.texturePath);
    const std::vector<std::uint8_t> want = {
        0x20, 0x10, 0, 0, 'G', 'B', 'I', 'X', 0x0A, 0,    0,   0, 1, 0,
        0,    0,    0, 0, 0,   4,   'P', 'V', 'R',  'T',  0,   0, 0, 0,
        1,    9,    0, 0, 64,  0,   32,  0,   0xFF, 0xFF, 255, 0, 0, 0};
    EXPECT_EQ(file, want);  // size word 64 * 32 * 2 + 32 = 4128 = 0x1020
}

TEST(WritePvz, EmptyRunsGiveTheBareHeader) {
    test::TempDir dir;
    ASSERT_TRUE(WritePvz(Info(dir / "e.pvz", 2, 2), {}));
    EXPECT_EQ(test::ReadFile(dir / "e.pvz").size(), kPvzHeaderSize);
}

TEST(WritePvz, HeaderRoundTripsThroughText) {
    test::TempDir dir;
    TextureInfo info = Info(dir / "r.pvz", 8, 8, 0, 1);
    info.headerText = "00112233445566778899aabb";
    ASSERT_TRUE(WritePvz(info, {}));
    TextureInfo back;
    ASSERT_TRUE(ReadPvzHeader(test::ReadFile(info.texturePath), back));
    EXPECT_EQ(back.headerText, info.headerText);
    EXPECT_EQ(back.width, 8);
    EXPECT_EQ(back.pixelFormat, 0);
    EXPECT_EQ(back.dataFormat, 1);
}

TEST(WritePvz, UnknownPixelFormatTouchesNothing) {
    test::TempDir dir;
    test::WriteFile(dir / "keep.pvz", {1, 2, 3});
    test::CapturedMessages messages;
    EXPECT_FALSE(WritePvz(Info(dir / "keep.pvz", 2, 2, 3), {{0, {}}}));
    EXPECT_FALSE(WritePvz(Info(dir / "new.pvz", 2, 2, 7), {}));
    EXPECT_EQ(messages.shown, (std::vector<std::string>{std::string(msg::kColorEncodeError),
                                                        std::string(msg::kColorEncodeError)}));
    EXPECT_EQ(test::ReadFile(dir / "keep.pvz"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"keep.pvz"});
}

TEST(WritePvz, UnwritableFolderFailsWithMessage) {
    if (::geteuid() == 0) {
        // root ignores folder permissions; use a target that is a folder.
        test::TempDir dir;
        std::filesystem::create_directory(dir / "x.pvz");
        test::CapturedMessages messages;
        EXPECT_FALSE(WritePvz(Info(dir / "x.pvz", 2, 2), {}));
        EXPECT_EQ(messages.shown, std::vector<std::string>{std::string(msg::kCreateFailed)});
        EXPECT_TRUE(std::filesystem::is_directory(dir / "x.pvz"));
        return;
    }
    test::TempDir dir;
    test::WriteFile(dir / "old.pvz", {9});
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    test::CapturedMessages messages;
    EXPECT_FALSE(WritePvz(Info(dir / "old.pvz", 2, 2), {}));
    EXPECT_EQ(messages.shown, std::vector<std::string>{std::string(msg::kCreateFailed)});
    EXPECT_EQ(test::ReadFile(dir / "old.pvz"), std::vector<std::uint8_t>{9});
}

TEST(WritePvz, WriteFailingMidwayLeavesExistingFileUntouched) {
    test::TempDir dir;
    const std::string path = dir / "big.pvz";
    const std::vector<std::uint8_t> original(100, 0x5A);
    test::WriteFile(path, original);
    // In a child whose file-size limit is below the new file's size.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<ColorRun> runs(5000, ColorRun{0, {255, 1, 2, 3}});
        ScopedMessageSink quiet({}, {});
        ::_exit(WritePvz(Info(path, 100, 50), runs) ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(test::ReadFile(path), original);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"big.pvz"});
}

}  // namespace
}  // namespace qm
