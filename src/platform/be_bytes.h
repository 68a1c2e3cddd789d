// Big-endian reads and writes. PNG stores every multi-byte number (chunk
// lengths, CRCs, the sizes in IHDR) most significant byte first; the PNG
// header check and the PNG encoder go through these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qm {

inline std::uint16_t ReadBe16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>((bytes[offset] << 8) | bytes[offset + 1]);
}

inline std::uint32_t ReadBe32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return (static_cast<std::uint32_t>(bytes[offset]) << 24) |
           (static_cast<std::uint32_t>(bytes[offset + 1]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 8) |
           static_cast<std::uint32_t>(bytes[offset + 3]);
}

inline void WriteBe32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>((value >> (24 - 8 * i)) & 0xFFu);
    }
}

}  // namespace qm
