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
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "texture/pvz_header.h"
#include "texture/pvz_writer.h"

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

// The two files of a palette texture being written: the texture, whose bytes
// arrive through Sink() (an encoder's PvzRecordWriter), and its palette at
// palettePath (convert/sibling_names.h derives it).
// Nothing is replaced unless both files could be written whole; see Commit
// for the order.
class PaletteTextureFiles {
  public:
    PaletteTextureFiles(const std::string& texturePath, std::string palettePath);

    ByteSink& Sink() { return sink_; }
    // After the texture's bytes were all written: writes paletteBytes beside
    // it unless existing (the palette's bytes as read, nothing when there
    // was none) holds them already. The palette is renamed into place first,
    // then the texture; if the texture's rename fails the old palette is put
    // back. "ファイルの作成に失敗" and false when either file cannot be
    // written.
    bool Commit(std::span<const std::uint8_t> paletteBytes,
                const std::optional<std::vector<std::uint8_t>>& existing);

  private:
    std::string palettePath_;
    AtomicFileWriter file_;
    FileByteSink sink_;
};

}  // namespace qm
