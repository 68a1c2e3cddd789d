// Runs of equal colours, as the encoders produce them and the .pvz writer
// stores them (one 3-byte record per run, see run_stream.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "texture/argb_color.h"
#include "texture/pixel_word.h"

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

// count texels of the same colour, as a record of the stream holds them and
// as the conversion loops hand them on in batches.
struct TexelRun {
    PixelWord pixel;
    std::uint32_t count;
};

// Splits pixels (in texture order) into runs exactly as EncodeColorRuns
// splits the same colours, when the pixels arrive a part at a time: a run
// goes on from one part into the next. onRun(pixel, length) receives each run.
template <class OnRun>
class PixelRunSplitter {
  public:
    explicit PixelRunSplitter(OnRun onRun) : onRun_(std::move(onRun)) {}

    void Add(std::span<const PixelWord> pixels) {
        for (const PixelWord pixel : pixels) {
            if (length_ > 0 && pixel == pixel_ && length_ < kMaxRunLength) {
                ++length_;
                continue;
            }
            if (length_ > 0) {
                onRun_(pixel_, length_);
            }
            pixel_ = pixel;
            length_ = 1;
        }
    }

    // Emits the last run.
    void Finish() {
        if (length_ > 0) {
            onRun_(pixel_, length_);
            length_ = 0;
        }
    }

  private:
    OnRun onRun_;
    PixelWord pixel_ = 0;
    std::size_t length_ = 0;  // of the run being extended; 0 before the first pixel
};

}  // namespace qm
