#include "texture/color_format.h"

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

constexpr std::uint32_t FieldMax(Field f) { return (1u << f.bits) - 1u; }

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

const Layout* LayoutOf(std::uint8_t pixelFormat) {
    return pixelFormat < std::size(kLayouts) ? &kLayouts[pixelFormat] : nullptr;
}

}  // namespace

bool IsKnownPixelFormat(std::uint8_t pixelFormat) { return LayoutOf(pixelFormat) != nullptr; }

std::string_view PixelFormatName(std::uint8_t pixelFormat) {
    const Layout* layout = LayoutOf(pixelFormat);
    return layout != nullptr ? layout->name : std::string_view("unknown");
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
