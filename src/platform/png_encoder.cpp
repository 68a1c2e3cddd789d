#include "platform/png_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <string_view>
#include <utility>

#include "platform/be_bytes.h"
#include "platform/png_save_settings.h"

namespace qm {

namespace {

constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// Every chunk: data length (4 bytes), type (4), data, CRC of type and data (4).
constexpr std::size_t kChunkTypeOffset = 4;
constexpr std::size_t kChunkDataOffset = 8;
constexpr std::size_t kChunkTypeSize = 4;
constexpr std::size_t kChunkCrcSize = 4;
constexpr std::size_t kChunkOverhead = kChunkDataOffset + kChunkCrcSize;

// IHDR data: width (4), height (4), bit depth, colour type, compression
// method, filter method, interlace method (1 each).
constexpr std::size_t kIhdrDataSize = 13;
constexpr std::size_t kIhdrDepthOffset = 8;
constexpr std::size_t kIhdrColorTypeOffset = 9;
constexpr std::uint8_t kBitDepth = 8;  // compression, filter and interlace methods all 0

constexpr std::uint8_t kFilterNone = 0;  // the filter byte before each row
constexpr std::uint32_t kMaxSide = 0x7FFFFFFF;
constexpr std::size_t kMaxPaletteSize = 256;

// libpng compresses into a buffer of this size and writes it out as one
// IDAT chunk whenever it is full: every IDAT but the last holds exactly this
// much.
constexpr std::size_t kIdatDataSize = 8192;

// libpng's zlib settings besides level and strategy.
constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;

// libpng declares a smaller window in the zlib header when all the data
// (each row with its filter byte) is at most 16 KiB: the smallest of 256,
// 512, ... 16384 bytes that holds it. The deflated bytes are those of the
// 32 KiB window, as zlib finds the same matches in any window that covers
// the data plus its 262-byte lookahead; only the header changes.
constexpr std::uint64_t kFittedWindowLimit = 16384;
constexpr unsigned kSmallestWindowBits = 8;

// zlib header: CMF = window bits - 8 (high nibble), method 8 (low nibble);
// FLG = level class (top two bits), preset dictionary flag, and a check
// value that makes CMF * 256 + FLG a multiple of 31.
constexpr std::uint8_t kDeflateMethod = 8;
constexpr std::uint8_t kFlgLevelMask = 0xC0;
constexpr unsigned kZlibHeaderCheck = 31;

std::uint8_t FittedCmf(std::uint64_t dataSize) {
    unsigned bits = kWindowBits;
    if (dataSize <= kFittedWindowLimit) {
        bits = kSmallestWindowBits;
        while ((std::uint64_t{1} << bits) < dataSize) {
            ++bits;
        }
    }
    return static_cast<std::uint8_t>(((bits - 8) << 4) | kDeflateMethod);
}

std::uint8_t FlgFor(std::uint8_t cmf, std::uint8_t zlibFlg) {
    const unsigned level = zlibFlg & kFlgLevelMask;
    const unsigned remainder = ((unsigned{cmf} << 8) | level) % kZlibHeaderCheck;
    return static_cast<std::uint8_t>(level | ((kZlibHeaderCheck - remainder) % kZlibHeaderCheck));
}

std::uint32_t ChunkCrc(std::span<const std::uint8_t> chunk, std::size_t dataSize) {
    return static_cast<std::uint32_t>(
        crc32(0L, chunk.data() + kChunkTypeOffset, static_cast<uInt>(kChunkTypeSize + dataSize)));
}

// Fills in length and CRC around type and data already in place.
void SealChunk(std::span<std::uint8_t> chunk, std::size_t dataSize) {
    WriteBe32(chunk, 0, static_cast<std::uint32_t>(dataSize));
    WriteBe32(chunk, kChunkDataOffset + dataSize, ChunkCrc(chunk, dataSize));
}

void AppendChunk(std::vector<std::uint8_t>& out, std::string_view type,
                 std::span<const std::uint8_t> data) {
    const std::size_t at = out.size();
    out.resize(at + kChunkOverhead + data.size());
    const std::span<std::uint8_t> chunk(out.data() + at, kChunkOverhead + data.size());
    std::copy_n(type.begin(), kChunkTypeSize, chunk.begin() + kChunkTypeOffset);
    std::ranges::copy(data, chunk.begin() + kChunkDataOffset);
    SealChunk(chunk, data.size());
}

std::size_t ChannelsOf(PngColorType type) {
    switch (type) {
        case PngColorType::kRgb:
            return 3;
        case PngColorType::kRgba:
            return 4;
        case PngColorType::kPalette:
            return 1;
    }
    return 0;
}

std::vector<std::uint8_t> HeaderBytes(std::uint32_t width, std::uint32_t height, PngColorType type,
                                      std::span<const PngRgb> palette,
                                      std::span<const std::uint8_t> alphas) {
    std::vector<std::uint8_t> out(std::begin(kSignature), std::end(kSignature));
    std::uint8_t ihdr[kIhdrDataSize] = {};
    WriteBe32(ihdr, 0, width);
    WriteBe32(ihdr, 4, height);
    ihdr[kIhdrDepthOffset] = kBitDepth;
    ihdr[kIhdrColorTypeOffset] = static_cast<std::uint8_t>(type);
    AppendChunk(out, "IHDR", ihdr);
    if (type == PngColorType::kPalette) {
        std::vector<std::uint8_t> plte;
        for (const PngRgb& color : palette) {
            plte.insert(plte.end(), {color.red, color.green, color.blue});
        }
        AppendChunk(out, "PLTE", plte);
        if (!alphas.empty()) {
            AppendChunk(out, "tRNS", alphas);
        }
    }
    return out;
}

}  // namespace

struct PngEncoder::Deflater {
    z_stream stream{};
    bool started = false;

    Deflater() = default;
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    ~Deflater() {
        if (started) {
            deflateEnd(&stream);
        }
    }
};

PngEncoder::PngEncoder(std::uint32_t width, std::uint32_t height, PngColorType type,
                       std::span<const PngRgb> palette, std::span<const std::uint8_t> alphas,
                       PngByteSink sink)
    : sink_(std::move(sink)), height_(height) {
    const std::uint64_t rowBytes = std::uint64_t{width} * ChannelsOf(type);
    const bool isPalette = type == PngColorType::kPalette;
    const bool valid = sink_ && rowBytes != 0 && width <= kMaxSide && height != 0 &&
                       height <= kMaxSide &&
                       // a row and its filter byte go to zlib in one piece
                       rowBytes < std::numeric_limits<uInt>::max() &&
                       (isPalette ? !palette.empty() && palette.size() <= kMaxPaletteSize &&
                                        alphas.size() <= palette.size()
                                  : palette.empty() && alphas.empty());
    if (!valid) {
        failed_ = true;
        return;
    }
    rowBytes_ = static_cast<std::size_t>(rowBytes);
    paletteSize_ = isPalette ? palette.size() : 0;
    zlibCmf_ = FittedCmf((rowBytes + 1) * height);
    try {
        pending_ = HeaderBytes(width, height, type, palette, alphas);
        row_.resize(rowBytes_ + 1);
        idat_.resize(kChunkOverhead + kIdatDataSize);
        deflater_ = std::make_unique<Deflater>();
    } catch (const std::bad_alloc&) {
        failed_ = true;
        return;
    }
    std::copy_n(std::string_view("IDAT").begin(), kChunkTypeSize, idat_.begin() + kChunkTypeOffset);
    z_stream& stream = deflater_->stream;
    if (deflateInit2(&stream, kPngSaveLevel, Z_DEFLATED, kWindowBits, kMemLevel,
                     kPngSaveStrategy) != Z_OK) {
        failed_ = true;
        return;
    }
    deflater_->started = true;
    stream.next_out = idat_.data() + kChunkDataOffset;
    stream.avail_out = static_cast<uInt>(kIdatDataSize);
}

PngEncoder::~PngEncoder() = default;

bool PngEncoder::Fail() {
    failed_ = true;
    deflater_.reset();
    return false;
}

bool PngEncoder::SendPending() {
    if (pending_.empty()) {
        return true;
    }
    const bool sent = sink_(pending_);
    pending_.clear();
    pending_.shrink_to_fit();
    return sent;
}

bool PngEncoder::SendIdat(std::size_t dataSize) {
    if (firstIdat_) {
        // zlib wrote the header for its 32 KiB window; declare the fitted one.
        firstIdat_ = false;
        std::uint8_t* header = idat_.data() + kChunkDataOffset;
        header[0] = zlibCmf_;
        header[1] = FlgFor(zlibCmf_, header[1]);
    }
    SealChunk(idat_, dataSize);
    z_stream& stream = deflater_->stream;
    stream.next_out = idat_.data() + kChunkDataOffset;
    stream.avail_out = static_cast<uInt>(kIdatDataSize);
    return sink_(std::span<const std::uint8_t>(idat_.data(), kChunkOverhead + dataSize));
}

bool PngEncoder::WriteRow(std::span<const std::uint8_t> row) {
    if (failed_ || finished_ || rowsWritten_ == height_ || row.size() != rowBytes_) {
        return Fail();
    }
    if (paletteSize_ != 0 &&
        std::ranges::any_of(row, [this](std::uint8_t index) { return index >= paletteSize_; })) {
        return Fail();
    }
    if (!SendPending()) {
        return Fail();
    }
    row_[0] = kFilterNone;
    std::ranges::copy(row, row_.begin() + 1);
    z_stream& stream = deflater_->stream;
    stream.next_in = row_.data();
    stream.avail_in = static_cast<uInt>(row_.size());
    while (stream.avail_in != 0) {
        if (deflate(&stream, Z_NO_FLUSH) != Z_OK) {
            return Fail();
        }
        if (stream.avail_out == 0 && !SendIdat(kIdatDataSize)) {
            return Fail();
        }
    }
    ++rowsWritten_;
    return true;
}

bool PngEncoder::Finish() {
    if (failed_ || finished_ || rowsWritten_ != height_) {
        return Fail();
    }
    z_stream& stream = deflater_->stream;
    stream.next_in = nullptr;
    stream.avail_in = 0;
    for (;;) {
        const int status = deflate(&stream, Z_FINISH);
        if (status == Z_STREAM_END) {
            break;
        }
        // Z_OK on Z_FINISH: the buffer is full and more is to come.
        if (status != Z_OK || stream.avail_out != 0 || !SendIdat(kIdatDataSize)) {
            return Fail();
        }
    }
    const std::size_t rest = kIdatDataSize - stream.avail_out;
    if (rest != 0 && !SendIdat(rest)) {
        return Fail();
    }
    std::array<std::uint8_t, kChunkOverhead> iend{};
    std::copy_n(std::string_view("IEND").begin(), kChunkTypeSize, iend.begin() + kChunkTypeOffset);
    SealChunk(iend, 0);
    if (!sink_(iend)) {
        return Fail();
    }
    finished_ = true;
    deflater_.reset();
    return true;
}

}  // namespace qm
