// Writing a .pvz texture from a descriptor and its runs.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/byte_sink.h"
#include "codec/status.h"
#include "platform/file_io.h"
#include "texture/color_format.h"
#include "texture/color_run.h"
#include "texture/pvz_header.h"
#include "texture/run_stream.h"

namespace qm {

// Builds the complete file in memory: header (pvz_header.h) and one 3-byte
// record per run. False, after "ColorEncode エラー", when the pixel format
// has no colour layout.
bool BuildPvzBytes(const TextureInfo& info, const std::vector<ColorRun>& runs,
                   std::vector<std::uint8_t>& bytes);

// Writes info.texturePath. Nothing is created or changed unless the whole
// file could be written: an unknown pixel format shows "ColorEncode エラー",
// a file that cannot be written "ファイルの作成に失敗"; both give false.
bool WritePvz(const TextureInfo& info, const std::vector<ColorRun>& runs);

// A .pvz written through a byte sink as its runs are found, through a
// buffer of 16,384 two-byte-texel records (48 KiB), so that neither the runs
// nor the file's bytes need to be held whole. The bytes are those
// BuildPvzBytes builds for the same runs. A palette texture (data-format
// code 7) gets 1-byte records (AddIndexRun).
class PvzRecordWriter {
  public:
    PvzRecordWriter(const TextureInfo& info, ByteSink& sink);

    // kUnknownPixelFormat for a pixel format without a colour layout, then
    // opens the sink (kWriteFailed when it cannot) and buffers the header.
    Status Open();
    // One run of length (1 to 256) pixels, after Open succeeded.
    void AddRun(PixelWord pixel, std::size_t length) {
        Reserve(kTwoByteRecord);
        WriteTwoByteRecord(buffer_, used_, codec_->Encode(pixel), length);
        used_ += kTwoByteRecord;
    }
    // One run of length (1 to 256) equal palette indices.
    void AddIndexRun(std::uint8_t index, std::size_t length) {
        Reserve(kOneByteRecord);
        buffer_[used_] = index;
        buffer_[used_ + 1] = static_cast<std::uint8_t>((length - 1) & 0xFFu);
        used_ += kOneByteRecord;
    }
    // Writes the rest; kWriteFailed when the sink refused any of it.
    Status Finish();

  private:
    static constexpr std::size_t kTwoByteRecord = static_cast<std::size_t>(TexelWidth::kTwoByte);
    static constexpr std::size_t kOneByteRecord = static_cast<std::size_t>(TexelWidth::kOneByte);

    void Reserve(std::size_t record) {
        if (used_ + record > buffer_.size()) {
            Flush();
        }
    }
    void Flush();

    const TextureInfo& info_;
    ByteSink& sink_;
    const PixelCodec* codec_ = nullptr;
    std::vector<std::uint8_t> buffer_;  // header and records not yet written
    std::size_t used_ = 0;
};

// A file being written as a byte sink.
class FileByteSink final : public ByteSink {
  public:
    explicit FileByteSink(AtomicFileWriter& file) : file_(file) {}
    bool Open() override { return file_.Open(); }
    void Write(std::span<const std::uint8_t> bytes) override {
        good_ = file_.Write(bytes) && good_;
    }
    bool Good() const override { return good_; }

  private:
    AtomicFileWriter& file_;
    bool good_ = true;
};

// PvzRecordWriter into info.texturePath, with the program's messages.
// Nothing is created or changed unless all of it could be written.
class PvzStreamWriter {
  public:
    explicit PvzStreamWriter(const TextureInfo& info);

    // Refuses an unknown pixel format ("ColorEncode エラー"), then creates
    // the file and writes the header ("ファイルの作成に失敗" when it cannot).
    bool Open();
    // One run of length (1 to 256) pixels, after Open succeeded.
    void AddRun(PixelWord pixel, std::size_t length) { records_.AddRun(pixel, length); }
    // Writes the rest and puts the file in place; "ファイルの作成に失敗" when
    // any of it could not be written.
    bool Commit();

  private:
    AtomicFileWriter file_;
    FileByteSink sink_;
    PvzRecordWriter records_;
};
}  // namespace qm
