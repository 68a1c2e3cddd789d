#include "texture/color_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace qm {
namespace {

// Fields widen to floor(x * 255 / max): 5 bits 16 -> 131 and 6 bits 32 -> 129
// (copying the top bits down would give 132 and 130), 4 bits x -> 17x. Then
// every value of every format survives decoding and encoding, table or not.
TEST(ColorFormats, DecodeWidensAndEncodeGivesBackEveryValue) {
    const std::tuple<std::uint8_t, std::uint32_t, ArgbColor> rows[] = {
        {0, 0x8000, {255, 0, 0, 0}},       {0, 0x4201, {0, 131, 131, 8}},
        {1, 0x0821, {255, 8, 4, 8}},       {1, 0x8400, {255, 131, 129, 0}},
        {1, 0xF7DE, {255, 246, 250, 246}}, {2, 0x1234, {17, 34, 51, 68}}};
    for (const auto& [format, value, color] : rows) {
        ArgbColor got;
        EXPECT_TRUE(ColorDecode(format, value, got) && got == color) << int(format) << " " << value;
    }
    for (std::uint8_t format = 0; format <= 2; ++format) {
        const PixelCodec& codec = *FindPixelCodec(format);
        for (std::uint32_t value = 0; value <= 0xFFFF; ++value) {
            ArgbColor color;
            std::uint32_t back = 0;
            ASSERT_TRUE(ColorDecode(format, value, color) && ColorEncode(format, color, back));
            ASSERT_EQ(back, value) << int(format);
            ASSERT_EQ(codec.Decode(value), ToPixelWord(color)) << int(format) << " " << value;
            ASSERT_EQ(codec.Encode(codec.Decode(value)), value) << int(format);
        }
    }
}

// A channel narrows to the nearest field value, but only 255 sets the 1-bit
// alpha, and RGB565 drops alpha. Fields as {shift, max}, alpha first.
TEST(ColorFormats, ChannelsNarrowToTheNearestFieldValue) {
    const std::vector<std::pair<unsigned, std::uint32_t>> fields[] = {
        {{15, 1}, {10, 31}, {5, 31}, {0, 31}},
        {{0, 0}, {11, 31}, {5, 63}, {0, 31}},
        {{12, 15}, {8, 15}, {4, 15}, {0, 15}}};
    for (std::uint8_t format = 0; format <= 2; ++format) {
        for (std::uint32_t c = 0; c < 256; ++c) {
            std::uint32_t want = 0;
            for (const auto& [shift, max] : fields[format]) {
                want |= (max == 1 ? c / 255 : std::uint32_t(std::lround(c * max / 255.0))) << shift;
            }
            std::uint32_t got = 0;
            ASSERT_TRUE(ColorEncode(format, {c, c, c, c}, got));
            ASSERT_EQ(got, want) << int(format) << " channel " << c;
            ASSERT_EQ(FindPixelCodec(format)->Encode(ToPixelWord({c, c, c, c})), want) << c;
        }
    }
}

}  // namespace
}  // namespace qm
