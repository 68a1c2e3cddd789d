// PngEncoder against libpng: every picture saved through ImageSurface::Save or
// SaveIndexedPng (libpng with the program's settings) and through the encoder
// gives the same bytes; wrong use and a refusing sink fail cleanly.
#include "platform/png_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <set>
#include <string>

#include "platform/image_surface.h"
#include "platform/png_file.h"
#include "platform/png_indexed.h"
#include "support/png_bytes.h"
#include "support/test_support.h"

namespace qm::test {
namespace {

constexpr auto kRgb = PngColorType::kRgb, kRgba = PngColorType::kRgba,
               kPalette = PngColorType::kPalette;

enum class Content { kFlat, kGradient, kNoise, kFourLevels };

struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PngColorType type = kRgb;
    std::vector<PngPaletteEntry> palette;  // with the alphas tRNS holds, 255 past them
    Bytes samples;                         // row by row, in PNG order
};

std::size_t ChannelsOf(PngColorType type) {
    return type == kRgba ? 4 : type == kRgb ? 3 : 1;
}

// A palette picture has `colours` random colours, the first `translucent` of
// them below alpha 255 (so tRNS holds that many).
Picture Make(std::uint32_t width, std::uint32_t height, PngColorType type, std::uint32_t colours,
             std::uint32_t translucent, Content content, std::uint64_t seed) {
    Random random(seed);
    Picture p{width, height, type, {}, {}};
    for (std::uint32_t i = 0; type == kPalette && i < colours; ++i) {
        const ArgbColor c = random.Color();
        p.palette.push_back({std::uint8_t(c.red), std::uint8_t(c.green), std::uint8_t(c.blue),
                             std::uint8_t(i < translucent ? random.Below(255) : 255)});
    }
    const std::uint32_t channels = std::uint32_t(ChannelsOf(type));
    const std::uint32_t levels = type == kPalette ? colours : 256;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width * channels; ++x) {
            const std::uint32_t value = content == Content::kFlat       ? 90
                                        : content == Content::kGradient ? x / channels + 3 * y + x
                                        : content == Content::kNoise    ? random.Next() >> 8
                                                                        : random.Below(4) * 85;
            p.samples.push_back(std::uint8_t(value % levels));
        }
    }
    return p;
}

// The picture as the Linux build saves it, through libpng.
Bytes SavedByLibpng(const Picture& p) {
    TempDir dir;
    const std::string path = dir / "libpng.png";
    const int w = int(p.width), h = int(p.height);
    const std::size_t rowBytes = p.width * ChannelsOf(p.type);
    bool saved = false;
    if (p.type == kPalette) {
        saved = SaveIndexedPng(path, w, h, p.palette, [&](int y, std::span<std::uint8_t> row) {
            std::copy_n(p.samples.begin() + std::ptrdiff_t(y * rowBytes), rowBytes, row.begin());
        });
    } else {
        const int n = int(ChannelsOf(p.type));
        ImageSurface surface;
        EXPECT_TRUE(surface.Create(w, h, 8 * n, n == 4));
        for (int y = 0; y < h; ++y) {
            std::uint8_t* out = surface.GetBits() + y * surface.GetPitch();
            const std::uint8_t* in = p.samples.data() + y * std::ptrdiff_t(rowBytes);
            for (int x = 0; x < w * n; x += n) {  // BGR(A) from RGB(A)
                out[x] = in[x + 2], out[x + 1] = in[x + 1], out[x + 2] = in[x];
                if (n == 4) out[x + 3] = in[x + 3];
            }
        }
        saved = SavePngFile(surface, path);
    }
    return saved ? ReadFile(path) : Bytes{};
}

// tRNS up to the last colour that is not opaque, as SaveIndexedPng writes it.
Bytes EncodedByEncoder(const Picture& p) {
    std::vector<PngRgb> colours;
    Bytes alphas;
    for (const PngPaletteEntry& e : p.palette) {
        colours.push_back({e.red, e.green, e.blue});
        alphas.push_back(e.alpha);
    }
    while (!alphas.empty() && alphas.back() == 255) alphas.pop_back();
    Bytes out;
    PngEncoder encoder(p.width, p.height, p.type, colours, alphas, [&](auto bytes) {
        out.insert(out.end(), bytes.begin(), bytes.end());
        return true;
    });
    const std::size_t rowBytes = encoder.RowBytes();
    for (std::size_t at = 0; at < p.samples.size(); at += rowBytes) {
        if (!encoder.WriteRow(std::span(p.samples).subspan(at, rowBytes))) return {};
    }
    return encoder.Finish() ? out : Bytes{};
}

// The encoder's bytes, checked against libpng's.
Bytes ExpectSameBytes(const Picture& p, const std::string& what) {
    SCOPED_TRACE(what);
    const Bytes expected = SavedByLibpng(p), actual = EncodedByEncoder(p);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(actual.size(), expected.size());
    const auto same = std::ranges::mismatch(actual, expected).in1 - actual.begin();
    EXPECT_EQ(std::size_t(same), actual.size()) << "the bytes differ from byte " << same;
    return actual;
}

struct Row {
    std::string what;
    std::uint32_t width, height;
    PngColorType type;
    std::uint32_t colours, translucent;
    Content content;
};

// Image data (each row with its filter byte) of exactly 2^k bytes and one
// row or byte more, for every window libpng declares below 32 KiB: 256 bytes
// (k = 8) to 16 KiB (k = 14).
std::vector<Row> AroundWindowSizes() {
    std::vector<Row> rows;
    for (std::uint32_t k = 8; k <= 14; ++k) {
        const std::uint32_t size = 1u << k;
        const std::string s = std::to_string(size);
        rows.push_back({"palette " + s + " bytes", size - 1, 1, kPalette, 16, 0, Content::kNoise});
        rows.push_back({"palette " + s + "+1 bytes", size, 1, kPalette, 16, 3, Content::kNoise});
        rows.push_back({"RGB " + s + " bytes", 1, size / 4, kRgb, 0, 0, Content::kGradient});
        rows.push_back({"RGB " + s + "+4 bytes", 1, size / 4 + 1, kRgb, 0, 0, Content::kGradient});
        rows.push_back({"RGBA below " + s, 1, size / 5, kRgba, 0, 0, Content::kNoise});
        rows.push_back({"RGBA above " + s, 1, size / 5 + 1, kRgba, 0, 0, Content::kNoise});
    }
    return rows;
}

TEST(PngEncoder, WritesLibpngsBytes) {
    std::vector<Row> rows = {
        {"1x1 RGB", 1, 1, kRgb, 0, 0, Content::kNoise},
        {"1x1 RGBA", 1, 1, kRgba, 0, 0, Content::kNoise},
        {"1x1 palette of 1", 1, 1, kPalette, 1, 0, Content::kFlat},
        {"1x1 palette of 1, transparent", 1, 1, kPalette, 1, 1, Content::kFlat},
        {"palette of 16, tRNS of 5", 40, 30, kPalette, 16, 5, Content::kGradient},
        {"palette of 16, tRNS of 16", 40, 30, kPalette, 16, 16, Content::kNoise},
        {"palette of 256", 64, 64, kPalette, 256, 0, Content::kGradient},
        {"palette of 256, tRNS of 200", 64, 64, kPalette, 256, 200, Content::kNoise},
        {"palette of 256, tRNS of 256", 64, 64, kPalette, 256, 256, Content::kFourLevels},
        {"RGB just past one IDAT", 48, 60, kRgb, 0, 0, Content::kNoise},
        {"RGBA in five IDATs", 100, 100, kRgba, 0, 0, Content::kNoise},
        {"RGB ending exactly on an IDAT", 102, 80, kRgb, 0, 0, Content::kNoise},
        {"RGBA four levels, several IDATs", 300, 200, kRgba, 0, 0, Content::kFourLevels},
        {"RGB gradient", 300, 200, kRgb, 0, 0, Content::kGradient},
        {"RGBA flat 512x512", 512, 512, kRgba, 0, 0, Content::kFlat},
        {"RGB noise 512x512", 512, 512, kRgb, 0, 0, Content::kNoise},
        {"RGBA noise 512x512", 512, 512, kRgba, 0, 0, Content::kNoise},
        {"palette of 256 noise 512x512", 512, 512, kPalette, 256, 100, Content::kNoise},
    };
    std::ranges::copy(AroundWindowSizes(), std::back_inserter(rows));
    // What the rows claim to reach: every window the zlib header can
    // declare, and IDAT boundaries crossed once, many times, and met exactly.
    std::set<int> windows;
    std::set<std::size_t> idatCounts;
    bool endsOnBoundary = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        const Bytes png = ExpectSameBytes(
            Make(r.width, r.height, r.type, r.colours, r.translucent, r.content, i), r.what);
        std::vector<ChunkSpan> idats;
        std::ranges::copy_if(PngChunks(png), std::back_inserter(idats),
                             [](const ChunkSpan& c) { return c.type == "IDAT"; });
        ASSERT_FALSE(idats.empty());
        windows.insert(256 << (png[idats[0].offset + 8] >> 4));
        idatCounts.insert(idats.size());
        endsOnBoundary |= idats.size() > 1 && idats.back().length == 8192;
    }
    EXPECT_EQ(windows, (std::set{256, 512, 1024, 2048, 4096, 8192, 16384, 32768}));
    EXPECT_TRUE(idatCounts.contains(2) && *idatCounts.rbegin() > 100 && endsOnBoundary);
}

TEST(PngEncoder, WritesLibpngsBytesForRandomPictures) {
    Random random(20240611);
    for (int i = 0; i < 60; ++i) {
        const PngColorType type = std::array{kRgb, kRgba, kPalette}[random.Below(3)];
        const std::uint32_t side = i % 10 == 0 ? 400 : 90;
        const std::uint32_t w = 1 + random.Below(side), h = 1 + random.Below(side);
        const std::uint32_t colours = 1 + random.Below(256),
                            translucent = random.Below(colours + 1);
        const auto content = Content(random.Below(4));
        ExpectSameBytes(Make(w, h, type, colours, translucent, content, random.Next()),
                        std::to_string(i) + ": " + std::to_string(w) + "x" + std::to_string(h) +
                            " type " + std::to_string(int(type)) + " content " +
                            std::to_string(int(content)));
    }
}

// One encoder used as the row says: rows of the given lengths (noise, or
// every sample `sample`), then Finish `finishes` times. Every call from
// failsAt on (counting rows, then Finish calls) must return false, every
// call before it true; the sink, which refuses its call number sinkRefuses,
// must be called sinkCalls times in all.
struct Use {
    std::string what;
    std::uint32_t width, height;
    PngColorType type;
    std::size_t colours, alphas;
    std::vector<std::size_t> rows;
    int sample;  // -1: noise
    int finishes;
    int sinkRefuses;  // -1: never
    bool noSink;
    int failsAt;  // -1: nothing fails
    int sinkCalls;
};

TEST(PngEncoder, WrongUseAndARefusingSinkFailForGood) {
    constexpr std::uint32_t kBeyond = 0x80000000;
    const std::vector<std::size_t> four(4, 12);
    const Use uses[] = {
        {"all rows, then Finish", 4, 4, kRgb, 0, 0, four, -1, 1, -1, false, -1, 3},
        {"Finish twice", 4, 4, kRgb, 0, 0, four, -1, 2, -1, false, 5, 3},
        {"no row", 4, 4, kRgb, 0, 0, {}, -1, 1, -1, false, 0, 0},
        {"three rows of four", 4, 4, kRgb, 0, 0, {12, 12, 12}, -1, 1, -1, false, 3, 1},
        {"five rows of four", 4, 4, kRgb, 0, 0, {12, 12, 12, 12, 12}, -1, 1, -1, false, 4, 1},
        {"a short row, then right ones",
         4,
         4,
         kRgb,
         0,
         0,
         {12, 11, 12, 12},
         -1,
         1,
         -1,
         false,
         1,
         1},
        {"a long first row", 4, 4, kRgba, 0, 0, {17, 16, 16, 16}, -1, 1, -1, false, 0, 0},
        {"index 16 of 16 colours", 4, 4, kPalette, 16, 0, {4}, 16, 1, -1, false, 0, 0},
        {"index 15 of 16 colours", 4, 1, kPalette, 16, 16, {4}, 15, 1, -1, false, -1, 3},
        {"sink refuses the header", 4, 4, kRgb, 0, 0, four, -1, 1, 0, false, 0, 1},
        {"sink refuses an IDAT within a row",
         10000,
         2,
         kRgb,
         0,
         0,
         {30000, 30000},
         -1,
         1,
         1,
         false,
         0,
         2},
        {"sink refuses the only IDAT", 4, 4, kRgb, 0, 0, four, -1, 1, 1, false, 4, 2},
        {"sink refuses IEND", 4, 4, kRgb, 0, 0, four, -1, 1, 2, false, 4, 3},
        {"no sink", 4, 4, kRgb, 0, 0, four, -1, 1, -1, true, 0, 0},
        {"width 0", 0, 4, kRgb, 0, 0, {0}, -1, 1, -1, false, 0, 0},
        {"height 0", 4, 0, kRgb, 0, 0, {}, -1, 1, -1, false, 0, 0},
        {"width 2^31", kBeyond, 1, kPalette, 1, 0, {4}, 0, 1, -1, false, 0, 0},
        {"height 2^31", 4, kBeyond, kRgb, 0, 0, {12}, -1, 1, -1, false, 0, 0},
        {"a row of 8 GiB", kBeyond - 1, 1, kRgba, 0, 0, {4}, -1, 1, -1, false, 0, 0},
        {"palette without colours", 4, 4, kPalette, 0, 0, {4}, 0, 1, -1, false, 0, 0},
        {"257 colours", 4, 4, kPalette, 257, 0, {4}, 0, 1, -1, false, 0, 0},
        {"17 alphas for 16 colours", 4, 4, kPalette, 16, 17, {4}, 0, 1, -1, false, 0, 0},
        {"RGB with a palette", 4, 4, kRgb, 16, 0, {12}, -1, 1, -1, false, 0, 0},
        {"RGBA with alphas", 4, 4, kRgba, 0, 4, {16}, -1, 1, -1, false, 0, 0},
    };
    for (const Use& use : uses) {
        SCOPED_TRACE(use.what);
        int sinkCalls = 0;
        PngByteSink sink = [&](std::span<const std::uint8_t>) {
            return sinkCalls++ != use.sinkRefuses;
        };
        PngEncoder encoder(use.width, use.height, use.type, std::vector<PngRgb>(use.colours),
                           Bytes(use.alphas, 0), use.noSink ? PngByteSink{} : sink);
        Random random(use.rows.size());
        std::vector<bool> answers;
        for (const std::size_t length : use.rows) {
            Bytes row(length, std::uint8_t(use.sample));
            for (std::uint8_t& b : row) b = use.sample < 0 ? std::uint8_t(random.Next()) : b;
            answers.push_back(encoder.WriteRow(row));
        }
        for (int i = 0; i < use.finishes; ++i) answers.push_back(encoder.Finish());
        std::vector<bool> expected(answers.size(), true);
        if (use.failsAt >= 0) std::fill(expected.begin() + use.failsAt, expected.end(), false);
        EXPECT_EQ(answers, expected);
        EXPECT_EQ(encoder.Failed(), use.failsAt >= 0);
        EXPECT_EQ(sinkCalls, use.sinkCalls);
    }
}

}  // namespace
}  // namespace qm::test
