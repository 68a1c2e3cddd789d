// One pixel: four 8-bit channels, each held in an unsigned 32-bit field.
#pragma once

#include <cstdint>

namespace qm {

struct ArgbColor {
    std::uint32_t alpha = 0;  // 0 transparent .. 255 opaque
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;

    friend bool operator==(const ArgbColor&, const ArgbColor&) = default;
};

}  // namespace qm
