#include "texture/texel_decode.h"

#include <string_view>

#include "platform/message_sink.h"
#include "platform/messages.h"
#include "texture/color_format.h"
#include "texture/palette.h"
#include "texture/run_stream.h"

namespace qm {

namespace {

struct DecoderTexts {
    std::string_view badColor;
    std::string_view tooMany;
};

// The walk shared by both decoders. valueOf turns a record's value into a
// 16-bit colour (false after its own message). The walk stops as soon as the
// texels exceed width * height, so no stream can make the array grow beyond
// the picture. A short stream is padded with transparent black.
template <class ValueOf>
bool DecodeStream(std::span<const std::uint8_t> file, const TextureInfo& info, TexelWidth width,
                  const DecoderTexts& texts, ValueOf&& valueOf, std::vector<ArgbColor>& colors) {
    const std::int64_t expected = ExpectedTexels(info);
    if (expected > 0) {
        colors.reserve(static_cast<std::size_t>(expected));
    }
    bool ok = true;
    WalkRunStream(file, width, [&](const RunRecord& record) {
        std::uint32_t value = 0;
        if (!valueOf(record.value, value)) {
            ok = false;
            return false;
        }
        ArgbColor color;
        if (!ColorDecode(info.pixelFormat, value, color)) {
            ShowMessage(texts.badColor);
            ok = false;
            return false;
        }
        if (static_cast<std::int64_t>(colors.size() + record.count) > expected) {
            ShowMessage(texts.tooMany);
            ok = false;
            return false;
        }
        colors.insert(colors.end(), record.count, color);
        return true;
    });
    if (!ok) {
        return false;
    }
    if (static_cast<std::int64_t>(colors.size()) < expected) {
        WriteDebugLine(msg::kDebugPadding);
        colors.resize(static_cast<std::size_t>(expected), ArgbColor{});
    }
    return true;
}

}  // namespace

bool ReadColorData1Byte(std::span<const std::uint8_t> file, TextureInfo& info,
                        std::vector<ArgbColor>& colors) {
    if (!ReadColorPalette(info)) {
        return false;
    }
    const std::vector<std::uint32_t>& palette = info.palette;
    auto lookUp = [&palette](std::uint32_t index, std::uint32_t& value) {
        if (index >= palette.size()) {
            ShowMessage(msg::kBadPaletteIndex);
            return false;
        }
        value = palette[index];
        return true;
    };
    return DecodeStream(file, info, TexelWidth::kOneByte,
                        {msg::kBadColor1Byte, msg::kTooManyTexels1Byte}, lookUp, colors);
}

bool ReadColorData2Byte(std::span<const std::uint8_t> file, const TextureInfo& info,
                        std::vector<ArgbColor>& colors) {
    auto direct = [](std::uint32_t texel, std::uint32_t& value) {
        value = texel;
        return true;
    };
    return DecodeStream(file, info, TexelWidth::kTwoByte,
                        {msg::kBadColor2Byte, msg::kTooManyTexels2Byte}, direct, colors);
}

}  // namespace qm
