// The gatherers: a loaded picture read in texture order and turned into runs.
// Each reports its own refusal through ShowMessage and leaves runs untouched
// when it fails.
#pragma once

#include <vector>

#include "platform/image_surface.h"
#include "texture/color_run.h"
#include "texture/pvz_header.h"

namespace qm {

// Smallest and largest side of a twiddled square the gatherers admit.
inline constexpr std::int32_t kMinTwiddleSide = 2;
inline constexpr std::int32_t kMaxTwiddleSide = 16384;

// Row by row from the top-left pixel; any width and height. Runs may cross
// row ends.
bool GetPngColor_Rect(const ImageSurface& surface, const TextureInfo& info,
                      std::vector<ColorRun>& runs);

// One twiddled square with a power-of-two side from 2 to 16384.
bool GetPngColor_Squ(const ImageSurface& surface, const TextureInfo& info,
                     std::vector<ColorRun>& runs);

// Two twiddled squares, side by side (2:1) or stacked (1:2), with
// power-of-two sides from 2 to 16384.
bool GetPngColor_SquEX(const ImageSurface& surface, const TextureInfo& info,
                       std::vector<ColorRun>& runs);

}  // namespace qm
