// How every PNG is saved: each row unfiltered (filter byte 0), deflated with
// this level and strategy. libpng applies them on Linux (png_codec.cpp,
// ApplyPngSaveSettings); PngEncoder applies them where there is no libpng
// and writes the same bytes.
//
// Measured on 1024x1024 texture-like pictures (colours on RGB565 / ARGB1555 /
// ARGB4444 levels, flat areas, gradients, some noise); bench/bench_png.cpp
// repeats the comparison, docs/performance.md has the figures. The rule: the
// fastest setting whose files are never larger than with libpng's defaults
// (level 6, adaptive filtering, Z_FILTERED). Without a filter libpng no
// longer tries five per row, and quantised colours repeat exactly, which
// zlib finds better than the filters' differences. Level 4 is zlib's first
// level with lazy matching: below it ARGB4444 files grew past the defaults';
// above it saving only got slower (level 6: half the speed for 2-6% smaller
// files). The fixed filters with Z_RLE were a little faster but 6-30%
// larger. Files without a filter also load fastest.
#pragma once

#include <zlib.h>

namespace qm {

inline constexpr int kPngSaveLevel = 4;
inline constexpr int kPngSaveStrategy = Z_FILTERED;

}  // namespace qm
