#include "texture/texel_decode.h"

#include <array>
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

// The sink of the array interface: texels appended to colors.
class ColorArraySink final : public TexelSink {
  public:
    explicit ColorArraySink(std::vector<ArgbColor>& colors) : colors_(colors) {}
    void Append(std::span<const TexelRun> runs) override {
        for (const TexelRun& run : runs) {
            colors_.insert(colors_.end(), run.count, ToArgbColor(run.pixel));
        }
    }
    void PadTo(std::size_t count) override { colors_.resize(count, ArgbColor{}); }

  private:
    std::vector<ArgbColor>& colors_;
};

// The walk shared by both decoders. valueOf turns a record's value into a
// 16-bit colour (false after its own message); the sink gets that colour
// decoded, or with indexWords the record's value + 1. held is the number of texels
// the sink holds already. The walk stops as soon as the texels would exceed
// width * height, so no stream can make the sink grow beyond the picture. A
// short stream is padded with transparent black.
template <class ValueOf>
bool DecodeStream(std::span<const std::uint8_t> file, const TextureInfo& info, TexelWidth width,
                  const DecoderTexts& texts, ValueOf&& valueOf, std::size_t held, TexelSink& sink,
                  bool indexWords = false) {
    const std::int64_t expected = ExpectedTexels(info);
    const PixelCodec* codec = FindPixelCodec(info.pixelFormat);
    std::size_t decoded = held;
    // Records are handed to the sink in batches.
    std::array<TexelRun, 256> batch;
    std::size_t batched = 0;
    bool ok = true;
    WalkRunStream(file, width, [&](const RunRecord& record) {
        std::uint32_t value = 0;
        if (!valueOf(record.value, value)) {
            ok = false;
            return false;
        }
        if (codec == nullptr) {
            ShowMessage(texts.badColor);
            ok = false;
            return false;
        }
        if (static_cast<std::int64_t>(decoded + record.count) > expected) {
            ShowMessage(texts.tooMany);
            ok = false;
            return false;
        }
        batch[batched++] =
            TexelRun{indexWords ? record.value + 1 : codec->Decode(value), record.count};
        if (batched == batch.size()) {
            sink.Append(batch);
            batched = 0;
        }
        decoded += record.count;
        return true;
    });
    sink.Append(std::span(batch).first(batched));
    if (!ok) {
        return false;
    }
    // The walk's check catches every record too many; a picture of negative
    // size expects fewer texels than even an empty stream holds.
    if (static_cast<std::int64_t>(decoded) > expected) {
        ShowMessage(texts.tooMany);
        return false;
    }
    if (static_cast<std::int64_t>(decoded) < expected) {
        WriteDebugLine(msg::kDebugPadding);
        sink.PadTo(static_cast<std::size_t>(expected));
    }
    return true;
}

bool Decode1Byte(std::span<const std::uint8_t> file, TextureInfo& info, std::size_t held,
                 TexelSink& sink, bool indexWords = false) {
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
                        {msg::kBadColor1Byte, msg::kTooManyTexels1Byte}, lookUp, held, sink,
                        indexWords);
}

bool Decode2Byte(std::span<const std::uint8_t> file, const TextureInfo& info, std::size_t held,
                 TexelSink& sink) {
    auto direct = [](std::uint32_t texel, std::uint32_t& value) {
        value = texel;
        return true;
    };
    return DecodeStream(file, info, TexelWidth::kTwoByte,
                        {msg::kBadColor2Byte, msg::kTooManyTexels2Byte}, direct, held, sink);
}

// The array is reserved for the whole picture up front, so it never moves.
void ReserveForPicture(const TextureInfo& info, std::vector<ArgbColor>& colors) {
    const std::int64_t expected = ExpectedTexels(info);
    if (expected > 0) {
        colors.reserve(static_cast<std::size_t>(expected));
    }
}

}  // namespace

bool ReadColorData1Byte(std::span<const std::uint8_t> file, TextureInfo& info,
                        std::vector<ArgbColor>& colors) {
    ReserveForPicture(info, colors);
    ColorArraySink sink(colors);
    return Decode1Byte(file, info, colors.size(), sink);
}

bool ReadColorData2Byte(std::span<const std::uint8_t> file, const TextureInfo& info,
                        std::vector<ArgbColor>& colors) {
    ReserveForPicture(info, colors);
    ColorArraySink sink(colors);
    return Decode2Byte(file, info, colors.size(), sink);
}

bool ReadIndexData1Byte(std::span<const std::uint8_t> file, TextureInfo& info, TexelSink& sink) {
    return Decode1Byte(file, info, 0, sink, true);
}

bool ReadIndexData1ByteWithoutPalette(std::span<const std::uint8_t> file, const TextureInfo& info,
                                      TexelSink& sink) {
    auto anyIndex = [](std::uint32_t index, std::uint32_t& value) {
        value = index;
        return true;
    };
    return DecodeStream(file, info, TexelWidth::kOneByte,
                        {msg::kBadColor1Byte, msg::kTooManyTexels1Byte}, anyIndex, 0, sink, true);
}

bool ReadColorData1Byte(std::span<const std::uint8_t> file, TextureInfo& info, TexelSink& sink) {
    return Decode1Byte(file, info, 0, sink);
}

bool ReadColorData2Byte(std::span<const std::uint8_t> file, const TextureInfo& info,
                        TexelSink& sink) {
    return Decode2Byte(file, info, 0, sink);
}

}  // namespace qm
