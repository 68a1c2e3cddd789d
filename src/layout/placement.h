// Texels placed on a picture as a decoder delivers them, in stream order: the
// pieces of each layout and the sinks that fill a 32-bit surface with them.
#pragma once

#include <optional>
#include <vector>

#include "layout/stream_pieces.h"
#include "platform/image_surface.h"
#include "texture/pvz_header.h"
#include "texture/texel_decode.h"

namespace qm {

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

}  // namespace qm
