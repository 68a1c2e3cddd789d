// The bytes of an input as a PNG file, loaded through ImageSurface::Load.
// A load either fails with one of the documented statuses and leaves the
// surface empty, or gives a 24- or 32-bit picture within the size limits
// whose every byte can be read. Small loaded pictures are also saved, loaded
// again and gathered row by row, and must come back unchanged.
//
// Mutations almost always break a chunk's CRC, which stops the loader at the
// first chunk. So that the fuzzer gets past that, inputs of even length have
// the CRC of every whole chunk recomputed before they are written; inputs of
// odd length are written as they are and keep exercising the CRC checks.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "layout/gather.h"
#include "platform/image_surface.h"
#include "platform/png_file.h"
#include "target_support.h"
#include "texture/pvz_header.h"

namespace {

using qm::ImageSurface;

constexpr std::size_t kSignatureSize = 8;
// Save and reload only pictures up to this many pixels: it is the same code
// for every size.
constexpr std::int64_t kResaveMaxPixels = 1 << 16;

std::uint32_t ReadBe32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
           (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
}

// Recomputes the CRC of every whole chunk behind the signature.
void FixChunkCrcs(std::vector<std::uint8_t>& b) {
    std::size_t at = kSignatureSize;
    while (at + 8 <= b.size()) {
        const std::uint64_t length = ReadBe32(b, at);
        if (length > b.size() - at - 8 || b.size() - at - 8 - length < 4) {
            return;
        }
        const std::size_t crcAt = at + 8 + static_cast<std::size_t>(length);
        const uLong crc = crc32(0L, b.data() + at + 4, static_cast<uInt>(length + 4));
        for (std::size_t i = 0; i < 4; ++i) {
            b[crcAt + i] = static_cast<std::uint8_t>((crc >> (24 - 8 * i)) & 0xFF);
        }
        at = crcAt + 4;
    }
}

// Sums every pixel byte, so that a surface smaller than it claims is an
// out-of-bounds read; the sum is stored where the compiler must keep it.
volatile unsigned touched = 0;

unsigned Touch(const ImageSurface& s) {
    unsigned sum = 0;
    const std::size_t rowBytes =
        static_cast<std::size_t>(s.GetWidth()) * static_cast<std::size_t>(s.GetBPP() / 8);
    for (int y = 0; y < s.GetHeight(); ++y) {
        const std::uint8_t* row = s.GetBits() + y * s.GetPitch();
        for (std::size_t i = 0; i < rowBytes; ++i) {
            sum += row[i];
        }
    }
    return sum;
}

bool SamePixels(const ImageSurface& a, const ImageSurface& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetBPP() != b.GetBPP()) {
        return false;
    }
    const std::size_t rowBytes =
        static_cast<std::size_t>(a.GetWidth()) * static_cast<std::size_t>(a.GetBPP() / 8);
    for (int y = 0; y < a.GetHeight(); ++y) {
        const std::uint8_t* ra = a.GetBits() + y * a.GetPitch();
        const std::uint8_t* rb = b.GetBits() + y * b.GetPitch();
        for (std::size_t i = 0; i < rowBytes; ++i) {
            if (ra[i] != rb[i]) {
                return false;
            }
        }
    }
    return true;
}

void CheckResave(const ImageSurface& loaded) {
    const std::string path = qm::fuzz::ScratchPath("out.png");
    QM_FUZZ_CHECK(SavePngFile(loaded, path));
    ImageSurface again;
    QM_FUZZ_CHECK(LoadPngFile(path, again) == qm::kPngLoaded);
    qm::fuzz::RemoveFile(path);
    QM_FUZZ_CHECK(again.HasAlphaChannel() == loaded.HasAlphaChannel());
    QM_FUZZ_CHECK(SamePixels(loaded, again));

    // Row-by-row gathering covers every pixel once: the run lengths add up.
    qm::TextureInfo info;
    info.width = static_cast<std::int16_t>(loaded.GetWidth());
    info.height = static_cast<std::int16_t>(loaded.GetHeight());
    info.dataFormat = qm::data_format::kRectangle;
    std::vector<qm::ColorRun> runs;
    QM_FUZZ_CHECK(qm::GetPngColor_Rect(loaded, info, runs));
    std::int64_t total = 0;
    for (const qm::ColorRun& run : runs) {
        QM_FUZZ_CHECK(run.repeat < qm::kMaxRunLength);
        total += run.repeat + 1;
    }
    QM_FUZZ_CHECK(total == static_cast<std::int64_t>(loaded.GetWidth()) * loaded.GetHeight());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qm::fuzz::QuietMessages quiet;
    std::vector<std::uint8_t> bytes(data, data + size);
    if (size % 2 == 0) {
        FixChunkCrcs(bytes);
    }
    const std::string path = qm::fuzz::ScratchPath("in.png");
    QM_FUZZ_CHECK(qm::fuzz::WriteBytes(path, bytes));

    ImageSurface surface;
    const int status = LoadPngFile(path, surface);
    QM_FUZZ_CHECK(status == qm::kPngLoaded || status == qm::kPngLoadFailed ||
                  status == qm::kPngLoadTooLarge);
    if (status != qm::kPngLoaded) {
        QM_FUZZ_CHECK(surface.IsNull());
        return 0;
    }
    QM_FUZZ_CHECK(!surface.IsNull());
    QM_FUZZ_CHECK(surface.GetBPP() == 24 || surface.GetBPP() == 32);
    QM_FUZZ_CHECK(surface.HasAlphaChannel() == (surface.GetBPP() == 32));
    QM_FUZZ_CHECK(surface.GetWidth() >= 1 && surface.GetWidth() <= ImageSurface::kMaxSide);
    QM_FUZZ_CHECK(surface.GetHeight() >= 1 && surface.GetHeight() <= ImageSurface::kMaxSide);
    const std::int64_t pixels = static_cast<std::int64_t>(surface.GetWidth()) * surface.GetHeight();
    QM_FUZZ_CHECK(pixels <= ImageSurface::kMaxPixels);
    QM_FUZZ_CHECK(surface.GetPitch() >= surface.GetWidth() * surface.GetBPP() / 8);
    touched = Touch(surface);
    if (pixels <= kResaveMaxPixels) {
        CheckResave(surface);
    }
    return 0;
}
