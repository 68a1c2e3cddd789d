// Runs of equal colours, as the encoders produce them and the .pvz writer
// stores them (one 3-byte record per run, see run_stream.h).
#pragma once

#include <cstdint>
#include <vector>

#include "texture/argb_color.h"

namespace qm {

// The longest run one record can hold: repeat is stored in one byte.
inline constexpr std::uint32_t kMaxRunLength = 256;

struct ColorRun {
    std::uint32_t repeat = 0;  // run length minus one, 0..255
    ArgbColor color;
};

// Splits colours (in texture order) into runs, greedily from the left, at
// most kMaxRunLength colours each. Colours are compared on all four 8-bit
// channels. Empties runs first. Always succeeds.
bool EncodeColorRuns(const std::vector<ArgbColor>& colors, std::vector<ColorRun>& runs);

}  // namespace qm
