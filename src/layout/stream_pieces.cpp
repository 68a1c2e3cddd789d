#include "layout/stream_pieces.h"

#include <algorithm>
#include <cstring>

#include "layout/surface_pixels.h"

namespace qm {

namespace {

bool RowFits(const ImageSurface& surface, const StreamPiece& piece, std::size_t texelCount) {
    return !surface.IsNull() && piece.x >= 0 && piece.y >= 0 && piece.width >= 0 &&
           piece.x + piece.width <= surface.GetWidth() && piece.y < surface.GetHeight() &&
           piece.Length() <= texelCount;
}

TwiddleRegion SquareOf(const StreamPiece& piece) {
    return TwiddleRegion{piece.x, piece.y, 0, piece.width};
}

}  // namespace

StreamPieces StreamPieces::Rows(std::int32_t width, std::int32_t height) {
    StreamPieces pieces;
    pieces.rowWidth_ = width;
    pieces.count_ = static_cast<std::size_t>(height);
    return pieces;
}

StreamPieces StreamPieces::Twiddled(const std::vector<TwiddleRegion>& roots) {
    StreamPieces pieces;
    pieces.roots_ = roots;
    if (!roots.empty()) {
        // Every root of a picture has the same side.
        pieces.tileSide_ = std::min(roots.front().side, kTileSide);
        const auto across = static_cast<std::size_t>(roots.front().side / pieces.tileSide_);
        pieces.tilesPerRoot_ = across * across;
        pieces.count_ = pieces.tilesPerRoot_ * roots.size();
    }
    return pieces;
}

StreamPiece StreamPieces::At(std::size_t index) const {
    if (roots_.empty()) {
        return StreamPiece{0, static_cast<std::int32_t>(index), rowWidth_, false};
    }
    const TwiddleRegion& root = roots_[index / tilesPerRoot_];
    // Tile k of a root is at the place of texel k of a square of tiles.
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    TwiddlePixel(static_cast<std::uint32_t>(index % tilesPerRoot_), x, y);
    return StreamPiece{root.x + static_cast<std::int32_t>(x) * tileSide_,
                       root.y + static_cast<std::int32_t>(y) * tileSide_, tileSide_, true};
}

std::size_t StreamPieces::MaxLength() const {
    if (roots_.empty()) {
        return static_cast<std::size_t>(rowWidth_);
    }
    return static_cast<std::size_t>(tileSide_) * static_cast<std::size_t>(tileSide_);
}

bool PlacePiece(ImageSurface& surface, const StreamPiece& piece,
                std::span<const PixelWord> texels) {
    if (piece.twiddled) {
        return UntwiddleSquare(surface, SquareOf(piece), texels);
    }
    if (surface.GetBPP() != 32 || !RowFits(surface, piece, texels.size())) {
        return false;
    }
    // A row of words is a row of 32-bit pixels.
    std::memcpy(surface.GetBits() + piece.y * surface.GetPitch() + piece.x * 4, texels.data(),
                piece.Length() * sizeof(PixelWord));
    return true;
}

bool ReadPiece(const ImageSurface& surface, const StreamPiece& piece, std::span<PixelWord> texels) {
    if (piece.twiddled) {
        return TwiddleSquare(surface, SquareOf(piece), texels);
    }
    const int bpp = surface.GetBPP();
    if ((bpp != 24 && bpp != 32) || !RowFits(surface, piece, texels.size())) {
        return false;
    }
    const std::uint8_t* row = surface.GetBits() + piece.y * surface.GetPitch();
    if (bpp == 32) {
        std::memcpy(texels.data(), row + piece.x * 4, piece.Length() * sizeof(PixelWord));
    } else {
        const std::uint8_t* pixel = row + piece.x * 3;
        for (std::size_t i = 0; i < piece.Length(); ++i, pixel += 3) {
            texels[i] = LoadPixelWord24(pixel);
        }
    }
    return true;
}

}  // namespace qm
