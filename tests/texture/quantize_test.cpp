// The quantiser and the mapping onto palettes, checked against brute force.
#include "texture/quantize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/test_support.h"

namespace qm {
namespace {

const PixelCodec& Codec(std::uint8_t pixelFormat) {
    return *FindPixelCodec(pixelFormat);
}

// n distinct visible colours of the format (its values 0, 7919, ... widened,
// transparent ones left out), each on a few pixels, shuffled.
std::vector<PixelWord> DistinctColors(std::size_t n, const PixelCodec& codec) {
    std::vector<PixelWord> pixels;
    for (std::uint32_t v = 0; pixels.size() < 3 * n; v = (v + 7919) & 0xFFFF) {
        const PixelWord c = codec.Decode(v);
        if (BytesOf(c)[3] != 0 && std::find(pixels.begin(), pixels.end(), c) == pixels.end()) {
            pixels.insert(pixels.end(), {c, c, c});
        }
    }
    test::Random random(3);
    for (std::size_t i = pixels.size(); i > 1; --i)
        std::swap(pixels[i - 1], pixels[random.Below(static_cast<std::uint32_t>(i))]);
    return pixels;
}

class Quantize : public ::testing::TestWithParam<std::tuple<std::uint8_t, std::size_t>> {};

TEST_P(Quantize, EveryEntryUsedEveryPixelNearest) {
    const auto [pixelFormat, entries] = GetParam();
    const PixelCodec& codec = Codec(pixelFormat);
    const std::vector<PixelWord> pixels = DistinctColors(300, codec);
    const auto palette = QuantizeColors(pixels, entries, codec);
    ASSERT_EQ(palette.size(), entries);
    EXPECT_EQ(std::set<std::uint16_t>(palette.begin(), palette.end()).size(), entries);
    const auto indices =
        MapToPalette(pixels, static_cast<int>(pixels.size()), 1, palette, codec, false);
    EXPECT_EQ(std::set<std::uint8_t>(indices.begin(), indices.end()).size(), entries);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const PixelWord narrowed = codec.Decode(codec.Encode(pixels[i]));
        std::uint64_t best = ~0ull;
        std::size_t first = 0;
        for (std::size_t e = 0; e < palette.size(); ++e) {
            const std::uint64_t d = ColorDistance(narrowed, codec.Decode(palette[e]));
            if (d < best) best = d, first = e;
        }
        EXPECT_EQ(indices[i], first) << "pixel " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Quantize,
                         ::testing::Combine(::testing::Values<std::uint8_t>(0, 1, 2),
                                            ::testing::Values<std::size_t>(2, 16, 255, 256)));

TEST(Quantize, FewColoursKeptExactlyInOrderOfAppearance) {
    const PixelCodec& codec = Codec(2);
    const std::vector<PixelWord> pixels = {codec.Decode(0xF00F), codec.Decode(0x1234),
                                           codec.Decode(0xF00F), codec.Decode(0x0000)};
    EXPECT_EQ(QuantizeColors(pixels, 4, codec),
              (std::vector<std::uint16_t>{0xF00F, 0x1234, 0x0000}));
}

// Pixels the palette (or the format) holds exactly take that entry (value)
// with dithering too, however much error their neighbours pass on.
TEST(Dither, ExactColoursCarryNoError) {
    for (const std::uint8_t pixelFormat : {0, 1, 2}) {
        const PixelCodec& codec = Codec(pixelFormat);
        const std::vector<PixelWord> exact = DistinctColors(50, codec);
        const std::vector<std::uint16_t> palette = QuantizeColors(exact, 256, codec);
        test::Random random(pixelFormat);
        // Rows of nine pixels between levels, then one exact pixel.
        std::vector<PixelWord> pixels;
        for (const PixelWord c : exact) {
            for (int i = 0; i < 9; ++i) pixels.push_back((random.Next() & 0x0F0F0F) | 0xFF707070u);
            pixels.push_back(c);
        }
        const int w = 10, h = static_cast<int>(pixels.size()) / w;
        const auto indices = MapToPalette(pixels, w, h, palette, codec, true);
        const auto values = NarrowPixels(pixels, w, h, codec, true);
        for (std::size_t i = 9; i < pixels.size(); i += 10) {
            EXPECT_EQ(codec.Decode(palette[indices[i]]), pixels[i]) << i;
            EXPECT_EQ(codec.Decode(values[i]), pixels[i]) << i;
        }
    }
}

// Over a flat area of a colour between two levels, the dithered average is
// that colour, where plain narrowing gives the nearest level everywhere.
TEST(Dither, KeepsTheAverageColour) {
    const PixelCodec& codec = Codec(1);
    const std::vector<PixelWord> pixels(64 * 64, MakePixelWord(100, 100, 100, 255));
    for (const bool dither : {false, true}) {
        const auto values = NarrowPixels(pixels, 64, 64, codec, dither);
        double red = 0;
        for (const std::uint16_t v : values) red += BytesOf(codec.Decode(v))[2];
        EXPECT_EQ(std::abs(red / static_cast<double>(values.size()) - 100) < 0.5, dither);
    }
}

}  // namespace
}  // namespace qm
