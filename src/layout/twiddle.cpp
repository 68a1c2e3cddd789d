#include "layout/twiddle.h"

#include "layout/surface_pixels.h"

namespace qm {

namespace {

// Stepping the interleaved coordinates: x lives in the odd bits, y in the
// even bits. Filling the other bits with ones lets the carry of +1 pass
// through them.
constexpr std::uint32_t kOddBits = 0xAAAAAAAAu;
constexpr std::uint32_t kEvenBits = 0x55555555u;

inline std::uint32_t NextX(std::uint32_t bits) {
    return ((bits | kEvenBits) + 1u) & kOddBits;
}
inline std::uint32_t NextY(std::uint32_t bits) {
    return ((bits | kOddBits) + 1u) & kEvenBits;
}

bool RegionFits(const ImageSurface& surface, const TwiddleRegion& r, std::size_t colorCount) {
    if (surface.IsNull() || !IsPowerOfTwo(r.side) || r.x < 0 || r.y < 0) {
        return false;
    }
    const std::int64_t side = r.side;
    return r.x + side <= surface.GetWidth() && r.y + side <= surface.GetHeight() &&
           static_cast<std::int64_t>(r.firstPosition) + side * side <=
               static_cast<std::int64_t>(colorCount);
}

// Calls visit(pixel address, stream position) for every pixel of the region,
// row by row. The x part of the positions is the same for every row, so it
// is spread once into a table.
template <class Surface, class Visit>
void ForEachTwiddled(Surface& surface, const TwiddleRegion& r, Visit&& visit) {
    std::vector<std::uint32_t> xbits(static_cast<std::size_t>(r.side));
    for (std::size_t x = 1; x < xbits.size(); ++x) {
        xbits[x] = NextX(xbits[x - 1]);
    }
    const std::ptrdiff_t bytesPerPixel = surface.GetBPP() / 8;
    auto* row = surface.GetBits() + r.y * surface.GetPitch() + r.x * bytesPerPixel;
    std::uint32_t ybits = 0;
    for (std::int32_t y = 0; y < r.side; ++y, row += surface.GetPitch(), ybits = NextY(ybits)) {
        const std::uint32_t rowPosition = r.firstPosition + ybits;
        auto* pixel = row;
        for (const std::uint32_t x : xbits) {
            visit(pixel, rowPosition + x);
            pixel += bytesPerPixel;
        }
    }
}

}  // namespace

bool TwiddleRoots(std::int64_t width, std::int64_t height, std::vector<TwiddleRegion>& roots) {
    roots.clear();
    const std::int64_t side = width < height ? width : height;
    if (!IsPowerOfTwo(side) || side > kMaxTwiddleSide) {
        return false;
    }
    const auto s = static_cast<std::int32_t>(side);
    const auto half = static_cast<std::uint32_t>(side * side);
    if (width == height) {
        roots.push_back({0, 0, 0, s});
    } else if (width == 2 * height) {
        roots.push_back({0, 0, 0, s});
        roots.push_back({s, 0, half, s});
    } else if (height == 2 * width) {
        roots.push_back({0, 0, 0, s});
        roots.push_back({0, s, half, s});
    } else {
        return false;
    }
    return true;
}

bool UntwiddleSquare(ImageSurface& surface, const TwiddleRegion& region,
                     std::span<const PixelWord> pixels) {
    if (surface.GetBPP() != 32 || !RegionFits(surface, region, pixels.size())) {
        return false;
    }
    ForEachTwiddled(surface, region, [&pixels](std::uint8_t* pixel, std::uint32_t position) {
        StorePixelWord(pixel, pixels[position]);
    });
    return true;
}

bool TwiddleSquare(const ImageSurface& surface, const TwiddleRegion& region,
                   std::span<PixelWord> pixels) {
    if (!RegionFits(surface, region, pixels.size())) {
        return false;
    }
    if (surface.GetBPP() == 32) {
        ForEachTwiddled(surface, region, [&pixels](const std::uint8_t* p, std::uint32_t position) {
            pixels[position] = LoadPixelWord(p);
        });
    } else if (surface.GetBPP() == 24) {
        ForEachTwiddled(surface, region, [&pixels](const std::uint8_t* p, std::uint32_t position) {
            pixels[position] = LoadPixelWord24(p);
        });
    } else {
        return false;
    }
    return true;
}

bool UntwiddleSquare(ImageSurface& surface, const TwiddleRegion& region,
                     const std::vector<ArgbColor>& colors) {
    if (surface.GetBPP() != 32 || !RegionFits(surface, region, colors.size())) {
        return false;
    }
    ForEachTwiddled(surface, region, [&colors](std::uint8_t* pixel, std::uint32_t position) {
        WritePixel32(pixel, colors[position]);
    });
    return true;
}

bool TwiddleSquare(const ImageSurface& surface, const TwiddleRegion& region,
                   std::vector<ArgbColor>& colors) {
    if (!RegionFits(surface, region, colors.size())) {
        return false;
    }
    if (surface.GetBPP() == 32) {
        ForEachTwiddled(surface, region, [&colors](const std::uint8_t* p, std::uint32_t position) {
            colors[position] = ReadPixel32(p);
        });
    } else if (surface.GetBPP() == 24) {
        ForEachTwiddled(surface, region, [&colors](const std::uint8_t* p, std::uint32_t position) {
            colors[position] = ReadPixel24(p);
        });
    } else {
        return false;
    }
    return true;
}

}  // namespace qm
