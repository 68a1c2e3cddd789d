// Texture-like pictures for the benchmarks and the comparison corpus, made
// with the program's own code: colours are quantised to a pixel format by
// ColorEncode and ColorDecode, the stream is gathered by the gatherers and
// the file built by BuildPvzBytes. Everything is deterministic.
//
//   flat    a 4 x 4 grid of cells, each one colour (one cell transparent):
//           long runs, as in UI art and masks
//   smooth  gradients in every channel: runs of a few texels
//   noisy   the gradients plus random noise: about one run per texel, the
//           worst case for the run-length stream
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "layout/gather.h"
#include "layout/surface_pixels.h"
#include "platform/image_surface.h"
#include "texture/color_format.h"
#include "texture/color_run.h"
#include "texture/pvz_header.h"
#include "texture/pvz_writer.h"

namespace qm::bench {

enum class Content { kFlat, kSmooth, kNoisy };

inline constexpr Content kAllContents[] = {Content::kFlat, Content::kSmooth, Content::kNoisy};

inline std::string_view ContentName(Content content) {
    switch (content) {
        case Content::kFlat:
            return "flat";
        case Content::kSmooth:
            return "smooth";
        case Content::kNoisy:
            return "noisy";
    }
    return "?";
}

// A twiddled data-format code (any code but 7 and 9 is twiddled).
inline constexpr std::uint8_t kTwiddledDataFormat = 1;

// Small deterministic generator (xorshift32).
class Random {
  public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

  private:
    std::uint32_t state_;
};

inline std::uint32_t Clamp255(std::int32_t v) {
    return static_cast<std::uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// The colour of pixel (x, y) before quantisation.
inline ArgbColor ContentColor(Content content, int x, int y, int width, int height,
                              Random& random) {
    if (content == Content::kFlat) {
        static constexpr std::uint32_t kCellColors[16] = {
            0xFF203040, 0xFFE0C080, 0xFF4080C0, 0x00000000, 0xFF808080, 0xFFFFFFFF,
            0x80FF0000, 0xFF00FF00, 0xFF0000FF, 0xFF102030, 0xC0A0A0A0, 0xFF303030,
            0xFFF0E0D0, 0xFF506070, 0xFF000000, 0xFF7F3F1F};
        const std::uint32_t argb = kCellColors[(y * 4 / height) * 4 + x * 4 / width];
        return ArgbColor{argb >> 24, (argb >> 16) & 0xFFu, (argb >> 8) & 0xFFu, argb & 0xFFu};
    }
    const std::int32_t gx = width > 1 ? x * 255 / (width - 1) : 0;
    const std::int32_t gy = height > 1 ? y * 255 / (height - 1) : 0;
    std::int32_t channels[4] = {255 - gy / 2, gx, gy, (gx + gy) / 2};
    if (content == Content::kNoisy) {
        for (std::int32_t& c : channels) {
            c += static_cast<std::int32_t>(random.Next() % 97) - 48;
        }
    }
    return ArgbColor{Clamp255(channels[0]), Clamp255(channels[1]), Clamp255(channels[2]),
                     Clamp255(channels[3])};
}

// A 32-bit picture whose every colour is exact in pixelFormat.
inline ImageSurface MakePicture(int width, int height, std::uint8_t pixelFormat, Content content,
                                std::uint32_t seed = 1) {
    ImageSurface surface;
    surface.Create(width, height, 32, true);
    Random random(seed);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* pixel = surface.GetBits() + y * surface.GetPitch();
        for (int x = 0; x < width; ++x, pixel += 4) {
            std::uint32_t texel = 0;
            ColorEncode(pixelFormat, ContentColor(content, x, y, width, height, random), texel);
            ArgbColor exact;
            ColorDecode(pixelFormat, texel, exact);
            WritePixel32(pixel, exact);
        }
    }
    return surface;
}

// The descriptor of a texture; header bytes derived from the seed.
inline TextureInfo MakeInfo(std::string texturePath, int width, int height,
                            std::uint8_t pixelFormat, std::uint8_t dataFormat,
                            std::uint32_t seed = 1) {
    TextureInfo info;
    info.texturePath = std::move(texturePath);
    info.width = static_cast<std::int16_t>(width);
    info.height = static_cast<std::int16_t>(height);
    info.pixelFormat = pixelFormat;
    info.dataFormat = dataFormat;
    static constexpr char kDigits[] = "0123456789abcdef";
    Random random(seed + 7);
    for (std::size_t i = 0; i < kHeaderTextLength; ++i) {
        info.headerText += kDigits[random.Next() % 16];
    }
    return info;
}

// The picture's runs in the texture's order, through the gatherer the
// converter would use. Empty when the shape does not fit the layout.
inline std::vector<ColorRun> GatherRuns(const ImageSurface& picture, const TextureInfo& info) {
    std::vector<ColorRun> runs;
    if (info.dataFormat == data_format::kRectangle) {
        GetPngColor_Rect(picture, info, runs);
    } else if (info.width == info.height) {
        GetPngColor_Squ(picture, info, runs);
    } else {
        GetPngColor_SquEX(picture, info, runs);
    }
    return runs;
}

// The complete .pvz file of picture under info.
inline std::vector<std::uint8_t> MakePvzBytes(const ImageSurface& picture,
                                              const TextureInfo& info) {
    std::vector<std::uint8_t> bytes;
    BuildPvzBytes(info, GatherRuns(picture, info), bytes);
    return bytes;
}

}  // namespace qm::bench
