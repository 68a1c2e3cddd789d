// The gatherers: a loaded picture read in texture order and turned into runs.
// Each reports its own refusal through ShowMessage and leaves runs untouched
// when it fails.
//
// Each gatherer also comes as PlanGather_*, which makes the same checks with
// the same messages and gives the pieces of the picture's stream instead of
// runs (stream_pieces.h): the converter reads the pieces and finds the runs
// as it writes the file.
#pragma once

#include <span>
#include <utility>
#include <vector>

#include "codec/status.h"
#include "layout/stream_pieces.h"
#include "platform/image_surface.h"
#include "texture/color_run.h"
#include "texture/pvz_header.h"

namespace qm {

// Smallest side of a twiddled square the gatherers admit; the largest is
// kMaxTwiddleSide (twiddle.h).
inline constexpr std::int32_t kMinTwiddleSide = 2;

// A side the gatherers can twiddle: a power of two from 2 to 16384.
bool IsTwiddleSide(std::int64_t side);

// A picture PNG to texture can gather in twiddled order: a square or two
// squares (2:1 or 1:2) of such sides.
bool CanGatherTwiddled(std::int64_t width, std::int64_t height);

// The planners without messages: the pieces, or the status of the first
// check that refuses (codec/status.h; texture/status_messages.h has each
// one's message). PlanTwiddledGather is PlanSquare for a square picture and
// PlanTwoSquares for any other.
Status PlanRect(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces);
Status PlanSquare(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces);
Status PlanTwoSquares(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces);
Status PlanTwiddledGather(const ImageSurface& surface, const TextureInfo& info,
                          StreamPieces& pieces);

// Row by row from the top-left pixel; any width and height. Runs may cross
// row ends.
bool GetPngColor_Rect(const ImageSurface& surface, const TextureInfo& info,
                      std::vector<ColorRun>& runs);
bool PlanGather_Rect(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces);

// One twiddled square with a power-of-two side from 2 to 16384.
bool GetPngColor_Squ(const ImageSurface& surface, const TextureInfo& info,
                     std::vector<ColorRun>& runs);
bool PlanGather_Squ(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces);

// Two twiddled squares, side by side (2:1) or stacked (1:2), with
// power-of-two sides from 2 to 16384.
bool GetPngColor_SquEX(const ImageSurface& surface, const TextureInfo& info,
                       std::vector<ColorRun>& runs);
bool PlanGather_SquEX(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces);

// Reads the planned pieces in texture order and calls onRun(pixel, length)
// for each run, split as EncodeColorRuns splits.
template <class OnRun>
void ForEachGatheredRun(const ImageSurface& surface, const StreamPieces& pieces, OnRun&& onRun) {
    PixelRunSplitter splitter(std::forward<OnRun>(onRun));
    std::vector<PixelWord> texels(pieces.MaxLength());
    for (std::size_t i = 0; i < pieces.Count(); ++i) {
        const StreamPiece piece = pieces.At(i);
        ReadPiece(surface, piece, texels);
        splitter.Add(std::span(texels).first(piece.Length()));
    }
    splitter.Finish();
}

}  // namespace qm
