// PNG output: decoded colours placed on a 32-bit surface and saved under the
// name that carries the texture's header.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "layout/stream_pieces.h"
#include "platform/image_surface.h"
#include "texture/argb_color.h"
#include "texture/pvz_header.h"
#include "texture/texel_decode.h"

namespace qm {

// Places colors (width * height, stream order) row by row from the top-left
// pixel. False when the array or the surface is too small.
bool SetPngColor_Rect(ImageSurface& surface, int width, int height,
                      const std::vector<ArgbColor>& colors);

// Places the colours (row by row for data-format code 9, twiddled for every
// other code) and saves the PNG named by BuildPngName. Shapes that cannot be
// placed whole give "CreatePng サポートしてません"; a PNG that cannot be
// written gives "ファイルの作成に失敗". When written is not null it receives
// the PNG's path on success.
bool CreatePng(const TextureInfo& info, const std::vector<ArgbColor>& colors,
               std::string* written = nullptr);

// CreatePng in parts, for a converter that places texels as it decodes them.

// The pieces of the texture's stream (row by row for data-format code 9,
// twiddled for every other code); none for a shape that cannot be placed
// whole. No message.
std::optional<StreamPieces> PlacementPieces(const TextureInfo& info);

// Places texels on a 32-bit surface of the texture's size, a piece at a
// time, as they arrive in stream order.
class PieceSink final : public TexelSink {
  public:
    PieceSink(ImageSurface& surface, const StreamPieces& pieces);
    void Append(std::span<const TexelRun> runs) override;
    // The surface is transparent black already: only the piece begun is
    // completed and placed.
    void PadTo(std::size_t count) override;
    // How many texels PadTo added.
    std::size_t Padded() const { return padded_; }

  private:
    void PlaceFilledPiece();

    ImageSurface& surface_;
    const StreamPieces& pieces_;
    std::vector<PixelWord> piece_;  // the texels of the piece being filled
    std::size_t filled_ = 0;        // how many of them have arrived
    std::size_t next_ = 0;          // its index
    std::size_t padded_ = 0;
};

// Texels that have nowhere to go (a shape that cannot be placed): the decode
// still runs for its checks and messages.
class DiscardingSink final : public TexelSink {
  public:
    void Append(std::span<const TexelRun>) override {}
    void PadTo(std::size_t) override {}
};

// Saves the placed picture under BuildPngName(info), or over the one existing
// file whose name differs from it only in letter case; "ファイルの作成に失敗"
// when it cannot be written. When modified is not null the PNG gets that
// modification time.
bool SavePng(const TextureInfo& info, const ImageSurface& surface, std::string* written,
             const FileTime* modified = nullptr);

}  // namespace qm
