#include "texture/color_format.h"

#include <gtest/gtest.h>

#include "platform/messages.h"
#include "support/test_support.h"

namespace qm {
namespace {

ArgbColor Decode(std::uint8_t format, std::uint32_t value) {
    ArgbColor c{1, 2, 3, 4};
    EXPECT_TRUE(ColorDecode(format, value, c));
    return c;
}

std::uint32_t Encode(std::uint8_t format, ArgbColor c) {
    std::uint32_t value = 0xDEAD;
    EXPECT_TRUE(ColorEncode(format, c, value));
    return value;
}

TEST(ColorDecode, GoldenValues) {
    EXPECT_EQ(Decode(0, 0x8000), (ArgbColor{255, 0, 0, 0}));
    EXPECT_EQ(Decode(0, 0x7FFF), (ArgbColor{0, 255, 255, 255}));
    EXPECT_EQ(Decode(1, 0xFFFF), (ArgbColor{255, 255, 255, 255}));
    EXPECT_EQ(Decode(1, 0x0821), (ArgbColor{255, 8, 4, 8}));
    EXPECT_EQ(Decode(2, 0xF00F), (ArgbColor{255, 0, 0, 255}));
}

TEST(ColorDecode, TellingValuesOfEachFieldWidth) {
    // 5-bit field in the blue of RGB565, 6-bit in its green, 4-bit in ARGB4444.
    const std::pair<std::uint32_t, std::uint32_t> five[] = {{1, 8},    {3, 24},   {4, 32},  {5, 41},
                                                            {16, 131}, {30, 246}, {31, 255}};
    for (auto [x, want] : five) {
        EXPECT_EQ(Decode(1, x).blue, want) << x;
    }
    const std::pair<std::uint32_t, std::uint32_t> six[] = {{1, 4},    {20, 80},  {21, 85},
                                                           {32, 129}, {62, 250}, {63, 255}};
    for (auto [x, want] : six) {
        EXPECT_EQ(Decode(1, x << 5).green, want) << x;
    }
    for (std::uint32_t x = 0; x < 16; ++x) {
        EXPECT_EQ(Decode(2, x << 12).alpha, 17 * x);
    }
}

TEST(ColorEncode, GoldenValues) {
    EXPECT_EQ(Encode(2, {136, 17, 34, 255}), 0x812Fu);
    EXPECT_EQ(Encode(0, {254, 255, 255, 255}), 0x7FFFu);
    EXPECT_EQ(Encode(0, {255, 255, 255, 255}), 0xFFFFu);
    // Rounded to nearest, so every field of 1 comes back.
    EXPECT_EQ(Encode(1, {255, 8, 4, 8}), 0x0821u);
}

TEST(ColorEncode, Rgb565IgnoresAlpha) {
    for (std::uint32_t a = 0; a < 256; ++a) {
        EXPECT_EQ(Encode(1, {a, 100, 150, 200}), Encode(1, {255, 100, 150, 200}));
    }
}

TEST(ColorEncode, OneBitAlphaIsSetOnlyByOpaque) {
    for (std::uint32_t a = 0; a < 255; ++a) {
        EXPECT_EQ(Encode(0, {a, 0, 0, 0}) & 0x8000u, 0u) << a;
    }
    EXPECT_EQ(Encode(0, {255, 0, 0, 0}), 0x8000u);
}

TEST(ColorEncode, ChannelsTakeTheNearestFieldValue) {
    // Exhaustive: the field chosen for C is the one whose exact value
    // x * 255 / N lies closest to C.
    struct Case {
        std::uint8_t format;
        unsigned shift;
        int max;
    };
    const Case cases[] = {{2, 8, 15}, {1, 11, 31}, {1, 5, 63}, {0, 10, 31}};
    for (const Case& k : cases) {
        for (int c = 0; c < 256; ++c) {
            const auto u = static_cast<std::uint32_t>(c);
            const int x = int((Encode(k.format, {255, u, u, u}) >> k.shift) & unsigned(k.max));
            for (int y = 0; y <= k.max; ++y) {
                ASSERT_LE(std::abs(x * 255 - c * k.max), std::abs(y * 255 - c * k.max))
                    << "format " << int(k.format) << " channel " << c;
            }
        }
    }
}

TEST(ColorFormats, DecodeThenEncodeIsIdentityForEveryValue) {
    for (std::uint8_t format = 0; format <= 2; ++format) {
        for (std::uint32_t value = 0; value <= 0xFFFF; ++value) {
            ArgbColor c;
            ASSERT_TRUE(ColorDecode(format, value, c));
            std::uint32_t back = 0;
            ASSERT_TRUE(ColorEncode(format, c, back));
            ASSERT_EQ(back, value) << "format " << int(format);
        }
    }
}

TEST(ColorFormats, UnknownFormatFailsInBothDirections) {
    test::CapturedMessages messages;
    ArgbColor c{1, 2, 3, 4};
    EXPECT_FALSE(ColorDecode(3, 0x1234, c));
    EXPECT_EQ(c, (ArgbColor{1, 2, 3, 4}));
    EXPECT_TRUE(messages.shown.empty());

    std::uint32_t value = 77;
    EXPECT_FALSE(ColorEncode(255, c, value));
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(messages.shown, std::vector<std::string>{std::string(msg::kColorEncodeError)});
}

TEST(PixelCodec, TablesAgreeWithColorDecodeAndColorEncode) {
    for (std::uint8_t format = 0; format <= 2; ++format) {
        const PixelCodec* codec = FindPixelCodec(format);
        ASSERT_NE(codec, nullptr);
        for (std::uint32_t value = 0; value <= 0xFFFF; ++value) {
            ArgbColor c;
            ASSERT_TRUE(ColorDecode(format, value, c));
            ASSERT_EQ(codec->Decode(value), ToPixelWord(c)) << "format " << int(format);
        }
        // Every channel value in every place: encoding treats channels apart.
        for (std::uint32_t v = 0; v < 256; ++v) {
            for (const ArgbColor c :
                 {ArgbColor{v, 0, 0, 0}, ArgbColor{0, v, 0, 0}, ArgbColor{0, 0, v, 0},
                  ArgbColor{0, 0, 0, v}, ArgbColor{v, v, 255 - v, v / 2}}) {
                ASSERT_EQ(codec->Encode(ToPixelWord(c)), Encode(format, c))
                    << "format " << int(format) << " value " << v;
            }
        }
    }
    EXPECT_EQ(FindPixelCodec(3), nullptr);
}

}  // namespace
}  // namespace qm
