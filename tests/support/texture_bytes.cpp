#include "support/texture_bytes.h"

namespace qm::test {

namespace {

void Append16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Append32(Bytes& out, std::uint32_t value) {
    Append16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    Append16(out, static_cast<std::uint16_t>(value >> 16));
}

// Decoding then encoding is the identity on every 16-bit value in every
// pixel format, so any value survives the round trip.
std::uint16_t DrawValue(Random& random) {
    return static_cast<std::uint16_t>(random.Next() & 0xFFFF);
}

}  // namespace

Bytes PvzHeader(std::uint8_t pixelFormat, std::uint8_t dataFormat, std::int16_t width,
                std::int16_t height, const Bytes& headerBytes) {
    Bytes out;
    Append32(out, static_cast<std::uint32_t>(std::int64_t{width} * height * 2 + 32));
    out.insert(out.end(), {'G', 'B', 'I', 'X'});
    for (std::size_t i = 0; i < 12; ++i) {
        out.push_back(i < headerBytes.size() ? headerBytes[i] : 0);
    }
    out.insert(out.end(), {'P', 'V', 'R', 'T', 0, 0, 0, 0, pixelFormat, dataFormat, 0, 0});
    Append16(out, static_cast<std::uint16_t>(width));
    Append16(out, static_cast<std::uint16_t>(height));
    return out;
}

Bytes Pvz(std::uint8_t pixelFormat, std::uint8_t dataFormat, std::int16_t width,
          std::int16_t height, const Bytes& stream, const Bytes& headerBytes) {
    Bytes out = PvzHeader(pixelFormat, dataFormat, width, height, headerBytes);
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

void AppendRecord2(Bytes& stream, std::uint16_t value, std::uint8_t repeat) {
    Append16(stream, value);
    stream.push_back(repeat);
}

void AppendRecord1(Bytes& stream, std::uint8_t index, std::uint8_t repeat) {
    stream.push_back(index);
    stream.push_back(repeat);
}

Bytes Palette(const std::vector<std::uint16_t>& entries, std::uint16_t count) {
    Bytes out(14, 0xAB);
    Append16(out, count);
    for (const std::uint16_t entry : entries) {
        Append16(out, entry);
    }
    return out;
}

Bytes RandomTexture(Random& random, std::uint8_t pixelFormat, std::uint8_t dataFormat,
                    std::int16_t width, std::int16_t height, const Bytes& headerBytes) {
    Bytes stream;
    std::int64_t left = std::int64_t{width} * height;
    std::uint32_t previous = 0x10000;  // no value yet
    while (left > 0) {
        std::uint16_t value = DrawValue(random);
        if (value == previous) {
            value ^= 1;  // neighbouring runs differ, as the encoder leaves them
        }
        previous = value;
        std::int64_t length = random.Below(4) == 0 ? random.Below(600) + 1 : 1;
        length = std::min(length, left);
        left -= length;
        while (length > 0) {
            const std::int64_t piece = std::min<std::int64_t>(length, 256);
            AppendRecord2(stream, value, static_cast<std::uint8_t>(piece - 1));
            length -= piece;
        }
    }
    return Pvz(pixelFormat, dataFormat, width, height, stream, headerBytes);
}

}  // namespace qm::test
