// The limits for untrusted input, with the program's own values as defaults.
// A caller may lower them; nothing raises them above the defaults, which are
// what the twiddled layout and the texel stream can describe.
#pragma once

#include <cstdint>

#include "texture/palette.h"
#include "texture/pvz_header.h"

namespace qm {

// A stream can hold at most one record (3 bytes) per texel of the largest
// picture; anything longer is not a texture.
inline constexpr std::uint64_t kMaxPvzFileSize = kPvzHeaderSize + 3 * kMaxPixelCount;

// The longest palette a texture being written replaces and keeps bytes of
// (texture/palette.h); a longer one counts as none.
inline constexpr std::uint64_t kMaxExistingPaletteSize = kMaxPaletteFileSize;

struct Limits {
    std::int64_t maxPixels = kMaxPixelCount;
    std::uint64_t maxFileSize = kMaxPvzFileSize;

    // The same with every value above the default (or 0) taken as the default.
    Limits Clamped() const {
        Limits out;
        if (maxPixels > 0 && maxPixels < kMaxPixelCount) out.maxPixels = maxPixels;
        if (maxFileSize > 0 && maxFileSize < kMaxPvzFileSize) out.maxFileSize = maxFileSize;
        return out;
    }
};

}  // namespace qm
