#include "layout/gather.h"

#include <string_view>

#include "layout/twiddle.h"
#include "platform/message_sink.h"
#include "platform/messages.h"

namespace qm {

namespace {

// The descriptor's picture must lie on the surface that was loaded, whose
// pixels the gatherers can read.
bool FitsSurface(const ImageSurface& surface, std::int32_t width, std::int32_t height) {
    return !surface.IsNull() && width >= 0 && height >= 0 && width <= surface.GetWidth() &&
           height <= surface.GetHeight() && (surface.GetBPP() == 24 || surface.GetBPP() == 32);
}

// The pieces of the picture's twiddled squares.
bool PlanTwiddled(const ImageSurface& surface, std::int32_t width, std::int32_t height,
                  std::string_view errorText, StreamPieces& pieces) {
    std::vector<TwiddleRegion> roots;
    if (!FitsSurface(surface, width, height) || !TwiddleRoots(width, height, roots)) {
        ShowMessage(errorText);
        return false;
    }
    pieces = StreamPieces::Twiddled(roots);
    return true;
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

bool PlanGather_Rect(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces) {
    if (!FitsSurface(surface, info.width, info.height)) {
        ShowMessage(msg::kRectError);
        return false;
    }
    pieces = StreamPieces::Rows(info.width, info.height);
    return true;
}

bool PlanGather_Squ(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces) {
    if (info.width != info.height) {
        ShowMessage(msg::kNotSquare);
        return false;
    }
    if (!IsTwiddleSide(info.width)) {
        ShowMessage(msg::kSquareNotPowerOfTwo);
        return false;
    }
    return PlanTwiddled(surface, info.width, info.height, msg::kSquError, pieces);
}

bool PlanGather_SquEX(const ImageSurface& surface, const TextureInfo& info, StreamPieces& pieces) {
    if (!IsTwiddleSide(info.width)) {
        ShowMessage(msg::kWidthNotPowerOfTwo);
        return false;
    }
    if (!IsTwiddleSide(info.height)) {
        ShowMessage(msg::kHeightNotPowerOfTwo);
        return false;
    }
    const std::int32_t width = info.width;
    const std::int32_t height = info.height;
    if (width != 2 * height && height != 2 * width) {
        ShowMessage(msg::kBadRatio);
        return false;
    }
    return PlanTwiddled(surface, width, height, msg::kSquExError, pieces);
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
