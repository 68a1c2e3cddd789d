#include "layout/gather.h"

#include <gtest/gtest.h>

#include "layout/twiddle.h"
#include "platform/messages.h"
#include "support/test_support.h"

namespace qm {
namespace {

// A surface whose pixel (x, y) carries its coordinates: blue = x, green = y.
ImageSurface Coordinates(int w, int h, int bpp) {
    ImageSurface s;
    EXPECT_TRUE(s.Create(w, h, bpp, bpp == 32));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = s.GetBits() + y * s.GetPitch() + x * bpp / 8;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = 7;
            if (bpp == 32) p[3] = static_cast<std::uint8_t>(x + y);
        }
    }
    return s;
}

TextureInfo Info(int w, int h) {
    TextureInfo info;
    info.width = static_cast<std::int16_t>(w);
    info.height = static_cast<std::int16_t>(h);
    return info;
}

using Gatherer = bool (*)(const ImageSurface&, const TextureInfo&, std::vector<ColorRun>&);

// Pixel coordinates in stream order, from runs of distinct pixels.
std::vector<std::pair<int, int>> Order(Gatherer gather, int w, int h) {
    const ImageSurface s = Coordinates(w, h, 32);
    std::vector<ColorRun> runs;
    EXPECT_TRUE(gather(s, Info(w, h), runs));
    std::vector<std::pair<int, int>> order;
    for (const auto& r : runs) {
        EXPECT_EQ(r.repeat, 0u);
        order.emplace_back(int(r.color.blue), int(r.color.green));
    }
    return order;
}

using P = std::vector<std::pair<int, int>>;

TEST(Gatherers, StreamOrderGoldenCases) {
    EXPECT_EQ(Order(GetPngColor_Rect, 3, 2), (P{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}));
    EXPECT_EQ(Order(GetPngColor_Rect, 1, 3), (P{{0, 0}, {0, 1}, {0, 2}}));
    EXPECT_EQ(Order(GetPngColor_Squ, 2, 2), (P{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));
    const P four = Order(GetPngColor_Squ, 4, 4);
    EXPECT_EQ(P(four.begin(), four.begin() + 9),
              (P{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 0}}));
    EXPECT_EQ(Order(GetPngColor_SquEX, 4, 2),
              (P{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}, {3, 1}}));
    EXPECT_EQ(Order(GetPngColor_SquEX, 2, 4),
              (P{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}}));
    const P eightByFour = Order(GetPngColor_SquEX, 8, 4);
    EXPECT_EQ(eightByFour[16], (std::pair{4, 0}));
    EXPECT_EQ(eightByFour[2], (std::pair{1, 0}));
}

TEST(Gatherers, AlphaFromTheSurfaceDepth) {
    for (Gatherer gather : {GetPngColor_Rect, GetPngColor_Squ}) {
        const ImageSurface s24 = Coordinates(4, 4, 24);
        std::vector<ColorRun> runs;
        ASSERT_TRUE(gather(s24, Info(4, 4), runs));
        for (const auto& r : runs) EXPECT_EQ(r.color.alpha, 255u);
        const ImageSurface s32 = Coordinates(4, 4, 32);
        ASSERT_TRUE(gather(s32, Info(4, 4), runs));
        EXPECT_EQ(runs.back().color.alpha, 6u);  // pixel (3, 3)
    }
}

TEST(GetPngColor_Rect, RunsCrossRowEnds) {
    ImageSurface s;
    ASSERT_TRUE(s.Create(20, 20, 32, true));  // all zero: transparent black
    std::vector<ColorRun> runs;
    ASSERT_TRUE(GetPngColor_Rect(s, Info(20, 20), runs));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].repeat, 255u);
    EXPECT_EQ(runs[1].repeat, 143u);

    ImageSurface two;
    ASSERT_TRUE(two.Create(10, 2, 24, false));
    for (int x = 0; x < 10; ++x) two.GetBits()[two.GetPitch() + 3 * x] = 9;
    ASSERT_TRUE(GetPngColor_Rect(two, Info(10, 2), runs));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].repeat, 9u);
    EXPECT_EQ(runs[1].repeat, 9u);
}

TEST(GetPngColor_Rect, KeepsColourOfTransparentPixels) {
    ImageSurface s;
    ASSERT_TRUE(s.Create(1, 1, 32, true));
    std::uint8_t* p = s.GetBits();
    p[0] = 48, p[1] = 32, p[2] = 16, p[3] = 0;
    std::vector<ColorRun> runs;
    ASSERT_TRUE(GetPngColor_Rect(s, Info(1, 1), runs));
    EXPECT_EQ(runs[0].color, (ArgbColor{0, 16, 32, 48}));
}

struct Refusal {
    Gatherer gather;
    int w, h;
    std::string_view message;
};

TEST(Gatherers, RefusalOrderAndMessages) {
    const Refusal cases[] = {
        {GetPngColor_Squ, 1, 1, msg::kSquareNotPowerOfTwo},
        {GetPngColor_Squ, 6, 6, msg::kSquareNotPowerOfTwo},
        {GetPngColor_Squ, 4, 8, msg::kNotSquare},
        {GetPngColor_Squ, 60, 60, msg::kSquareNotPowerOfTwo},
        {GetPngColor_SquEX, 2, 1, msg::kHeightNotPowerOfTwo},
        {GetPngColor_SquEX, 6, 3, msg::kWidthNotPowerOfTwo},
        {GetPngColor_SquEX, 16, 4, msg::kBadRatio},
        {GetPngColor_SquEX, 4, 16, msg::kBadRatio},
        {GetPngColor_SquEX, 8, 8, msg::kBadRatio},
    };
    for (const Refusal& c : cases) {
        const ImageSurface s = Coordinates(c.w, c.h, 24);
        const std::vector<ColorRun> before{ColorRun{3, {1, 2, 3, 4}}};
        std::vector<ColorRun> runs = before;
        test::CapturedMessages messages;
        EXPECT_FALSE(c.gather(s, Info(c.w, c.h), runs)) << c.w << "x" << c.h;
        EXPECT_EQ(messages.shown, std::vector<std::string>{std::string(c.message)})
            << c.w << "x" << c.h;
        EXPECT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].repeat, 3u);
    }
}

TEST(Gatherers, DescriptorLargerThanSurfaceIsRefused) {
    const ImageSurface s = Coordinates(4, 4, 32);
    std::vector<ColorRun> runs;
    test::CapturedMessages messages;
    EXPECT_FALSE(GetPngColor_Rect(s, Info(5, 4), runs));
    EXPECT_FALSE(GetPngColor_Squ(s, Info(8, 8), runs));
    EXPECT_FALSE(GetPngColor_SquEX(s, Info(8, 4), runs));
    EXPECT_EQ(messages.shown,
              (std::vector<std::string>{std::string(msg::kRectError), std::string(msg::kSquError),
                                        std::string(msg::kSquExError)}));
}

}  // namespace
}  // namespace qm
