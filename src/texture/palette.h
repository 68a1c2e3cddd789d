// The .pvp palette beside a texture of 1-byte texels.
//
//   offset size  content
//        0   14  not examined
//       14    2  entry count, unsigned 16-bit
//       16  2*n  entries, 16-bit colours in the texture's pixel format
//
// The number of whole entries in the file must equal the count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codec/status.h"
#include "texture/pvz_header.h"

namespace qm {

inline constexpr std::size_t kPaletteCountOffset = 14;
inline constexpr std::size_t kPaletteEntriesOffset = 16;
inline constexpr std::size_t kPaletteEntrySize = 2;
// A 16-bit count cannot describe more entries than this.
inline constexpr std::size_t kMaxPaletteEntries = 0xFFFF;

// Entries a 1-byte texel can reach; a palette written here holds no more.
inline constexpr std::size_t kMaxIndexedEntries = 256;

// Longer files hold more entries than any count can announce.
inline constexpr std::uint64_t kMaxPaletteFileSize =
    kPaletteEntriesOffset + kPaletteEntrySize * kMaxPaletteEntries + 1;

// The whole entries a .pvp's bytes hold, from offset 16 (an incomplete last
// entry left out).
std::vector<std::uint16_t> PaletteEntriesOf(std::span<const std::uint8_t> bytes);

// The entries of a .pvp's bytes into palette, checked: kPaletteShort for
// fewer than 16 bytes, kPaletteCount when the whole entries differ from the
// count (or the file is longer than any count can describe).
Status ParsePalette(std::span<const std::uint8_t> bytes, std::vector<std::uint32_t>& palette);

// Reads the palette info.palettePath names (convert/sibling_names.h derives
// it) into info.palette. Shows its own message and returns false when the
// file is missing, too short or its entry count is wrong.
bool ReadColorPalette(TextureInfo& info);

}  // namespace qm
