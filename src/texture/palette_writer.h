// Writing a palette texture: the .pvz of 1-byte texels (data-format code 7)
// and the .pvp palette beside it, both or neither.
//
// A .pvp written here keeps bytes 0-13 of the palette it replaces. The
// usual header of such palettes is a chunk:
//
//   offset size  content
//        0    4  "PVPL"
//        4    4  size of what follows: 8 + 2 * count
//        8    1  pixel-format code of the entries, then 5 zero bytes
//       14    2  entry count
//       16  2*n  entries
//
// so when bytes 4-7 held 8 + 2 * the old count, they are given the new
// count's size; a palette written where none was gets this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/file_io.h"
#include "texture/pvz_header.h"

namespace qm {

inline constexpr std::size_t kPaletteChunkSizeOffset = 4;
inline constexpr std::size_t kPaletteFormatOffset = 8;
inline constexpr std::size_t kPaletteKeptBytes = 14;
// The chunk size counts bytes 8-15 besides the entries.
inline constexpr std::uint32_t kPaletteChunkBase = 8;

// The bytes of a .pvp holding entries, made from the existing palette's
// bytes (empty when there is none) as set out above.
std::vector<std::uint8_t> BuildPaletteBytes(std::span<const std::uint8_t> existing,
                                            std::uint8_t pixelFormat,
                                            std::span<const std::uint16_t> entries);

// Writes info.texturePath with 1-byte records (index, repeat) as the runs
// arrive, then its palette info.palettePath. Nothing is replaced unless both files could be
// written whole; see Commit for the order.
class PaletteTextureWriter {
  public:
    explicit PaletteTextureWriter(const TextureInfo& info);

    // Refuses an unknown pixel format ("ColorEncode エラー"), then creates
    // the texture's temporary file and writes the header ("ファイルの作成に失敗"
    // when it cannot).
    bool Open();
    // One run of length (1 to 256) equal indices, after Open succeeded.
    void AddRun(std::uint8_t index, std::size_t length);
    // Finishes the texture, then writes paletteBytes beside it unless
    // existing (the palette's bytes as read, nothing when there was none)
    // holds them already. The palette is renamed into place first, then the
    // texture; if the texture's rename fails the old palette is put back.
    // "ファイルの作成に失敗" and false when either file cannot be written.
    bool Commit(std::span<const std::uint8_t> paletteBytes,
                const std::optional<std::vector<std::uint8_t>>& existing);

  private:
    void Flush();

    const TextureInfo& info_;
    AtomicFileWriter file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t used_ = 0;
};

}  // namespace qm
