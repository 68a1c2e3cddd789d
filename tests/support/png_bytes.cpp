#include "support/png_bytes.h"

#include <zlib.h>

#include <stdexcept>
#include <string>

namespace qm::test {

namespace {

void Append32Be(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

std::uint32_t Read32Be(const Bytes& in, std::size_t at) {
    return (std::uint32_t{in[at]} << 24) | (std::uint32_t{in[at + 1]} << 16) |
           (std::uint32_t{in[at + 2]} << 8) | std::uint32_t{in[at + 3]};
}

// The Adam7 passes: first column, first row, column step, row step.
constexpr int kPasses[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                               {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

// Appends the filter byte 0 and the packed samples of the given pixels of
// one row.
void PackRow(const PngPicture& p, int y, int x0, int dx, Bytes& out) {
    const int channels = ChannelsOf(p.colorType);
    out.push_back(0);
    unsigned bits = 0;
    int filled = 0;
    for (int x = x0; x < p.width; x += dx) {
        for (int c = 0; c < channels; ++c) {
            const std::uint16_t v =
                p.samples[static_cast<std::size_t>((y * p.width + x) * channels + c)];
            if (p.depth == 16) {
                out.push_back(static_cast<std::uint8_t>(v >> 8));
                out.push_back(static_cast<std::uint8_t>(v & 0xFF));
            } else if (p.depth == 8) {
                out.push_back(static_cast<std::uint8_t>(v));
            } else {
                bits = (bits << p.depth) | v;
                filled += p.depth;
                if (filled == 8) {
                    out.push_back(static_cast<std::uint8_t>(bits));
                    bits = 0;
                    filled = 0;
                }
            }
        }
    }
    if (filled > 0) {
        out.push_back(static_cast<std::uint8_t>(bits << (8 - filled)));
    }
}

Bytes Compress(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) {
        throw std::runtime_error("compress2 failed");
    }
    out.resize(size);
    return out;
}

}  // namespace

int ChannelsOf(int colorType) {
    switch (colorType) {
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 1;
    }
}

Bytes PngChunk(std::string_view type, const Bytes& data) {
    Bytes out;
    out.reserve(data.size() + 12);
    Append32Be(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + 4, static_cast<uInt>(out.size() - 4));
    Append32Be(out, static_cast<std::uint32_t>(crc));
    return out;
}

Bytes PngBytes(const PngPicture& p) {
    Bytes raw;
    if (p.interlaced) {
        for (const auto& pass : kPasses) {
            if (pass[0] >= p.width) continue;
            for (int y = pass[1]; y < p.height; y += pass[3]) {
                PackRow(p, y, pass[0], pass[2], raw);
            }
        }
    } else {
        for (int y = 0; y < p.height; ++y) {
            PackRow(p, y, 0, 1, raw);
        }
    }
    Bytes ihdr;
    Append32Be(ihdr, static_cast<std::uint32_t>(p.width));
    Append32Be(ihdr, static_cast<std::uint32_t>(p.height));
    ihdr.insert(ihdr.end(),
                {static_cast<std::uint8_t>(p.depth), static_cast<std::uint8_t>(p.colorType), 0, 0,
                 static_cast<std::uint8_t>(p.interlaced ? 1 : 0)});
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto add = [&out](std::string_view type, const Bytes& data) {
        const Bytes chunk = PngChunk(type, data);
        out.insert(out.end(), chunk.begin(), chunk.end());
    };
    add("IHDR", ihdr);
    if (!p.palette.empty()) {
        Bytes plte;
        for (const auto& entry : p.palette) plte.insert(plte.end(), entry.begin(), entry.end());
        add("PLTE", plte);
    }
    if (!p.transparency.empty()) add("tRNS", p.transparency);
    add("IDAT", Compress(raw));
    add("IEND", {});
    return out;
}

std::vector<ChunkSpan> PngChunks(const Bytes& png) {
    std::vector<ChunkSpan> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = Read32Be(png, at);
        chunks.push_back({at, length,
                          std::string(png.begin() + static_cast<long>(at) + 4,
                                      png.begin() + static_cast<long>(at) + 8)});
        at += 12 + length;
    }
    return chunks;
}

Bytes InsertChunkBefore(const Bytes& png, std::string_view before, const Bytes& chunk) {
    for (const ChunkSpan& span : PngChunks(png)) {
        if (span.type == before) {
            Bytes out(png.begin(), png.begin() + static_cast<long>(span.offset));
            out.insert(out.end(), chunk.begin(), chunk.end());
            out.insert(out.end(), png.begin() + static_cast<long>(span.offset), png.end());
            return out;
        }
    }
    throw std::runtime_error("no chunk to insert before");
}

Bytes PngOfPixels(int width, int height, const std::vector<ArgbColor>& pixels, bool alpha) {
    PngPicture p{width, height, alpha ? 6 : 2, 8, false, {}, {}, {}};
    for (const ArgbColor& c : pixels) {
        p.samples.insert(p.samples.end(),
                         {static_cast<std::uint16_t>(c.red), static_cast<std::uint16_t>(c.green),
                          static_cast<std::uint16_t>(c.blue)});
        if (alpha) p.samples.push_back(static_cast<std::uint16_t>(c.alpha));
    }
    return PngBytes(p);
}

}  // namespace qm::test
