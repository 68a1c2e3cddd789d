// ReadWholeFile and AtomicFileWriter.
#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace qm {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ReadWholeFile, ReadsEveryByte) {
    test::TempDir dir;
    Bytes content(70000);
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<std::uint8_t>(i * 31 + i / 256);
    }
    test::WriteFile(dir / "f", content);
    Bytes bytes = {9, 9, 9};
    EXPECT_EQ(ReadWholeFile(dir / "f", bytes, 1u << 20), ReadStatus::kOk);
    EXPECT_EQ(bytes, content);
}

TEST(ReadWholeFile, Failures) {
    test::TempDir dir;
    test::WriteFile(dir / "empty", {});
    test::WriteFile(dir / "ten", Bytes(10, 1));
    std::filesystem::create_directory(dir / "folder");
    struct Case {
        std::string path;
        std::uint64_t limit;
        ReadStatus status;
    };
    const Case cases[] = {
        {dir / "empty", 100, ReadStatus::kReadFailed},
        {dir / "folder", 100, ReadStatus::kReadFailed},
        {dir / "missing", 100, ReadStatus::kOpenFailed},
        {dir / "missing/deeper", 100, ReadStatus::kOpenFailed},
        {"", 100, ReadStatus::kOpenFailed},
        {dir / "ten", 9, ReadStatus::kTooLarge},
        {dir / "ten", 0, ReadStatus::kTooLarge},
        {dir / "ten", 10, ReadStatus::kOk},  // the limit itself is allowed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " limit " + std::to_string(c.limit));
        Bytes bytes = {1, 2, 3};
        EXPECT_EQ(ReadWholeFile(c.path, bytes, c.limit), c.status);
        EXPECT_EQ(bytes.size(), c.status == ReadStatus::kOk ? 10u : 0u);
    }
}

TEST(AtomicFileWriter, CommitCreatesTheFile) {
    test::TempDir dir;
    AtomicFileWriter writer(dir / "out");
    ASSERT_TRUE(writer.Open());
    ASSERT_NE(writer.Stream(), nullptr);
    // The target does not exist until Commit.
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    const Bytes first = {1, 2, 3};
    const Bytes second = {4, 5};
    EXPECT_TRUE(writer.Write(first));
    EXPECT_TRUE(writer.Write(second));
    EXPECT_TRUE(writer.Write({}));
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(writer.Stream(), nullptr);
    EXPECT_EQ(test::ReadFile(dir / "out"), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out"});
    // A second Commit has nothing to commit.
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(test::ReadFile(dir / "out"), (Bytes{1, 2, 3, 4, 5}));
}

TEST(AtomicFileWriter, WithoutCommitNothingChanges) {
    test::TempDir dir;
    test::WriteFile(dir / "keep", {7, 7, 7});
    {
        AtomicFileWriter writer(dir / "keep");
        ASSERT_TRUE(writer.Open());
        ASSERT_TRUE(writer.Write(Bytes(100000, 1)));
        EXPECT_EQ(dir.List().size(), 2u);  // the target and the temporary
    }
    {
        AtomicFileWriter writer(dir / "new");
        ASSERT_TRUE(writer.Open());
        ASSERT_TRUE(writer.Write(Bytes(10, 1)));
    }
    EXPECT_EQ(test::ReadFile(dir / "keep"), (Bytes{7, 7, 7}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"keep"});
}

TEST(AtomicFileWriter, ReopeningDiscardsTheFirstTemporary) {
    test::TempDir dir;
    AtomicFileWriter writer(dir / "out");
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.Write(Bytes{1}));
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.Write(Bytes{2}));
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(test::ReadFile(dir / "out"), Bytes{2});
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out"});
}

TEST(AtomicFileWriter, RefusesFoldersAndMissingFolders) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    AtomicFileWriter onFolder(dir / "folder");
    EXPECT_FALSE(onFolder.Open());
    EXPECT_EQ(onFolder.Stream(), nullptr);
    EXPECT_FALSE(onFolder.Write(Bytes{1}));
    EXPECT_FALSE(onFolder.Commit());
    AtomicFileWriter inMissing(dir / "missing/file");
    EXPECT_FALSE(inMissing.Open());
    EXPECT_FALSE(inMissing.Commit());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "folder"));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"folder"});
}

TEST(AtomicFileWriter, KeepsTheTargetsPermissions) {
    test::TempDir dir;
    test::WriteFile(dir / "f", {1});
    ASSERT_EQ(::chmod((dir / "f").c_str(), 0640), 0);
    ASSERT_TRUE(WriteWholeFile(dir / "f", Bytes{2, 3}));
    struct stat info {};
    ASSERT_EQ(::stat((dir / "f").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(test::ReadFile(dir / "f"), (Bytes{2, 3}));
}

TEST(WriteWholeFile, WritesAndReadsBack) {
    test::TempDir dir;
    const Bytes content = {0, 255, 0, 128};
    ASSERT_TRUE(WriteWholeFile(dir / "w", content));
    Bytes bytes;
    EXPECT_EQ(ReadWholeFile(dir / "w", bytes, 4), ReadStatus::kOk);
    EXPECT_EQ(bytes, content);
    // An empty file can be written, though ReadWholeFile refuses it.
    ASSERT_TRUE(WriteWholeFile(dir / "w", {}));
    EXPECT_EQ(ReadWholeFile(dir / "w", bytes, 4), ReadStatus::kReadFailed);
    EXPECT_FALSE(WriteWholeFile(dir / "no/w", content));
}

}  // namespace
}  // namespace qm
