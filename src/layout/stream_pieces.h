// A picture's texel stream cut into pieces: blocks of consecutive texels that
// each cover one simple part of the picture.
//
//   row by row: one piece per row;
//   twiddled:   squares of at most 64 x 64 texels. In the twiddled order the
//               4,096 texels from every multiple of 4,096 fill one such
//               square, so a square root region is cut into them in stream
//               order; smaller roots are one piece each.
//
// The converters move a piece at a time between a surface and a buffer of
// one piece, so that no array of a whole picture's texels is ever needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "layout/twiddle.h"
#include "platform/image_surface.h"
#include "texture/pixel_word.h"

namespace qm {

struct StreamPiece {
    std::int32_t x = 0;  // top-left pixel
    std::int32_t y = 0;
    std::int32_t width = 0;  // pixels across
    bool twiddled = false;   // a twiddled square of width x width, else one row

    std::size_t Length() const {
        const auto across = static_cast<std::size_t>(width);
        return twiddled ? across * across : across;
    }
};

class StreamPieces {
  public:
    // Side of the largest twiddled piece.
    static constexpr std::int32_t kTileSide = 64;

    StreamPieces() = default;
    // The rows of a width x height picture (both above 0).
    static StreamPieces Rows(std::int32_t width, std::int32_t height);
    // The squares of a twiddled picture whose roots TwiddleRoots gave.
    static StreamPieces Twiddled(const std::vector<TwiddleRegion>& roots);

    std::size_t Count() const { return count_; }
    // Piece index (below Count()), in stream order.
    StreamPiece At(std::size_t index) const;
    // The length of the longest piece.
    std::size_t MaxLength() const;

  private:
    std::int32_t rowWidth_ = 0;         // row by row
    std::vector<TwiddleRegion> roots_;  // twiddled
    std::int32_t tileSide_ = 0;
    std::size_t tilesPerRoot_ = 0;
    std::size_t count_ = 0;
};

// Writes a piece's texels (stream order) to a 32-bit surface. False (nothing
// written) when the piece does not lie on the surface or texels is shorter
// than the piece.
bool PlacePiece(ImageSurface& surface, const StreamPiece& piece, std::span<const PixelWord> texels);

// Reads a piece of a 24- or 32-bit surface into texels (24-bit pixels are
// opaque). False (nothing read) under the same conditions as PlacePiece.
bool ReadPiece(const ImageSurface& surface, const StreamPiece& piece, std::span<PixelWord> texels);

}  // namespace qm
