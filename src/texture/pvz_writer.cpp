#include "texture/pvz_writer.h"

#include <algorithm>

#include "platform/le_bytes.h"
#include "platform/message_sink.h"
#include "platform/messages.h"
#include "texture/run_stream.h"
#include "texture/status_messages.h"

namespace qm {

namespace {

constexpr std::size_t kRecordSize = static_cast<std::size_t>(TexelWidth::kTwoByte);
// Records PvzStreamWriter gathers before each write.
constexpr std::size_t kBufferedRecords = 16384;
static_assert(kRecordSize * kBufferedRecords >= kPvzHeaderSize);

void WriteMagic(std::span<std::uint8_t> bytes, std::size_t offset, std::string_view magic) {
    std::copy(magic.begin(), magic.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

// The codec of info's pixel format; null, after "ColorEncode エラー", for an
// unknown one.
const PixelCodec* CodecOrMessage(const TextureInfo& info) {
    const PixelCodec* codec = FindPixelCodec(info.pixelFormat);
    if (codec == nullptr) {
        ShowMessage(msg::kColorEncodeError);
    }
    return codec;
}

// Fills in the header at the start of out, whose bytes are zero.
void WriteHeader(const TextureInfo& info, std::span<std::uint8_t> out) {
    // Kept to 32 bits as stored; wraps rather than overflows for extreme sides.
    const std::int64_t expanded = PixelCount(info) * 2 + kExpandedSizeBase;
    WriteLe32(out, kSizeWordOffset, static_cast<std::uint32_t>(expanded & 0xFFFFFFFF));
    WriteMagic(out, kGbixOffset, kGbixMagic);
    const std::string_view header = info.headerText;
    for (std::size_t i = 0; i < kHeaderBytesLength; ++i) {
        const std::size_t at = 2 * i;
        out[kHeaderBytesOffset + i] = ParseHexPair(at < header.size() ? header.substr(at, 2) : "");
    }
    WriteMagic(out, kPvrtOffset, kPvrtMagic);
    // Offsets 24..27 and 30..31 stay zero.
    out[kPixelFormatOffset] = info.pixelFormat;
    out[kDataFormatOffset] = info.dataFormat;
    WriteLe16(out, kWidthOffset, static_cast<std::uint16_t>(info.width));
    WriteLe16(out, kHeightOffset, static_cast<std::uint16_t>(info.height));
}

}  // namespace

bool BuildPvzBytes(const TextureInfo& info, const std::vector<ColorRun>& runs,
                   std::vector<std::uint8_t>& bytes) {
    // Refuse an unknown format before anything is produced.
    const PixelCodec* codec = CodecOrMessage(info);
    if (codec == nullptr) {
        return false;
    }
    bytes.assign(kPvzHeaderSize + kRecordSize * runs.size(), 0);
    const std::span<std::uint8_t> out(bytes);
    WriteHeader(info, out);
    std::size_t p = kPvzHeaderSize;
    for (const ColorRun& run : runs) {
        WriteTwoByteRecord(out, p, codec->Encode(ToPixelWord(run.color)), run.repeat + 1u);
        p += kRecordSize;
    }
    return true;
}

bool WritePvz(const TextureInfo& info, const std::vector<ColorRun>& runs) {
    std::vector<std::uint8_t> bytes;
    if (!BuildPvzBytes(info, runs, bytes)) {
        return false;
    }
    if (!WriteWholeFile(info.texturePath, bytes)) {
        ShowMessage(msg::kCreateFailed);
        return false;
    }
    return true;
}

PvzRecordWriter::PvzRecordWriter(const TextureInfo& info, ByteSink& sink)
    : info_(info), sink_(sink) {}

Status PvzRecordWriter::Open() {
    codec_ = FindPixelCodec(info_.pixelFormat);
    if (codec_ == nullptr) {
        return Status::kUnknownPixelFormat;
    }
    if (!sink_.Open()) {
        return Status::kWriteFailed;
    }
    buffer_.assign(kTwoByteRecord * kBufferedRecords, 0);
    WriteHeader(info_, buffer_);
    used_ = kPvzHeaderSize;
    return Status::kOk;
}

Status PvzRecordWriter::Finish() {
    Flush();
    return sink_.Good() ? Status::kOk : Status::kWriteFailed;
}

void PvzRecordWriter::Flush() {
    sink_.Write(std::span(buffer_).first(used_));
    used_ = 0;
}

PvzStreamWriter::PvzStreamWriter(const TextureInfo& info)
    : file_(info.texturePath), sink_(file_), records_(info, sink_) {}

bool PvzStreamWriter::Open() {
    const Status status = records_.Open();
    if (status != Status::kOk) {
        ShowMessage(EncodeMessage(status));
        return false;
    }
    return true;
}

bool PvzStreamWriter::Commit() {
    if (records_.Finish() != Status::kOk || !file_.Commit()) {
        ShowMessage(msg::kCreateFailed);
        return false;
    }
    return true;
}

}  // namespace qm
