#include "texture/color_run.h"

#include <algorithm>

namespace qm {

bool EncodeColorRuns(const std::vector<ArgbColor>& colors, std::vector<ColorRun>& runs) {
    runs.clear();
    runs.shrink_to_fit();
    const std::size_t n = colors.size();
    std::size_t i = 0;
    while (i < n) {
        const ArgbColor& c = colors[i];
        const std::size_t limit = std::min<std::size_t>(n - i, kMaxRunLength);
        std::size_t length = 1;
        while (length < limit && colors[i + length] == c) {
            ++length;
        }
        runs.push_back(ColorRun{static_cast<std::uint32_t>(length - 1), c});
        i += length;
    }
    return true;
}

}  // namespace qm
