// Texel decoding: the run-length stream of a .pvz file into one colour per
// texel, in stream order.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codec/status.h"
#include "texture/argb_color.h"
#include "texture/color_run.h"
#include "texture/pixel_word.h"
#include "texture/pvz_header.h"

namespace qm {

// Where decoded texels go when not into an array: the converter places them
// on the picture as they come, a few hundred records at a time.
class TexelSink {
  public:
    virtual ~TexelSink() = default;
    // The next texels of the stream.
    virtual void Append(std::span<const TexelRun> runs) = 0;
    // After a successful decode of a short stream: the texels from count to
    // the picture's end are transparent black.
    virtual void PadTo(std::size_t count) = 0;
};

// The stream decoded into sink, without a message: 1-byte indices into
// info.palette (filled by the caller) for data-format code 7, 2-byte colours
// for every other code; with indexWords the sink gets each index + 1 instead
// of its colour (0 is then left for the texels a short stream leaves out).
// kPaletteIndex, kUnknownPixelFormat (only once a record is there to decode)
// or kTooManyTexels stop it at the first record that shows them; padded
// receives the texels a short stream left out, made transparent black.
Status DecodeTexels(std::span<const std::uint8_t> file, const TextureInfo& info, TexelSink& sink,
                    std::uint64_t& padded, bool indexWords = false);

// The decoders with the program's messages (texture/status_messages.h) and
// the padding's diagnostic line.

// 1-byte palette indices (data-format code 7). Reads the palette first.
bool ReadColorData1Byte(std::span<const std::uint8_t> file, TextureInfo& info,
                        std::vector<ArgbColor>& colors);

// 2-byte colours (every other data-format code).
bool ReadColorData2Byte(std::span<const std::uint8_t> file, const TextureInfo& info,
                        std::vector<ArgbColor>& colors);

// ReadColorData1Byte into a sink with the same checks and messages, each
// texel as its palette index + 1 instead of its colour (0 is then left for
// the texels a short stream leaves out).
bool ReadIndexData1Byte(std::span<const std::uint8_t> file, TextureInfo& info, TexelSink& sink);

// ReadIndexData1Byte for a texture whose palette is not at hand (a preview
// of the texture's bytes alone): no palette is read and every index is
// taken, with the other checks and messages.
bool ReadIndexData1ByteWithoutPalette(std::span<const std::uint8_t> file, const TextureInfo& info,
                                      TexelSink& sink);

// The same two into a sink, with the same checks and messages.
bool ReadColorData1Byte(std::span<const std::uint8_t> file, TextureInfo& info, TexelSink& sink);
bool ReadColorData2Byte(std::span<const std::uint8_t> file, const TextureInfo& info,
                        TexelSink& sink);

}  // namespace qm
