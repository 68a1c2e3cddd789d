#include "texture/color_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/messages.h"
#include "support/test_support.h"
#include "texture/color_format.h"
#include "texture/pvz_writer.h"
#include "texture/run_stream.h"

namespace qm {
namespace {

const ArgbColor kA{255, 1, 2, 3};
const ArgbColor kB{255, 9, 9, 9};

std::vector<ColorRun> Runs(const std::vector<ArgbColor>& colors) {
    std::vector<ColorRun> runs{ColorRun{7, kB}};
    EXPECT_TRUE(EncodeColorRuns(colors, runs));
    return runs;
}

std::vector<std::uint32_t> Repeats(const std::vector<ColorRun>& runs) {
    std::vector<std::uint32_t> r;
    for (const auto& run : runs) r.push_back(run.repeat);
    return r;
}

TEST(EncodeColorRuns, GoldenCases) {
    EXPECT_TRUE(Runs({}).empty());
    const auto aab = Runs({kA, kA, kB});
    ASSERT_EQ(aab.size(), 2u);
    EXPECT_EQ(aab[0].repeat, 1u);
    EXPECT_EQ(aab[0].color, kA);
    EXPECT_EQ(aab[1].repeat, 0u);
    EXPECT_EQ(aab[1].color, kB);
    for (std::uint32_t m : {1u, 2u, 3u}) {
        EXPECT_EQ(Repeats(Runs(std::vector<ArgbColor>(m, kA))), std::vector<std::uint32_t>{m - 1});
    }
    EXPECT_EQ(Repeats(Runs(std::vector<ArgbColor>(256, kA))), std::vector<std::uint32_t>{255});
    EXPECT_EQ(Repeats(Runs(std::vector<ArgbColor>(257, kA))), (std::vector<std::uint32_t>{255, 0}));
    EXPECT_EQ(Repeats(Runs(std::vector<ArgbColor>(512, kA))),
              (std::vector<std::uint32_t>{255, 255}));
}

TEST(EncodeColorRuns, ColoursDifferingOnlyInDroppedBitsStaySeparate) {
    const ArgbColor half{128, 10, 20, 30};
    const ArgbColor opaque{255, 10, 20, 30};
    const auto runs = Runs({half, opaque});
    ASSERT_EQ(runs.size(), 2u);
    // Written under RGB565 both records carry the same 16-bit value.
    std::uint32_t v1 = 0, v2 = 0;
    ColorEncode(1, runs[0].color, v1);
    ColorEncode(1, runs[1].color, v2);
    EXPECT_EQ(v1, v2);
}

TEST(EncodeColorRuns, InvariantsHoldOnRandomInput) {
    test::Random random(42);
    for (int round = 0; round < 200; ++round) {
        // Few distinct colours so that long stretches occur.
        const std::uint32_t n = random.Below(2000);
        std::vector<ArgbColor> palette{random.Color(), random.Color(), random.Color()};
        std::vector<ArgbColor> colors;
        while (colors.size() < n) {
            colors.insert(colors.end(), random.Below(600) + 1, palette[random.Below(3)]);
        }
        colors.resize(n);
        const auto runs = Runs(colors);
        std::vector<ArgbColor> expanded;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            ASSERT_LE(runs[i].repeat, 255u);
            if (i > 0 && runs[i - 1].repeat != 255) {
                ASSERT_NE(runs[i - 1].color, runs[i].color);
            }
            expanded.insert(expanded.end(), runs[i].repeat + 1, runs[i].color);
        }
        ASSERT_EQ(expanded, colors);
    }
}

TEST(RunStream, RecordLayoutAndIncompleteTail) {
    std::vector<std::uint8_t> file = test::MakePvzHeader(1, 9, 4, 4);
    for (std::uint8_t b : {0x34, 0x12, 0x05, 0xFF, 0xFF, 0x00, 0xFF, 0xFF}) file.push_back(b);
    std::vector<RunRecord> seen;
    WalkRunStream(file, TexelWidth::kTwoByte, [&](const RunRecord& r) {
        seen.push_back(r);
        return true;
    });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].value, 0x1234u);
    EXPECT_EQ(seen[0].count, 6u);
    EXPECT_EQ(seen[1].count, 1u);

    seen.clear();
    WalkRunStream(file, TexelWidth::kOneByte, [&](const RunRecord& r) {
        seen.push_back(r);
        return true;
    });
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].value, 0x34u);
    EXPECT_EQ(seen[0].count, 0x13u);
    EXPECT_EQ(seen[3].count, 256u);
}

TEST(RunStream, EncodeWriteWalkGivesBackEveryTexelValue) {
    test::Random random(7);
    for (std::uint8_t format = 0; format <= 2; ++format) {
        std::vector<ArgbColor> colors;
        for (int i = 0; i < 3000; ++i) {
            const ArgbColor c = random.Color();
            colors.insert(colors.end(), random.Below(300) + 1, c);
        }
        std::vector<ColorRun> runs;
        EncodeColorRuns(colors, runs);
        TextureInfo info;
        info.pixelFormat = format;
        info.dataFormat = 1;
        std::vector<std::uint8_t> file;
        ASSERT_TRUE(BuildPvzBytes(info, runs, file));
        ASSERT_EQ(file.size(), kPvzHeaderSize + 3 * runs.size());
        std::size_t i = 0;
        WalkRunStream(file, TexelWidth::kTwoByte, [&](const RunRecord& r) {
            for (std::uint32_t k = 0; k < r.count; ++k, ++i) {
                std::uint32_t want = 0;
                ColorEncode(format, colors[i], want);
                EXPECT_EQ(r.value, want);
            }
            return true;
        });
        EXPECT_EQ(i, colors.size());
    }
}

TEST(PixelRunSplitter, RunsGoOnAcrossPartsAsEncodeColorRunsSplits) {
    test::Random random(11);
    std::vector<ArgbColor> colors;
    for (int i = 0; i < 2000; ++i) {
        const ArgbColor c = random.Color();
        colors.insert(colors.end(), random.Below(600) + 1, c);
    }
    std::vector<PixelWord> pixels;
    for (const ArgbColor& c : colors) pixels.push_back(ToPixelWord(c));
    std::vector<ColorRun> want;
    EncodeColorRuns(colors, want);
    for (const std::size_t part :
         {std::size_t{1}, std::size_t{7}, std::size_t{256}, std::size_t{4096}, pixels.size()}) {
        std::vector<ColorRun> got;
        PixelRunSplitter splitter([&got](PixelWord pixel, std::size_t length) {
            got.push_back(ColorRun{static_cast<std::uint32_t>(length - 1), ToArgbColor(pixel)});
        });
        for (std::size_t at = 0; at < pixels.size(); at += part) {
            splitter.Add(std::span(pixels).subspan(at, std::min(part, pixels.size() - at)));
        }
        splitter.Finish();
        ASSERT_EQ(got.size(), want.size()) << part;
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_EQ(got[i].repeat, want[i].repeat) << part << " run " << i;
            ASSERT_EQ(got[i].color, want[i].color) << part << " run " << i;
        }
    }
}

TEST(PvzStreamWriter, WritesTheBytesOfBuildPvzBytes) {
    const test::TempDir dir;
    test::Random random(5);
    for (std::uint8_t format = 0; format <= 2; ++format) {
        std::vector<ColorRun> runs;
        // Enough records to fill the writer's buffer several times.
        for (int i = 0; i < 20000; ++i) {
            runs.push_back(ColorRun{static_cast<std::uint32_t>(random.Below(256)), random.Color()});
        }
        TextureInfo info;
        info.pixelFormat = format;
        info.dataFormat = 1;
        info.width = 512;
        info.height = 256;
        info.headerText = "0123456789abcdef01234567";
        info.texturePath = (dir.path() / "stream.pvz").string();
        std::vector<std::uint8_t> want;
        ASSERT_TRUE(BuildPvzBytes(info, runs, want));
        PvzStreamWriter writer(info);
        ASSERT_TRUE(writer.Open());
        for (const ColorRun& run : runs) writer.AddRun(ToPixelWord(run.color), run.repeat + 1);
        ASSERT_TRUE(writer.Commit());
        EXPECT_EQ(test::ReadFile(info.texturePath), want) << int(format);
    }
}

TEST(PvzStreamWriter, UnknownPixelFormatCreatesNothing) {
    const test::TempDir dir;
    test::CapturedMessages messages;
    TextureInfo info;
    info.pixelFormat = 3;
    info.texturePath = (dir.path() / "never.pvz").string();
    PvzStreamWriter writer(info);
    EXPECT_FALSE(writer.Open());
    EXPECT_EQ(messages.shown, std::vector<std::string>{std::string(msg::kColorEncodeError)});
    EXPECT_FALSE(std::filesystem::exists(info.texturePath));
}

}  // namespace
}  // namespace qm
