// ImageSurface::Save: round trips through Load, file names, and failures
// that must leave nothing behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/image_surface.h"
#include "support/test_support.h"

namespace qm {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Fills a surface with random bytes; every fourth 32-bit pixel is fully
// transparent with a colour that must survive (no premultiplication).
void FillRandom(ImageSurface& surface, std::uint64_t seed) {
    test::Random random(seed);
    const int bytesPerPixel = surface.GetBPP() / 8;
    for (int y = 0; y < surface.GetHeight(); ++y) {
        std::uint8_t* row = surface.GetBits() + y * surface.GetPitch();
        for (int x = 0; x < surface.GetWidth(); ++x) {
            std::uint8_t* pixel = row + x * bytesPerPixel;
            for (int i = 0; i < bytesPerPixel; ++i) {
                pixel[i] = static_cast<std::uint8_t>(random.Next());
            }
            if (bytesPerPixel == 4 && x % 4 == 1) {
                pixel[0] |= 0x80;
                pixel[3] = 0;
            }
        }
    }
}

Bytes Pixels(const ImageSurface& surface, int bytesPerPixel) {
    Bytes out;
    for (int y = 0; y < surface.GetHeight(); ++y) {
        const std::uint8_t* row = surface.GetBits() + y * surface.GetPitch();
        for (int x = 0; x < surface.GetWidth(); ++x) {
            out.insert(out.end(), row + x * surface.GetBPP() / 8,
                       row + x * surface.GetBPP() / 8 + bytesPerPixel);
        }
    }
    return out;
}

struct Shape {
    int width, height;
};

constexpr Shape kShapes[] = {{1, 1}, {1, 9},   {9, 1},     {2, 2},
                             {7, 5}, {64, 64}, {257, 129}, {1000, 3}};

TEST(PngRoundTrip, RgbaIsPixelExact) {
    test::TempDir dir;
    std::uint64_t seed = 1;
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(testing::Message() << shape.width << "x" << shape.height);
        ImageSurface saved;
        ASSERT_TRUE(saved.Create(shape.width, shape.height, 32, true));
        FillRandom(saved, seed++);
        ASSERT_TRUE(saved.Save(dir / "rgba.png"));
        ImageSurface loaded;
        ASSERT_EQ(loaded.Load(dir / "rgba.png"), ImageSurface::kLoaded);
        EXPECT_EQ(loaded.GetWidth(), shape.width);
        EXPECT_EQ(loaded.GetHeight(), shape.height);
        EXPECT_EQ(loaded.GetBPP(), 32);
        EXPECT_TRUE(loaded.HasAlphaChannel());
        EXPECT_EQ(Pixels(loaded, 4), Pixels(saved, 4));
    }
}

TEST(PngRoundTrip, EveryByteValueInEveryChannel) {
    test::TempDir dir;
    ImageSurface saved;
    ASSERT_TRUE(saved.Create(256, 4, 32, true));
    for (int channel = 0; channel < 4; ++channel) {
        std::uint8_t* row = saved.GetBits() + channel * saved.GetPitch();
        for (int x = 0; x < 256; ++x) {
            for (int i = 0; i < 4; ++i) {
                row[x * 4 + i] = static_cast<std::uint8_t>(i == channel ? x : 255 - x);
            }
        }
    }
    ASSERT_TRUE(saved.Save(dir / "ramp.png"));
    ImageSurface loaded;
    ASSERT_EQ(loaded.Load(dir / "ramp.png"), ImageSurface::kLoaded);
    EXPECT_EQ(Pixels(loaded, 4), Pixels(saved, 4));
}

TEST(PngRoundTrip, RgbIsPixelExact) {
    test::TempDir dir;
    std::uint64_t seed = 100;
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(testing::Message() << shape.width << "x" << shape.height);
        ImageSurface saved;
        ASSERT_TRUE(saved.Create(shape.width, shape.height, 24, false));
        FillRandom(saved, seed++);
        ASSERT_TRUE(saved.Save(dir / "rgb.png"));
        ImageSurface loaded;
        ASSERT_EQ(loaded.Load(dir / "rgb.png"), ImageSurface::kLoaded);
        EXPECT_EQ(loaded.GetBPP(), 24);
        EXPECT_FALSE(loaded.HasAlphaChannel());
        EXPECT_EQ(Pixels(loaded, 3), Pixels(saved, 3));
    }
}

// Without an alpha channel the fourth byte of a 32-bit pixel is not saved.
TEST(PngRoundTrip, ThirtyTwoBitsWithoutAlphaSavesRgb) {
    test::TempDir dir;
    ImageSurface saved;
    ASSERT_TRUE(saved.Create(33, 17, 32, false));
    FillRandom(saved, 7);
    ASSERT_TRUE(saved.Save(dir / "x.png"));
    ImageSurface loaded;
    ASSERT_EQ(loaded.Load(dir / "x.png"), ImageSurface::kLoaded);
    EXPECT_EQ(loaded.GetBPP(), 24);
    EXPECT_EQ(Pixels(loaded, 3), Pixels(saved, 3));
}

// Saving the same surface twice gives the same bytes, and a file that was
// loaded and saved again is unchanged.
TEST(PngRoundTrip, SavingIsRepeatable) {
    test::TempDir dir;
    ImageSurface surface;
    ASSERT_TRUE(surface.Create(50, 40, 32, true));
    FillRandom(surface, 9);
    ASSERT_TRUE(surface.Save(dir / "a.png"));
    ASSERT_TRUE(surface.Save(dir / "b.png"));
    ImageSurface loaded;
    ASSERT_EQ(loaded.Load(dir / "a.png"), ImageSurface::kLoaded);
    ASSERT_TRUE(loaded.Save(dir / "c.png"));
    EXPECT_EQ(test::ReadFile(dir / "a.png"), test::ReadFile(dir / "b.png"));
    EXPECT_EQ(test::ReadFile(dir / "a.png"), test::ReadFile(dir / "c.png"));
}

TEST(PngSave, ExtensionMustBePngInAnyCase) {
    test::TempDir dir;
    ImageSurface surface;
    ASSERT_TRUE(surface.Create(4, 4, 32, true));
    for (const char* name : {"a.png", "b.PNG", "c.Png", "d.pNg", ".png", "e.x.png"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(surface.Save(dir / name));
        ImageSurface loaded;
        EXPECT_EQ(loaded.Load(dir / name), ImageSurface::kLoaded);
    }
    const std::vector<std::string> saved = dir.List();
    for (const char* name : {"f.jpg", "g.png.jpg", "h", "i.", "j.pn", "k.pngx", "l.bmp", "png",
                             "m.p ng", "n.png ", "o.pvz"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(surface.Save(dir / name));
    }
    EXPECT_EQ(dir.List(), saved);
    // The dot must be in the file name, not in a folder above it.
    std::filesystem::create_directory(dir / "sub.png");
    EXPECT_FALSE(surface.Save(dir / "sub.png/file"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "sub.png"));
}

TEST(PngSave, EmptySurfaceIsRefused) {
    test::TempDir dir;
    ImageSurface surface;
    EXPECT_FALSE(surface.Save(dir / "empty.png"));
    EXPECT_TRUE(dir.List().empty());
}

TEST(PngSave, FolderOrMissingFolderLeavesNothing) {
    test::TempDir dir;
    ImageSurface surface;
    ASSERT_TRUE(surface.Create(8, 8, 32, true));
    std::filesystem::create_directory(dir / "taken.png");
    EXPECT_FALSE(surface.Save(dir / "taken.png"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.png"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "taken.png"));
    EXPECT_FALSE(surface.Save(dir / "missing/out.png"));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"taken.png"});
}

TEST(PngSave, UnwritableFolderLeavesNothing) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    test::TempDir dir;
    std::filesystem::create_directory(dir / "locked");
    ImageSurface surface;
    ASSERT_TRUE(surface.Create(8, 8, 32, true));
    ASSERT_TRUE(surface.Save(dir / "locked/old.png"));
    const Bytes original = test::ReadFile(dir / "locked/old.png");
    std::filesystem::permissions(
        dir / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    FillRandom(surface, 3);
    EXPECT_FALSE(surface.Save(dir / "locked/old.png"));
    EXPECT_FALSE(surface.Save(dir / "locked/new.png"));
    std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_all);
    EXPECT_EQ(test::ReadFile(dir / "locked/old.png"), original);
    EXPECT_EQ(std::filesystem::directory_entry(dir / "locked/new.png").exists(), false);
}

TEST(PngSave, ReplacesAnExistingFile) {
    test::TempDir dir;
    test::WriteFile(dir / "out.png", Bytes(5000, 0x33));
    ImageSurface surface;
    ASSERT_TRUE(surface.Create(10, 10, 24, false));
    FillRandom(surface, 4);
    ASSERT_TRUE(surface.Save(dir / "out.png"));
    ImageSurface loaded;
    ASSERT_EQ(loaded.Load(dir / "out.png"), ImageSurface::kLoaded);
    EXPECT_EQ(Pixels(loaded, 3), Pixels(surface, 3));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out.png"});
}

// A write that fails part way (here: the file-size limit, in a child
// process) leaves the old file byte for byte and no temporary file.
TEST(PngSave, FailedWriteKeepsTheOldFile) {
    test::TempDir dir;
    const std::string path = dir / "big.png";
    Bytes original(3000);
    for (std::size_t i = 0; i < original.size(); ++i) {
        original[i] = static_cast<std::uint8_t>(i * 7);
    }
    test::WriteFile(path, original);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{20000, 20000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ImageSurface surface;
        if (!surface.Create(300, 300, 32, true)) {
            ::_exit(2);
        }
        FillRandom(surface, 5);  // noise: far more than 20000 bytes
        ::_exit(surface.Save(path) ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(test::ReadFile(path), original);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"big.png"});
}

}  // namespace
}  // namespace qm
