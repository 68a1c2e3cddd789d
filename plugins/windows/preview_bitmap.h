// A preview as Explorer takes it from a thumbnail provider.
#pragma once

#include <windows.h>

#include "platform/image_surface.h"

namespace qm::explorer {

// A 32-bit top-down DIB section holding picture's pixels as they are: the
// bytes blue, green, red, alpha of each pixel, alpha not premultiplied (what
// IThumbnailProvider calls WTSAT_ARGB; Explorer premultiplies when it draws),
// the same values a PNG of the picture holds. Null when picture is not a
// 32-bit surface or the bitmap cannot be made.
HBITMAP BitmapOf(const ImageSurface& picture);

}  // namespace qm::explorer
