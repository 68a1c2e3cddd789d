#include "layout/gather.h"

#include <string_view>

#include "layout/twiddle.h"
#include "platform/message_sink.h"
#include "texture/status_messages.h"

namespace qm {

namespace {

// The descriptor's picture must lie on the surface that was loaded, whose
// pixels the gatherers can read.
bool FitsSurface(const ImageSurface& surface, std::int32_t width, std::int32_t height) {
    return !surface.IsNull() && width >= 0 && height >= 0 && width <= surface.GetWidth() &&
           height <= surface.GetHeight() && (surface.GetBPP() == 24 || surface.GetBPP() == 32);
}

// The pieces of the picture's twiddled squares.
Status PlanTwiddled(const ImageSurface& surface, std::int32_t width, std::int32_t height,
                    Status notOnSurface, StreamPieces& pieces) {
    std::vector<TwiddleRegion> roots;
    if (!FitsSurface(surface, width, height) || !TwiddleRoots(width, height, roots)) {
        return notOnSurface;
    }
    pieces = StreamPieces::Twiddled(roots);
    return Status::kOk;
}

bool Shown(Status status) {
    if (status != Status::kOk) {
        ShowMessage(EncodeMessage(status));
    }
    return status == Status::kOk;
}

// A planner as a gatherer of runs; the array of runs is sized before it is
// filled.
template <class Plan>
bool GatherRuns(const ImageSurface& surface, Plan&& plan, std::vector<ColorRun>& runs) {
    StreamPieces pieces;
    if (!plan(pieces)) {
        return false;
    }
    std::size_t count = 0;
    ForEachGatheredRun(surface, pieces, [&count](PixelWord, std::size_t) { ++count; });
    runs.clear();
    runs.shrink_to_fit();
    runs.reserve(count);
    ForEachGatheredRun(surface, pieces, [&runs](PixelWord pixel, std::size_t length) {
        runs.push_back(ColorRun{static_cast<std::uint32_t>(length - 1), ToArgbColor(pixel)});
    });
    return true;
}

}  // namespace

bool IsTwiddleSide(std::int64_t side) {
    return side >= kMinTwiddleSide && side <= kMaxTwiddleSide && IsPowerOfTwo(side);
}

bool CanGatherTwiddled(std::int64_t width, std::int64_t height) {
    return IsTwiddleSide(width) && IsTwiddleSide(height) &&
           (width == height || width == 2 * height || height == 2 * width);
}

Status PlanRect(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces) {
    if (!FitsSurface(surface, info.width, info.height)) {
        return Status::kRectNotOnSurface;
    }
    pieces = StreamPieces::Rows(info.width, info.height);
    return Status::kOk;
}

Status PlanSquare(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces) {
    if (info.width != info.height) {
        return Status::kNotSquare;
    }
    if (!IsTwiddleSide(info.width)) {
        return Status::kSideNotPowerOfTwo;
    }
    return PlanTwiddled(surface, info.width, info.height, Status::kSquareNotOnSurface, pieces);
}

Status PlanTwoSquares(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces) {
    if (!IsTwiddleSide(info.width)) {
        return Status::kWidthNotPowerOfTwo;
    }
    if (!IsTwiddleSide(info.height)) {
        return Status::kHeightNotPowerOfTwo;
    }
    const std::int32_t width = info.width;
    const std::int32_t height = info.height;
    if (width != 2 * height && height != 2 * width) {
        return Status::kBadAspectRatio;
    }
    return PlanTwiddled(surface, width, height, Status::kTwoSquaresNotOnSurface, pieces);
}

Status PlanTwiddledGather(const ImageSurface& surface, const TextureInfo& info,
                          StreamPieces& pieces) {
    return info.width == info.height ? PlanSquare(surface, info, pieces)
                                     : PlanTwoSquares(surface, info, pieces);
}

bool PlanGather_Rect(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces) {
    return Shown(PlanRect(surface, info, pieces));
}

bool PlanGather_Squ(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces) {
    return Shown(PlanSquare(surface, info, pieces));
}

bool PlanGather_SquEX(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces) {
    return Shown(PlanTwoSquares(surface, info, pieces));
}

bool GetPngColor_Rect(const ImageSurface& surface, const TextureInfo& info,
                      std::vector<ColorRun>& runs) {
    return GatherRuns(
        surface, [&](StreamPieces& pieces) { return PlanGather_Rect(surface, info, pieces); },
        runs);
}

bool GetPngColor_Squ(const ImageSurface& surface, const TextureInfo& info,
                     std::vector<ColorRun>& runs) {
    return GatherRuns(
        surface, [&](StreamPieces& pieces) { return PlanGather_Squ(surface, info, pieces); }, runs);
}

bool GetPngColor_SquEX(const ImageSurface& surface, const TextureInfo& info,
                       std::vector<ColorRun>& runs) {
    return GatherRuns(
        surface, [&](StreamPieces& pieces) { return PlanGather_SquEX(surface, info, pieces); },
        runs);
}

}  // namespace qm
