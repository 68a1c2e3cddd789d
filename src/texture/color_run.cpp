#include "texture/color_run.h"

#include <algorithm>

namespace qm {

namespace {

// Calls visit(first, length) for each run of colors, greedily from the left.
template <class Visit>
void ForEachColorRun(const std::vector<ArgbColor>& colors, Visit&& visit) {
    const std::size_t n = colors.size();
    std::size_t i = 0;
    while (i < n) {
        const ArgbColor& c = colors[i];
        const std::size_t limit = std::min<std::size_t>(n - i, kMaxRunLength);
        std::size_t length = 1;
        while (length < limit && colors[i + length] == c) {
            ++length;
        }
        visit(i, length);
        i += length;
    }
}

}  // namespace

bool EncodeColorRuns(const std::vector<ArgbColor>& colors, std::vector<ColorRun>& runs) {
    runs.clear();
    runs.shrink_to_fit();
    // Counted first, so that the array is taken once, at its final size.
    std::size_t count = 0;
    ForEachColorRun(colors, [&count](std::size_t, std::size_t) { ++count; });
    runs.reserve(count);
    ForEachColorRun(colors, [&](std::size_t first, std::size_t length) {
        runs.push_back(ColorRun{static_cast<std::uint32_t>(length - 1), colors[first]});
    });
    return true;
}

}  // namespace qm
