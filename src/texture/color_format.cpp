#include "texture/color_format.h"

#include <bit>
#include <iterator>

#include "platform/message_sink.h"
#include "platform/messages.h"

namespace qm {

namespace {

// A field of `bits` bits starting at `shift`.
struct Field {
    unsigned shift;
    unsigned bits;
};

struct Layout {
    std::string_view name;
    Field alpha;  // bits == 0: no alpha, decodes as opaque
    Field red;
    Field green;
    Field blue;
};

constexpr Layout kLayouts[] = {
    {"ARGB1555", {15, 1}, {10, 5}, {5, 5}, {0, 5}},
    {"RGB565", {0, 0}, {11, 5}, {5, 6}, {0, 5}},
    {"ARGB4444", {12, 4}, {8, 4}, {4, 4}, {0, 4}},
};

constexpr std::uint32_t kChannelMax = 255;

constexpr std::uint32_t FieldMax(Field f) {
    return (1u << f.bits) - 1u;
}

constexpr std::uint32_t Widen(std::uint32_t value, Field f) {
    const std::uint32_t x = (value >> f.shift) & FieldMax(f);
    return x * kChannelMax / FieldMax(f);
}

constexpr std::uint32_t Narrow(std::uint32_t channel, Field f) {
    if (f.bits == 0) {
        return 0;
    }
    const std::uint32_t c = channel & 0xFFu;
    // The 1-bit alpha is set only by a fully opaque channel; wider fields
    // take the nearest value.
    const std::uint32_t x =
        f.bits == 1 ? c / kChannelMax : (c * FieldMax(f) + kChannelMax / 2) / kChannelMax;
    return x << f.shift;
}

constexpr PixelCodec MakeCodec(const Layout& layout) {
    PixelCodec codec;
    // In the order of the bytes of a pixel word.
    const Field fields[4] = {layout.blue, layout.green, layout.red, layout.alpha};
    for (std::size_t byte = 0; byte < 4; ++byte) {
        const Field f = fields[byte];
        PixelCodec::DecodeField& decode = codec.decode[byte];
        decode.shift = f.shift;
        decode.mask = f.bits == 0 ? 0 : FieldMax(f);
        for (std::uint32_t x = 0; x <= decode.mask; ++x) {
            PixelBytes bytes{};
            bytes[byte] =
                static_cast<std::uint8_t>(f.bits == 0 ? kChannelMax : Widen(x << f.shift, f));
            decode.words[x] = std::bit_cast<PixelWord>(bytes);
        }
        for (std::uint32_t c = 0; c <= kChannelMax; ++c) {
            codec.encode[byte][c] = static_cast<std::uint16_t>(Narrow(c, f));
        }
    }
    return codec;
}

constexpr PixelCodec kCodecs[] = {MakeCodec(kLayouts[0]), MakeCodec(kLayouts[1]),
                                  MakeCodec(kLayouts[2])};
static_assert(std::size(kCodecs) == std::size(kLayouts));

const Layout* LayoutOf(std::uint8_t pixelFormat) {
    return pixelFormat < std::size(kLayouts) ? &kLayouts[pixelFormat] : nullptr;
}

}  // namespace

bool IsKnownPixelFormat(std::uint8_t pixelFormat) {
    return LayoutOf(pixelFormat) != nullptr;
}

std::string_view PixelFormatName(std::uint8_t pixelFormat) {
    const Layout* layout = LayoutOf(pixelFormat);
    return layout != nullptr ? layout->name : std::string_view("unknown");
}

const PixelCodec* FindPixelCodec(std::uint8_t pixelFormat) {
    return pixelFormat < std::size(kCodecs) ? &kCodecs[pixelFormat] : nullptr;
}

bool ColorDecode(std::uint8_t pixelFormat, std::uint32_t value, ArgbColor& color) {
    const Layout* layout = LayoutOf(pixelFormat);
    if (layout == nullptr) {
        return false;
    }
    color.alpha = layout->alpha.bits == 0 ? kChannelMax : Widen(value, layout->alpha);
    color.red = Widen(value, layout->red);
    color.green = Widen(value, layout->green);
    color.blue = Widen(value, layout->blue);
    return true;
}

bool ColorEncode(std::uint8_t pixelFormat, const ArgbColor& color, std::uint32_t& value) {
    value = 0;
    const Layout* layout = LayoutOf(pixelFormat);
    if (layout == nullptr) {
        ShowMessage(msg::kColorEncodeError);
        return false;
    }
    value = Narrow(color.alpha, layout->alpha) | Narrow(color.red, layout->red) |
            Narrow(color.green, layout->green) | Narrow(color.blue, layout->blue);
    return true;
}

}  // namespace qm
