// The run-length texel stream of a .pvz file.
//
// The stream starts right behind the 36-byte header and runs to the end of
// the file; it has no length, count or end marker of its own. Each record is
// one texel value and a repeat byte, and stands for repeat + 1 equal texels
// (1 to 256). There is no literal form and no padding between records.
//
//   2-byte texels (every data-format code but 7), 3 bytes per record:
//     +--------+--------+--------+
//     | value lo  value hi| repeat |   value: 16-bit colour, little-endian
//     +--------+--------+--------+
//
//   1-byte texels (data-format code 7), 2 bytes per record:
//     +--------+--------+
//     | index  | repeat |            index: entry of the .pvp palette
//     +--------+--------+
//
// Records are read while a whole record fits before the end of the file;
// the bytes of an incomplete last record are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/le_bytes.h"
#include "texture/pvz_header.h"

namespace qm {

enum class TexelWidth : std::size_t { kOneByte = 2, kTwoByte = 3 };  // = record size

struct RunRecord {
    std::uint32_t value;  // the 16-bit colour or the 8-bit palette index
    std::uint32_t count;  // repeat + 1
};

// Calls visit(RunRecord) for each complete record in stream order; stops
// early when visit returns false. Returns false when visit stopped the walk.
template <class Visit>
bool WalkRunStream(std::span<const std::uint8_t> file, TexelWidth width, Visit&& visit) {
    const std::size_t recordSize = static_cast<std::size_t>(width);
    for (std::size_t p = kPvzHeaderSize; p + recordSize <= file.size(); p += recordSize) {
        RunRecord record{};
        if (width == TexelWidth::kTwoByte) {
            record.value = ReadLe16(file, p);
            record.count = file[p + 2] + 1u;
        } else {
            record.value = file[p];
            record.count = file[p + 1] + 1u;
        }
        if (!visit(record)) {
            return false;
        }
    }
    return true;
}

// Writes one 2-byte-texel record at offset: texel (16 bits) for count (1 to
// 256) texels. The writer only produces 2-byte records.
inline void WriteTwoByteRecord(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t texel,
                               std::size_t count) {
    WriteLe16(out, offset, static_cast<std::uint16_t>(texel));
    out[offset + 2] = static_cast<std::uint8_t>((count - 1) & 0xFFu);
}

}  // namespace qm
