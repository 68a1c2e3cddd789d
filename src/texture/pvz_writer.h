// Writing a .pvz texture from a descriptor and its runs.
#pragma once

#include <cstdint>
#include <vector>

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

// Writes a .pvz file as its runs are found, through a buffer of 16,384
// records (48 KiB), so that neither the runs nor the file's bytes are held
// whole. The file is the one WritePvz writes for the same runs; nothing is
// created or changed unless all of it could be written.
class PvzStreamWriter {
  public:
    explicit PvzStreamWriter(const TextureInfo& info);

    // Refuses an unknown pixel format ("ColorEncode エラー"), then creates
    // the file and writes the header ("ファイルの作成に失敗" when it cannot).
    bool Open();
    // One run of length (1 to 256) pixels, after Open succeeded.
    void AddRun(PixelWord pixel, std::size_t length) {
        if (used_ + kRecordSize > buffer_.size()) {
            Flush();
        }
        WriteTwoByteRecord(buffer_, used_, codec_->Encode(pixel), length);
        used_ += kRecordSize;
    }
    // Writes the rest and puts the file in place; "ファイルの作成に失敗" when
    // any of it could not be written.
    bool Commit();

  private:
    static constexpr std::size_t kRecordSize = static_cast<std::size_t>(TexelWidth::kTwoByte);

    void Flush();

    const TextureInfo& info_;
    const PixelCodec* codec_ = nullptr;
    AtomicFileWriter file_;
    std::vector<std::uint8_t> buffer_;  // header and records not yet written
    std::size_t used_ = 0;
};
}  // namespace qm
