#include "layout/twiddle.h"

#include <gtest/gtest.h>

#include <tuple>

#include "layout/gather.h"
#include "support/test_support.h"

namespace qm {
namespace {

using Gatherer = bool (*)(const ImageSurface&, const TextureInfo&, std::vector<ColorRun>&);

TextureInfo Info(int w, int h) {
    return {static_cast<std::int16_t>(w), static_cast<std::int16_t>(h), 0, 0, {}, {}, {}, {}};
}

// Position of (x, y) in a square: quarters top-left, bottom-left, top-right, bottom-right.
std::uint32_t SquarePosition(std::uint32_t x, std::uint32_t y, std::uint32_t side) {
    if (side == 1) return 0;
    const std::uint32_t half = side / 2;
    const std::uint32_t quarter = (x >= half ? 2u : 0u) + (y >= half ? 1u : 0u);
    return quarter * half * half + SquarePosition(x % half, y % half, half);
}

// Texel i has colour i; golden: the texel at each pixel, row by row (none: by quarters).
TEST(Twiddle, TexelsArePlacedInTwiddledOrderAndGatheredBack) {
    const std::tuple<int, int, std::vector<std::uint32_t>> shapes[] = {
        {4, 4, {0, 2, 8, 10, 1, 3, 9, 11, 4, 6, 12, 14, 5, 7, 13, 15}},
        {4, 2, {0, 2, 4, 6, 1, 3, 5, 7}},
        {2, 4, {0, 2, 1, 3, 4, 6, 5, 7}},
        {256, 128, {}},
        {64, 128, {}}};
    for (const auto& [w, h, golden] : shapes) {
        const auto side = static_cast<std::uint32_t>(std::min(w, h));
        std::vector<ArgbColor> want, colors;
        std::vector<PixelWord> words;
        for (std::uint32_t y = 0; y < std::uint32_t(h); ++y) {
            for (std::uint32_t x = 0; x < std::uint32_t(w); ++x) {
                const std::uint32_t second = x >= side || y >= side ? side * side : 0;
                want.push_back(ToArgbColor(golden.empty()
                                               ? second + SquarePosition(x % side, y % side, side)
                                               : golden[y * std::uint32_t(w) + x]));
                EXPECT_TRUE(w != h || TwiddleOffset(x, y) == SquarePosition(x, y, side));
                words.push_back(static_cast<PixelWord>(words.size()));
                colors.push_back(ToArgbColor(words.back()));
            }
        }
        std::vector<TwiddleRegion> roots;
        ImageSurface whole, placed;
        ASSERT_TRUE(TwiddleRoots(w, h, roots) && whole.Create(w, h, 32, true) &&
                    placed.Create(w, h, 32, true));
        for (const TwiddleRegion& root : roots) ASSERT_TRUE(UntwiddleSquare(whole, root, colors));
        EXPECT_EQ(test::PixelsOf(whole), want) << w << "x" << h;
        const StreamPieces pieces = StreamPieces::Twiddled(roots);
        for (std::size_t i = 0, at = 0; i < pieces.Count(); at += pieces.At(i++).Length()) {
            ASSERT_TRUE(PlacePiece(placed, pieces.At(i), std::span(words).subspan(at)));
        }
        EXPECT_EQ(test::PixelsOf(placed), want) << w << "x" << h;
        EXPECT_FALSE(PlacePiece(placed, pieces.At(0), std::span(words).first(3)));  // too few
        std::vector<ColorRun> runs;
        ASSERT_TRUE((w == h ? GetPngColor_Squ : GetPngColor_SquEX)(placed, Info(w, h), runs));
        std::vector<ArgbColor> back;
        for (const ColorRun& run : runs) back.insert(back.end(), run.repeat + 1, run.color);
        EXPECT_EQ(back, colors) << w << "x" << h;
    }
}

// Surface and picture sizes, the refusal, the runs' repeats: a refusal keeps the run there.
using GatherRow = std::tuple<Gatherer, int, int, int, int, const char*, std::vector<std::uint32_t>>;
const GatherRow kGathers[] = {
    {GetPngColor_Rect, 20, 20, 20, 20, "", {255, 143}},
    {GetPngColor_Squ, 16, 16, 16, 16, "", {255}},
    {GetPngColor_Rect, 4, 4, 5, 4, "GetPngColor_Rect エラー", {7}},
    {GetPngColor_Rect, 4, 4, 4, -1, "GetPngColor_Rect エラー", {7}},
    {GetPngColor_Squ, 4, 8, 4, 8, "正方形じゃない", {7}},
    {GetPngColor_Squ, 6, 6, 6, 6, "2^n乗の正方形じゃない", {7}},
    {GetPngColor_Squ, 4, 4, 8, 8, "GetPngColor_Squ エラー", {7}},
    {GetPngColor_SquEX, 6, 3, 6, 3, "画像の幅が2^n乗ではない", {7}},
    {GetPngColor_SquEX, 2, 1, 2, 1, "画像の高さが2^n乗ではない", {7}},
    {GetPngColor_SquEX, 8, 8, 8, 8, "GetPngColor_SquEX 幅と高さの比が1:2 or 2:1ではない", {7}},
    {GetPngColor_SquEX, 4, 4, 8, 4, "GetPngColor_SquEX エラー", {7}},
};

TEST(Gatherers, RunsAndRefusals) {
    for (const auto& [gather, surfaceW, surfaceH, w, h, shown, repeats] : kGathers) {
        ImageSurface surface;
        std::vector<ColorRun> runs{ColorRun{7, {255, 0, 0, 0}}};
        test::CapturedMessages messages;
        ASSERT_TRUE(surface.Create(surfaceW, surfaceH, 24, false));
        EXPECT_EQ(gather(surface, Info(w, h), runs), *shown == '\0') << shown;
        EXPECT_EQ(messages.shown, *shown == '\0' ? test::Texts{} : test::Texts{shown});
        std::vector<std::uint32_t> got;  // a texel not opaque shows as 999
        for (const ColorRun& run : runs) got.push_back(run.color.alpha == 255 ? run.repeat : 999);
        EXPECT_EQ(got, repeats) << w << "x" << h;
    }
}

}  // namespace
}  // namespace qm
