#include "layout/placement.h"

#include <algorithm>

#include "layout/twiddle.h"

namespace qm {

std::optional<StreamPieces> PlacementPieces(const TextureInfo& info) {
    if (info.dataFormat == data_format::kRectangle) {
        if (info.width <= 0 || info.height <= 0) {
            return std::nullopt;
        }
        return StreamPieces::Rows(info.width, info.height);
    }
    std::vector<TwiddleRegion> roots;
    if (!TwiddleRoots(info.width, info.height, roots)) {
        return std::nullopt;
    }
    return StreamPieces::Twiddled(roots);
}

PieceSink::PieceSink(ImageSurface& surface, const StreamPieces& pieces)
    : surface_(surface), pieces_(pieces), piece_(pieces.MaxLength()) {}

void PieceSink::Append(std::span<const TexelRun> runs) {
    // Every piece has the same length; the decoder never delivers more
    // texels than the pieces hold.
    for (const TexelRun& run : runs) {
        // A single texel, the most common record of a noisy picture, that
        // does not complete its piece takes the short way.
        if (run.count == 1 && filled_ + 1 < piece_.size()) {
            piece_[filled_++] = run.pixel;
            continue;
        }
        std::size_t left = run.count;
        while (left > 0 && next_ < pieces_.Count()) {
            const std::size_t taken = std::min(left, piece_.size() - filled_);
            std::fill_n(piece_.data() + filled_, taken, run.pixel);
            filled_ += taken;
            left -= taken;
            if (filled_ == piece_.size()) {
                PlaceFilledPiece();
            }
        }
    }
}

void PieceSink::PadTo(std::size_t count) {
    // Every piece has the same length, so the texels received are the whole
    // pieces placed and the part of the one begun.
    padded_ = count - (next_ * piece_.size() + filled_);
    if (filled_ > 0) {
        std::fill(piece_.begin() + static_cast<std::ptrdiff_t>(filled_), piece_.end(), kClearPixel);
        PlaceFilledPiece();
    }
}

void PieceSink::PlaceFilledPiece() {
    PlacePiece(surface_, pieces_.At(next_), piece_);
    ++next_;
    filled_ = 0;
}

}  // namespace qm
