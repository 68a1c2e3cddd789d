#include "texture/texel_decode.h"

#include <array>
#include <string_view>
#include <type_traits>

#include "platform/message_sink.h"
#include "platform/messages.h"
#include "texture/color_format.h"
#include "texture/palette.h"
#include "texture/run_stream.h"
#include "texture/status_messages.h"

namespace qm {

namespace {

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

// The walk shared by both texel widths. valueOf turns a record's value into
// a 16-bit colour (a status other than kOk stops the walk); the sink gets
// that colour decoded, or with indexWords the record's value + 1. held is
// the number of texels the sink holds already. The walk stops as soon as the
// texels would exceed width * height, so no stream can make the sink grow
// beyond the picture. A short stream is padded with transparent black.
template <class ValueOf>
Status DecodeStream(std::span<const std::uint8_t> file, const TextureInfo& info, TexelWidth width,
                    ValueOf&& valueOf, std::size_t held, TexelSink& sink, std::uint64_t& padded,
                    bool indexWords) {
    padded = 0;
    const std::int64_t expected = ExpectedTexels(info);
    const PixelCodec* codec = FindPixelCodec(info.pixelFormat);
    std::size_t decoded = held;
    // Records are handed to the sink in batches.
    std::array<TexelRun, 256> batch;
    std::size_t batched = 0;
    Status status = Status::kOk;
    WalkRunStream(file, width, [&](const RunRecord& record) {
        std::uint32_t value = 0;
        status = valueOf(record.value, value);
        if (status == Status::kOk && codec == nullptr) {
            status = Status::kUnknownPixelFormat;
        }
        if (status == Status::kOk && static_cast<std::int64_t>(decoded + record.count) > expected) {
            status = Status::kTooManyTexels;
        }
        if (status != Status::kOk) {
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
    if (status != Status::kOk) {
        return status;
    }
    // The walk's check catches every record too many; a picture of negative
    // size expects fewer texels than even an empty stream holds.
    if (static_cast<std::int64_t>(decoded) > expected) {
        return Status::kTooManyTexels;
    }
    if (static_cast<std::int64_t>(decoded) < expected) {
        padded = static_cast<std::uint64_t>(expected) - decoded;
        sink.PadTo(static_cast<std::size_t>(expected));
    }
    return Status::kOk;
}

Status DecodeFrom(std::span<const std::uint8_t> file, const TextureInfo& info, bool oneByte,
                  std::size_t held, TexelSink& sink, std::uint64_t& padded, bool indexWords) {
    if (!oneByte) {
        auto direct = [](std::uint32_t texel, std::uint32_t& value) {
            value = texel;
            return Status::kOk;
        };
        return DecodeStream(file, info, TexelWidth::kTwoByte, direct, held, sink, padded, false);
    }
    const std::vector<std::uint32_t>& palette = info.palette;
    auto lookUp = [&palette](std::uint32_t index, std::uint32_t& value) {
        if (index >= palette.size()) {
            return Status::kPaletteIndex;
        }
        value = palette[index];
        return Status::kOk;
    };
    return DecodeStream(file, info, TexelWidth::kOneByte, lookUp, held, sink, padded, indexWords);
}

// A decode's status as the program's message, and its padding as the
// diagnostic line; true for kOk.
bool Shown(Status status, std::uint64_t padded, bool oneByte) {
    if (status != Status::kOk) {
        ShowMessage(
            DecodeMessage(status, oneByte ? data_format::kPalette8 : data_format::kRectangle));
        return false;
    }
    if (padded > 0) {
        WriteDebugLine(msg::kDebugPadding);
    }
    return true;
}

// The decode with the program's messages: the palette read from beside the
// texture first for code 7, the status shown, the padding noted.
template <class Info>
bool DecodeShown(std::span<const std::uint8_t> file, Info& info, bool oneByte, std::size_t held,
                 TexelSink& sink, bool indexWords) {
    if constexpr (!std::is_const_v<Info>) {
        if (oneByte && !ReadColorPalette(info)) {
            return false;
        }
    }
    std::uint64_t padded = 0;
    const Status status = DecodeFrom(file, info, oneByte, held, sink, padded, indexWords);
    return Shown(status, padded, oneByte);
}

// The array is reserved for the whole picture up front, so it never moves.
void ReserveForPicture(const TextureInfo& info, std::vector<ArgbColor>& colors) {
    const std::int64_t expected = ExpectedTexels(info);
    if (expected > 0) {
        colors.reserve(static_cast<std::size_t>(expected));
    }
}

}  // namespace

Status DecodeTexels(std::span<const std::uint8_t> file, const TextureInfo& info, TexelSink& sink,
                    std::uint64_t& padded, bool indexWords) {
    return DecodeFrom(file, info, info.dataFormat == data_format::kPalette8, 0, sink, padded,
                      indexWords);
}

bool ReadColorData1Byte(std::span<const std::uint8_t> file, TextureInfo& info,
                        std::vector<ArgbColor>& colors) {
    ReserveForPicture(info, colors);
    ColorArraySink sink(colors);
    return DecodeShown(file, info, true, colors.size(), sink, false);
}

bool ReadColorData2Byte(std::span<const std::uint8_t> file, const TextureInfo& info,
                        std::vector<ArgbColor>& colors) {
    ReserveForPicture(info, colors);
    ColorArraySink sink(colors);
    return DecodeShown(file, info, false, colors.size(), sink, false);
}

bool ReadIndexData1Byte(std::span<const std::uint8_t> file, TextureInfo& info, TexelSink& sink) {
    return DecodeShown(file, info, true, 0, sink, true);
}

bool ReadIndexData1ByteWithoutPalette(std::span<const std::uint8_t> file, const TextureInfo& info,
                                      TexelSink& sink) {
    auto anyIndex = [](std::uint32_t index, std::uint32_t& value) {
        value = index;
        return Status::kOk;
    };
    std::uint64_t padded = 0;
    const Status status =
        DecodeStream(file, info, TexelWidth::kOneByte, anyIndex, 0, sink, padded, true);
    return Shown(status, padded, true);
}

bool ReadColorData1Byte(std::span<const std::uint8_t> file, TextureInfo& info, TexelSink& sink) {
    return DecodeShown(file, info, true, 0, sink, false);
}

bool ReadColorData2Byte(std::span<const std::uint8_t> file, const TextureInfo& info,
                        TexelSink& sink) {
    return DecodeShown(file, info, false, 0, sink, false);
}

}  // namespace qm
