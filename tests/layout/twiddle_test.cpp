#include "layout/twiddle.h"

#include <gtest/gtest.h>

#include <cstring>

#include "layout/stream_pieces.h"
#include "support/test_support.h"

namespace qm {
namespace {

// A direct transcription of the recursive split, used only to check the fast
// order: quarters top-left, bottom-left, top-right, bottom-right, each given
// the next quarter of the positions.
void SplitReference(std::int32_t x, std::int32_t y, std::int32_t side, std::uint32_t first,
                    std::vector<std::uint32_t>& grid, std::int32_t stride) {
    if (side == 1) {
        grid[static_cast<std::size_t>(y * stride + x)] = first;
        return;
    }
    const std::int32_t h = side / 2;
    const std::uint32_t q = static_cast<std::uint32_t>(h * h);
    SplitReference(x, y, h, first, grid, stride);
    SplitReference(x, y + h, h, first + q, grid, stride);
    SplitReference(x + h, y, h, first + 2 * q, grid, stride);
    SplitReference(x + h, y + h, h, first + 3 * q, grid, stride);
}

// Stream position of every pixel of a picture placed through the roots.
std::vector<std::uint32_t> PlacedPositions(std::int32_t w, std::int32_t h) {
    std::vector<TwiddleRegion> roots;
    EXPECT_TRUE(TwiddleRoots(w, h, roots));
    ImageSurface surface;
    EXPECT_TRUE(surface.Create(w, h, 32, true));
    std::vector<ArgbColor> colors(static_cast<std::size_t>(w * h));
    for (std::uint32_t i = 0; i < colors.size(); ++i) {
        colors[i] = ArgbColor{i >> 24, (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF};
    }
    for (const auto& root : roots) EXPECT_TRUE(UntwiddleSquare(surface, root, colors));
    std::vector<std::uint32_t> grid;
    for (std::int32_t y = 0; y < h; ++y) {
        const std::uint8_t* row = surface.GetBits() + y * surface.GetPitch();
        for (std::int32_t x = 0; x < w; ++x) {
            const std::uint8_t* p = row + 4 * x;
            grid.push_back(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                           std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
        }
    }
    return grid;
}

TEST(TwiddleOrder, GoldenTables) {
    EXPECT_EQ(PlacedPositions(1, 1), std::vector<std::uint32_t>{0});
    EXPECT_EQ(PlacedPositions(2, 2), (std::vector<std::uint32_t>{0, 2, 1, 3}));
    EXPECT_EQ(PlacedPositions(4, 4),
              (std::vector<std::uint32_t>{0, 2, 8, 10, 1, 3, 9, 11, 4, 6, 12, 14, 5, 7, 13, 15}));
    const auto eight = PlacedPositions(8, 8);
    EXPECT_EQ(std::vector<std::uint32_t>(eight.begin(), eight.begin() + 8),
              (std::vector<std::uint32_t>{0, 2, 8, 10, 32, 34, 40, 42}));
    std::vector<std::uint32_t> leftColumn;
    for (int y = 0; y < 8; ++y) leftColumn.push_back(eight[static_cast<std::size_t>(y * 8)]);
    EXPECT_EQ(leftColumn, (std::vector<std::uint32_t>{0, 1, 4, 5, 16, 17, 20, 21}));
    EXPECT_EQ(PlacedPositions(4, 2), (std::vector<std::uint32_t>{0, 2, 4, 6, 1, 3, 5, 7}));
    EXPECT_EQ(PlacedPositions(2, 4), (std::vector<std::uint32_t>{0, 2, 1, 3, 4, 6, 5, 7}));
}

TEST(TwiddleOrder, MatchesTheRecursiveSplitForEveryShape) {
    for (std::int32_t side = 1; side <= 256; side *= 2) {
        for (auto [w, h] :
             {std::pair{side, side}, std::pair{2 * side, side}, std::pair{side, 2 * side}}) {
            std::vector<std::uint32_t> want(static_cast<std::size_t>(w * h));
            SplitReference(0, 0, side, 0, want, w);
            const auto second = static_cast<std::uint32_t>(side * side);
            if (w > h) SplitReference(side, 0, side, second, want, w);
            if (h > w) SplitReference(0, side, side, second, want, w);
            ASSERT_EQ(PlacedPositions(w, h), want) << w << "x" << h;
        }
    }
}

TEST(TwiddleRoots, RefusesOtherShapes) {
    std::vector<TwiddleRegion> roots;
    for (auto [w, h] : {std::pair{8, 2}, {6, 6}, {6, 3}, {0, 0}, {-4, -4}, {3, 3}, {16, 4}}) {
        EXPECT_FALSE(TwiddleRoots(w, h, roots)) << w << "x" << h;
    }
    ASSERT_TRUE(TwiddleRoots(2, 1, roots));
    EXPECT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[1].x, 1);
    EXPECT_EQ(roots[1].firstPosition, 1u);
}

TEST(TwiddleSquare, IsTheInverseOfPlacement) {
    test::Random random(3);
    for (std::int32_t side = 1; side <= 1024; side *= 2) {
        for (auto [w, h] :
             {std::pair{side, side}, std::pair{2 * side, side}, std::pair{side, 2 * side}}) {
            std::vector<ArgbColor> colors(static_cast<std::size_t>(w * h));
            for (auto& c : colors) c = random.Color();
            std::vector<TwiddleRegion> roots;
            ASSERT_TRUE(TwiddleRoots(w, h, roots));
            ImageSurface surface;
            ASSERT_TRUE(surface.Create(w, h, 32, true));
            for (const auto& r : roots) ASSERT_TRUE(UntwiddleSquare(surface, r, colors));
            std::vector<ArgbColor> back(colors.size());
            for (const auto& r : roots) ASSERT_TRUE(TwiddleSquare(surface, r, back));
            ASSERT_EQ(back, colors) << w << "x" << h;
        }
    }
}

TEST(TwiddleSquare, TwentyFourBitPixelsAreOpaque) {
    ImageSurface surface;
    ASSERT_TRUE(surface.Create(2, 2, 24, false));
    std::uint8_t* p = surface.GetBits();
    for (int i = 0; i < 12; ++i) p[i] = static_cast<std::uint8_t>(i);
    std::vector<ArgbColor> colors(4);
    ASSERT_TRUE(TwiddleSquare(surface, {0, 0, 0, 2}, colors));
    EXPECT_EQ(colors[0], (ArgbColor{255, 2, 1, 0}));
    EXPECT_EQ(colors[1], (ArgbColor{255, 8, 7, 6}));  // (0, 1)
    EXPECT_EQ(colors[2], (ArgbColor{255, 5, 4, 3}));  // (1, 0)
    EXPECT_EQ(colors[3], (ArgbColor{255, 11, 10, 9}));
}

TEST(TwiddleSquare, RefusesRegionsOutsideTheSurfaceOrArray) {
    ImageSurface surface;
    ASSERT_TRUE(surface.Create(4, 4, 32, true));
    std::vector<ArgbColor> colors(16);
    EXPECT_FALSE(UntwiddleSquare(surface, {2, 0, 0, 4}, colors));
    EXPECT_FALSE(UntwiddleSquare(surface, {0, 0, 1, 4}, colors));
    EXPECT_FALSE(UntwiddleSquare(surface, {0, 0, 0, 3}, colors));
    EXPECT_FALSE(TwiddleSquare(surface, {0, 0, 0, 0}, colors));
    ImageSurface empty;
    EXPECT_FALSE(TwiddleSquare(empty, {0, 0, 0, 1}, colors));
}

TEST(StreamPieces, ReadInOrderTheyGiveTheWholeStream) {
    // Each pixel holds its own stream position; reading the pieces in order
    // must give 0, 1, 2, ... to the end.
    const std::pair<std::int32_t, std::int32_t> shapes[] = {
        {2, 2}, {4, 2}, {2, 4}, {64, 64}, {128, 64}, {64, 128}, {256, 256}, {512, 256}};
    for (const auto& [w, h] : shapes) {
        std::vector<TwiddleRegion> roots;
        ASSERT_TRUE(TwiddleRoots(w, h, roots));
        ImageSurface surface;
        ASSERT_TRUE(surface.Create(w, h, 32, true));
        std::vector<PixelWord> positions(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (std::size_t i = 0; i < positions.size(); ++i) {
            positions[i] = static_cast<PixelWord>(i);
        }
        for (const auto& root : roots) ASSERT_TRUE(UntwiddleSquare(surface, root, positions));

        const StreamPieces pieces = StreamPieces::Twiddled(roots);
        std::vector<PixelWord> read;
        std::vector<PixelWord> piece(pieces.MaxLength());
        for (std::size_t i = 0; i < pieces.Count(); ++i) {
            ASSERT_TRUE(ReadPiece(surface, pieces.At(i), piece));
            read.insert(read.end(), piece.begin(), piece.begin() + pieces.At(i).Length());
        }
        EXPECT_EQ(read, positions) << w << "x" << h;

        // And placing them in order puts every position back.
        ImageSurface placed;
        ASSERT_TRUE(placed.Create(w, h, 32, true));
        for (std::size_t i = 0, at = 0; i < pieces.Count(); at += pieces.At(i).Length(), ++i) {
            ASSERT_TRUE(PlacePiece(placed, pieces.At(i), std::span(positions).subspan(at)));
        }
        const std::size_t bytes = positions.size() * 4;
        EXPECT_EQ(std::memcmp(placed.GetBits(), surface.GetBits(), bytes), 0) << w << "x" << h;
    }
}

TEST(StreamPieces, RowsAndTheirLimits) {
    ImageSurface surface;
    ASSERT_TRUE(surface.Create(5, 3, 24, false));
    surface.GetBits()[3 * 5 + 0] = 7;  // blue of pixel (0, 1)
    const StreamPieces pieces = StreamPieces::Rows(5, 3);
    ASSERT_EQ(pieces.Count(), 3u);
    ASSERT_EQ(pieces.MaxLength(), 5u);
    std::vector<PixelWord> row(5);
    ASSERT_TRUE(ReadPiece(surface, pieces.At(1), row));
    EXPECT_EQ(row[0], MakePixelWord(7, 0, 0, 255));  // 24-bit pixels are opaque
    std::vector<PixelWord> shortRow(4);
    EXPECT_FALSE(ReadPiece(surface, pieces.At(1), shortRow));
    EXPECT_FALSE(PlacePiece(surface, pieces.At(1), row));  // placing needs 32 bits
    EXPECT_FALSE(ReadPiece(surface, StreamPiece{0, 3, 5, false}, row));
    EXPECT_FALSE(ReadPiece(surface, StreamPiece{1, 0, 5, false}, row));
}

}  // namespace
}  // namespace qm
