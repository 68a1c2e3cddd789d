// An 8-bit RGB, RGBA or palette PNG written row by row on zlib alone, for
// builds without libpng. Its bytes are those libpng writes with the
// program's save settings (png_save_settings.h): signature, IHDR, PLTE and
// tRNS for palettes, IDAT chunks of at most 8192 bytes, IEND, never
// interlaced, no other chunk.
//
// Use: make the encoder, call WriteRow once per row from the top, then
// Finish. Every call returns false once anything failed (a wrong row, zlib,
// the sink); the caller then discards what the sink received.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace qm {

// The PNG colour types the encoder writes, with their IHDR values.
enum class PngColorType : std::uint8_t { kRgb = 2, kPalette = 3, kRgba = 6 };

struct PngRgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// Receives the file's bytes in order; false stops the encoder.
using PngByteSink = std::function<bool(std::span<const std::uint8_t>)>;

class PngEncoder {
  public:
    // A picture of width x height (1 to 2^31 - 1 each). A palette picture
    // takes 1 to 256 colours and up to as many alphas (tRNS, written when not
    // empty); RGB and RGBA pictures take neither. Anything else, or no
    // memory, leaves an encoder whose calls all fail. Nothing reaches the
    // sink before the first row.
    PngEncoder(std::uint32_t width, std::uint32_t height, PngColorType type,
               std::span<const PngRgb> palette, std::span<const std::uint8_t> alphas,
               PngByteSink sink);
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // Bytes per row: width times 3 (RGB), 4 (RGBA) or 1 (palette index).
    std::size_t RowBytes() const { return rowBytes_; }

    // Compresses the next row: R, G, B (and A) per pixel, or one palette
    // index per pixel. False for a row of another length, an index beyond
    // the palette, a row past the last one, or a failure before.
    bool WriteRow(std::span<const std::uint8_t> row);

    // Ends the compressed data and writes IEND. False unless every row was
    // written and all went well; a second call fails.
    bool Finish();

    bool Failed() const { return failed_; }

  private:
    struct Deflater;

    bool Fail();
    bool SendPending();
    bool SendIdat(std::size_t dataSize);

    PngByteSink sink_;
    std::uint32_t height_ = 0;
    std::size_t rowBytes_ = 0;
    std::size_t paletteSize_ = 0;  // 0 unless a palette picture
    std::uint32_t rowsWritten_ = 0;
    std::uint8_t zlibCmf_ = 0;           // the zlib header's first byte, window fitted to the data
    std::vector<std::uint8_t> pending_;  // signature and header chunks, sent with the first row
    std::vector<std::uint8_t> row_;      // filter byte and one row, as deflated
    std::vector<std::uint8_t> idat_;     // one IDAT chunk: length, type, data, CRC
    std::unique_ptr<Deflater> deflater_;
    bool firstIdat_ = true;
    bool finished_ = false;
    bool failed_ = false;
};

}  // namespace qm
