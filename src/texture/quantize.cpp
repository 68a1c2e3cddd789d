// Colour quantisation by median cut with a k-means refinement.
//
// 1. Every pixel is narrowed to the pixel format; the distinct narrowed
//    colours, weighted by their pixel counts, are the points to reduce.
// 2. Median cut, in the variance-minimising form: the box with the largest
//    weighted squared error is split, on the axis of its largest variance,
//    at the place that leaves the smallest total error in the two halves,
//    until there are as many boxes as entries.
// 3. A few rounds of weighted k-means (Lloyd's algorithm) move each entry to
//    the mean of the points nearest to it.
// 4. The means are narrowed to the format; duplicates and entries no point
//    is nearest to are replaced by the points served worst, so every entry
//    is used.
// Points live in premultiplied space (r*a, g*a, b*a on the 0..255 scale,
// and a), where squared distance is ColorDistance.
#include "texture/quantize.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

namespace qm {

namespace {

constexpr std::size_t kValueCount = 1 << 16;
constexpr int kRefineRounds = 6;
constexpr std::uint16_t kNoEntry = 0xFFFF;

using Vec = std::array<float, 4>;  // premultiplied r, g, b, then a

Vec ToVec(PixelWord pixel) {
    const PixelBytes b = BytesOf(pixel);
    const float a = static_cast<float>(b[3]);
    const float scale = a / 255.0f;
    return {static_cast<float>(b[2]) * scale, static_cast<float>(b[1]) * scale,
            static_cast<float>(b[0]) * scale, a};
}

float Distance(const Vec& p, const Vec& q) {
    float sum = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const float d = p[i] - q[i];
        sum += d * d;
    }
    return sum;
}

// A lower bound of Distance that orders entries along one axis: by
// Cauchy-Schwarz, (sum of d)^2 / 4 <= sum of d^2.
float Key(const Vec& p) {
    return (p[0] + p[1] + p[2] + p[3]) * 0.5f;
}

// Entries sorted by Key, for nearest-entry searches that look only at the
// entries whose key is close enough.
class NearestFinder {
  public:
    static constexpr std::size_t kNoHint = std::numeric_limits<std::size_t>::max();

    explicit NearestFinder(const std::vector<Vec>& entries) : entries_(entries) {
        order_.resize(entries.size());
        std::iota(order_.begin(), order_.end(), std::size_t{0});
        std::sort(order_.begin(), order_.end(),
                  [&](std::size_t x, std::size_t y) { return Key(entries[x]) < Key(entries[y]); });
        keys_.reserve(order_.size());
        for (const std::size_t i : order_) keys_.push_back(Key(entries[i]));
    }

    // The nearest entry and its distance; the lowest index among equals. A
    // hint (an entry likely to be near, such as the last round's) narrows
    // the search from the start.
    std::pair<std::size_t, float> Find(const Vec& p, std::size_t hint = kNoHint) const {
        const float key = Key(p);
        const std::size_t start = static_cast<std::size_t>(
            std::lower_bound(keys_.begin(), keys_.end(), key) - keys_.begin());
        std::size_t best = std::numeric_limits<std::size_t>::max();
        float bestDistance = std::numeric_limits<float>::max();
        if (hint < entries_.size()) {
            best = hint;
            bestDistance = Distance(p, entries_[hint]);
        }
        auto consider = [&](std::size_t k) {
            const std::size_t i = order_[k];
            const float d = Distance(p, entries_[i]);
            if (d < bestDistance || (d == bestDistance && i < best)) {
                best = i;
                bestDistance = d;
            }
        };
        std::size_t up = start;
        std::size_t down = start;
        bool goUp = up < keys_.size();
        bool goDown = down > 0;
        while (goUp || goDown) {
            if (goUp) {
                const float gap = keys_[up] - key;
                if (gap * gap > bestDistance) {
                    goUp = false;
                } else {
                    consider(up);
                    goUp = ++up < keys_.size();
                }
            }
            if (goDown) {
                const float gap = key - keys_[down - 1];
                if (gap * gap > bestDistance) {
                    goDown = false;
                } else {
                    consider(--down);
                    goDown = down > 0;
                }
            }
        }
        return {best, bestDistance};
    }

  private:
    const std::vector<Vec>& entries_;
    std::vector<std::size_t> order_;
    std::vector<float> keys_;
};

struct Point {
    Vec v;
    double weight;
    std::uint16_t value;
};

// A box of points [begin, end) of the point array with its error sums.
struct Box {
    std::size_t begin;
    std::size_t end;
    double error;  // weighted sum of squared distances to the mean
};

double BoxError(const std::vector<Point>& points, std::size_t begin, std::size_t end) {
    double w = 0;
    std::array<double, 4> sum{};
    double squares = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const Point& p = points[i];
        w += p.weight;
        for (std::size_t c = 0; c < 4; ++c) {
            sum[c] += p.weight * p.v[c];
            squares += p.weight * p.v[c] * p.v[c];
        }
    }
    if (w == 0) return 0;
    double meanSquares = 0;
    for (const double s : sum) meanSquares += s * s / w;
    return std::max(0.0, squares - meanSquares);
}

// Splits box on the axis of largest variance where the two halves' summed
// error is smallest. Returns the split position, or begin when it cannot.
std::size_t SplitBox(std::vector<Point>& points, const Box& box) {
    if (box.end - box.begin < 2) return box.begin;
    std::array<double, 4> sum{}, squares{};
    double w = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        const Point& p = points[i];
        w += p.weight;
        for (std::size_t c = 0; c < 4; ++c) {
            sum[c] += p.weight * p.v[c];
            squares[c] += p.weight * p.v[c] * p.v[c];
        }
    }
    std::size_t axis = 0;
    double widest = -1;
    for (std::size_t c = 0; c < 4; ++c) {
        const double variance = squares[c] - sum[c] * sum[c] / w;
        if (variance > widest) {
            widest = variance;
            axis = c;
        }
    }
    const auto first = points.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = points.begin() + static_cast<std::ptrdiff_t>(box.end);
    std::sort(first, last,
              [axis](const Point& a, const Point& b) { return a.v[axis] < b.v[axis]; });
    // The error of a half along all axes: sum of w*|v|^2 - |sum w*v|^2 / w.
    double leftW = 0;
    std::array<double, 4> leftSum{};
    double totalSquares = 0;
    for (const double s : squares) totalSquares += s;
    std::size_t best = box.begin;
    double bestError = std::numeric_limits<double>::max();
    for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
        const Point& p = points[i];
        leftW += p.weight;
        for (std::size_t c = 0; c < 4; ++c) {
            leftSum[c] += p.weight * p.v[c];
        }
        if (points[i + 1].v[axis] == p.v[axis]) continue;  // equal keys stay together
        const double rightW = w - leftW;
        double leftMean = 0, rightMean = 0;
        for (std::size_t c = 0; c < 4; ++c) {
            leftMean += leftSum[c] * leftSum[c] / leftW;
            const double r = sum[c] - leftSum[c];
            rightMean += r * r / rightW;
        }
        const double error = totalSquares - leftMean - rightMean;
        if (error < bestError) {
            bestError = error;
            best = i + 1;
        }
    }
    return best;
}

// The means of the boxes; boxOf[i] receives the box of points[i].
std::vector<Vec> MedianCut(std::vector<Point>& points, std::size_t count,
                           std::vector<std::size_t>& boxOf) {
    std::vector<Box> boxes = {{0, points.size(), BoxError(points, 0, points.size())}};
    while (boxes.size() < count) {
        std::size_t worst = 0;
        for (std::size_t i = 1; i < boxes.size(); ++i) {
            if (boxes[i].error > boxes[worst].error) worst = i;
        }
        const Box box = boxes[worst];
        const std::size_t split = box.error > 0 ? SplitBox(points, box) : box.begin;
        if (split == box.begin) break;  // nothing left to split
        boxes[worst] = {box.begin, split, BoxError(points, box.begin, split)};
        boxes.push_back({split, box.end, BoxError(points, split, box.end)});
    }
    std::vector<Vec> means;
    boxOf.assign(points.size(), 0);
    for (const Box& b : boxes) {
        double w = 0;
        std::array<double, 4> sum{};
        for (std::size_t i = b.begin; i < b.end; ++i) {
            boxOf[i] = means.size();
            w += points[i].weight;
            for (std::size_t c = 0; c < 4; ++c) sum[c] += points[i].weight * points[i].v[c];
        }
        means.push_back({static_cast<float>(sum[0] / w), static_cast<float>(sum[1] / w),
                         static_cast<float>(sum[2] / w), static_cast<float>(sum[3] / w)});
    }
    return means;
}

// nearest holds each point's entry so far (its box at first).
void Refine(const std::vector<Point>& points, std::vector<Vec>& means,
            std::vector<std::size_t>& nearest) {
    for (int round = 0; round < kRefineRounds; ++round) {
        const NearestFinder finder(means);
        std::vector<std::array<double, 5>> sums(means.size(), {0, 0, 0, 0, 0});
        for (std::size_t i = 0; i < points.size(); ++i) {
            const Point& p = points[i];
            nearest[i] = finder.Find(p.v, nearest[i]).first;
            auto& s = sums[nearest[i]];
            for (std::size_t c = 0; c < 4; ++c) s[c] += p.weight * p.v[c];
            s[4] += p.weight;
        }
        for (std::size_t i = 0; i < means.size(); ++i) {
            if (sums[i][4] > 0) {
                for (std::size_t c = 0; c < 4; ++c) {
                    means[i][c] = static_cast<float>(sums[i][c] / sums[i][4]);
                }
            }
        }
    }
}

// The format's value nearest to a premultiplied mean.
std::uint16_t NarrowMean(const Vec& mean, const PixelCodec& codec) {
    const float a = std::clamp(mean[3], 0.0f, 255.0f);
    auto channel = [a](float premultiplied) {
        const float straight = a > 0 ? premultiplied * 255.0f / a : 0.0f;
        return static_cast<std::uint8_t>(std::lround(std::clamp(straight, 0.0f, 255.0f)));
    };
    const PixelWord word = MakePixelWord(channel(mean[2]), channel(mean[1]), channel(mean[0]),
                                         static_cast<std::uint8_t>(std::lround(a)));
    return static_cast<std::uint16_t>(codec.Encode(word));
}

// Makes the entries distinct and each the nearest entry of some point:
// duplicates and unused entries give their slot to the point served worst.
std::vector<std::uint16_t> SettleEntries(const std::vector<Point>& points,
                                         std::vector<std::uint16_t> values, std::size_t count,
                                         const PixelCodec& codec) {
    std::vector<bool> taken(kValueCount, false);
    std::vector<std::uint16_t> entries;
    for (const std::uint16_t v : values) {
        if (!taken[v]) {
            taken[v] = true;
            entries.push_back(v);
        }
    }
    // Each round: drop unused entries, then fill the free slots with the
    // worst-served points. A point's own colour as an entry is at distance
    // 0 from it, so the filled entries are used; the loop ends when all are.
    for (int round = 0; round < 64; ++round) {
        std::vector<Vec> vecs;
        for (const std::uint16_t v : entries) vecs.push_back(ToVec(codec.Decode(v)));
        const NearestFinder finder(vecs);
        std::vector<bool> used(entries.size(), false);
        std::vector<std::pair<double, std::size_t>> worst;  // weighted error, point
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto [entry, distance] = finder.Find(points[i].v);
            used[entry] = true;
            if (distance > 0) worst.push_back({distance * points[i].weight, i});
        }
        std::vector<std::uint16_t> kept;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (used[i]) {
                kept.push_back(entries[i]);
            } else {
                taken[entries[i]] = false;
            }
        }
        if (kept.size() == count || worst.empty()) return kept;
        const std::size_t free = count - kept.size();
        std::partial_sort(worst.begin(),
                          worst.begin() + static_cast<std::ptrdiff_t>(std::min(free, worst.size())),
                          worst.end(), std::greater<>());
        for (std::size_t i = 0; i < std::min(free, worst.size()); ++i) {
            const std::uint16_t v = points[worst[i].second].value;
            taken[v] = true;
            kept.push_back(v);
        }
        entries = std::move(kept);
    }
    return entries;
}

// Straight colour channels as floats, for error diffusion.
struct Rgb {
    float r, g, b;
};

// Floyd-Steinberg in serpentine order over width x height pixels. choose(i,
// target) gives the colour it picked for pixel i aiming at target, or
// nothing when the pixel is taken exactly and passes no error on.
template <class Choose>
void Diffuse(std::span<const PixelWord> pixels, int width, int height, Choose&& choose) {
    const std::size_t w = static_cast<std::size_t>(width);
    std::vector<Rgb> current(w + 2, Rgb{0, 0, 0}), next(w + 2, Rgb{0, 0, 0});
    for (int y = 0; y < height; ++y) {
        const bool leftToRight = y % 2 == 0;
        for (int step = 0; step < width; ++step) {
            const int x = leftToRight ? step : width - 1 - step;
            const std::size_t i = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
            const std::size_t at = static_cast<std::size_t>(x) + 1;  // error buffers have margins
            const PixelBytes b = BytesOf(pixels[i]);
            const Rgb target{std::clamp(b[2] + current[at].r, 0.0f, 255.0f),
                             std::clamp(b[1] + current[at].g, 0.0f, 255.0f),
                             std::clamp(b[0] + current[at].b, 0.0f, 255.0f)};
            Rgb error{0, 0, 0};
            if (const auto chosen = choose(i, target)) {
                const PixelBytes c = BytesOf(*chosen);
                // A transparent pixel's colour is not seen: it passes on
                // only as much error as it shows.
                const float shown = static_cast<float>(b[3]) / 255.0f;
                error = {(target.r - c[2]) * shown, (target.g - c[1]) * shown,
                         (target.b - c[0]) * shown};
            }
            const int dir = leftToRight ? 1 : -1;
            auto add = [&error](Rgb& cell, float share) {
                cell.r += error.r * share;
                cell.g += error.g * share;
                cell.b += error.b * share;
            };
            add(current[static_cast<std::size_t>(static_cast<int>(at) + dir)], 7.0f / 16);
            add(next[static_cast<std::size_t>(static_cast<int>(at) - dir)], 3.0f / 16);
            add(next[at], 5.0f / 16);
            add(next[static_cast<std::size_t>(static_cast<int>(at) + dir)], 1.0f / 16);
        }
        current.swap(next);
        std::fill(next.begin(), next.end(), Rgb{0, 0, 0});
    }
}

PixelWord WithRgb(PixelWord pixel, const Rgb& c) {
    auto byte = [](float v) { return static_cast<std::uint8_t>(std::lround(v)); };
    return MakePixelWord(byte(c.b), byte(c.g), byte(c.r), BytesOf(pixel)[3]);
}

}  // namespace

std::uint64_t ColorDistance(PixelWord a, PixelWord b) {
    const PixelBytes p = BytesOf(a);
    const PixelBytes q = BytesOf(b);
    // Premultiplied on the 0..255^2 scale; divided by 255^2 at the end.
    std::uint64_t sum = 0;
    for (std::size_t c = 0; c < 3; ++c) {
        const std::int64_t d = std::int64_t{p[c]} * p[3] - std::int64_t{q[c]} * q[3];
        sum += static_cast<std::uint64_t>(d * d);
    }
    const std::int64_t da = std::int64_t{p[3]} - q[3];
    return (sum + 255 * 255 / 2) / (255 * 255) + static_cast<std::uint64_t>(da * da);
}

std::vector<std::uint16_t> QuantizeColors(std::span<const PixelWord> pixels, std::size_t maxEntries,
                                          const PixelCodec& codec) {
    std::vector<std::uint32_t> counts(kValueCount, 0);
    std::vector<std::uint16_t> distinct;
    for (const PixelWord pixel : pixels) {
        const auto v = static_cast<std::uint16_t>(codec.Encode(pixel));
        if (counts[v]++ == 0) distinct.push_back(v);
    }
    if (distinct.size() <= maxEntries) return distinct;

    // Fully transparent colours look the same: they are one point, under
    // the first of their values.
    std::vector<Point> points;
    points.reserve(distinct.size());
    std::size_t transparent = std::numeric_limits<std::size_t>::max();
    for (const std::uint16_t v : distinct) {
        const PixelWord widened = codec.Decode(v);
        const auto weight = static_cast<double>(counts[v]);
        if (BytesOf(widened)[3] == 0) {
            if (transparent < points.size()) {
                points[transparent].weight += weight;
                continue;
            }
            transparent = points.size();
        }
        points.push_back({ToVec(widened), weight, v});
    }
    if (points.size() <= maxEntries) {
        std::vector<std::uint16_t> values;
        for (const Point& p : points) values.push_back(p.value);
        return values;
    }
    std::vector<std::size_t> nearest;
    std::vector<Vec> means = MedianCut(points, maxEntries, nearest);
    Refine(points, means, nearest);
    std::vector<std::uint16_t> values;
    for (const Vec& mean : means) values.push_back(NarrowMean(mean, codec));
    return SettleEntries(points, std::move(values), maxEntries, codec);
}

std::vector<std::uint8_t> MapToPalette(std::span<const PixelWord> pixels, int width, int height,
                                       std::span<const std::uint16_t> palette,
                                       const PixelCodec& codec, bool dither) {
    std::vector<Vec> entries;
    std::vector<std::uint16_t> exact(kValueCount, kNoEntry);  // first entry holding a value
    for (std::size_t i = 0; i < palette.size(); ++i) {
        entries.push_back(ToVec(codec.Decode(palette[i])));
        if (exact[palette[i]] == kNoEntry) exact[palette[i]] = static_cast<std::uint16_t>(i);
    }
    const NearestFinder finder(entries);
    // The entry nearest to each narrowed colour, found once per colour.
    std::vector<std::uint16_t> nearest(kValueCount, kNoEntry);
    auto nearestTo = [&](std::uint32_t value) {
        std::uint16_t& entry = nearest[value];
        if (entry == kNoEntry) {
            entry = exact[value] != kNoEntry
                        ? exact[value]
                        : static_cast<std::uint16_t>(finder.Find(ToVec(codec.Decode(value))).first);
        }
        return static_cast<std::uint8_t>(entry);
    };
    std::vector<std::uint8_t> indices(pixels.size(), 0);
    if (!dither) {
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            indices[i] = nearestTo(codec.Encode(pixels[i]));
        }
        return indices;
    }
    Diffuse(pixels, width, height,
            [&](std::size_t i, const Rgb& target) -> std::optional<PixelWord> {
                const std::uint32_t own = codec.Encode(pixels[i]);
                if (codec.Decode(own) == pixels[i] && exact[own] != kNoEntry) {
                    indices[i] = static_cast<std::uint8_t>(exact[own]);
                    return std::nullopt;
                }
                indices[i] = nearestTo(codec.Encode(WithRgb(pixels[i], target)));
                return codec.Decode(palette[indices[i]]);
            });
    return indices;
}

std::vector<std::uint16_t> NarrowPixels(std::span<const PixelWord> pixels, int width, int height,
                                        const PixelCodec& codec, bool dither) {
    std::vector<std::uint16_t> values(pixels.size(), 0);
    if (!dither) {
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            values[i] = static_cast<std::uint16_t>(codec.Encode(pixels[i]));
        }
        return values;
    }
    Diffuse(pixels, width, height,
            [&](std::size_t i, const Rgb& target) -> std::optional<PixelWord> {
                const std::uint32_t own = codec.Encode(pixels[i]);
                if (codec.Decode(own) == pixels[i]) {
                    values[i] = static_cast<std::uint16_t>(own);
                    return std::nullopt;
                }
                const std::uint32_t v = codec.Encode(WithRgb(pixels[i], target));
                values[i] = static_cast<std::uint16_t>(v);
                return codec.Decode(v);
            });
    return values;
}

}  // namespace qm
