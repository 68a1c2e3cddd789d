// PNG reading and writing for ImageSurface through the Windows Imaging
// Component, the codec Windows itself ships.
//
// Pictures are written by PngEncoder, as libpng writes them on Linux.
//
// The header is checked from the file's first bytes, and every chunk's CRC
// from the whole file, before WIC sees it; WIC then decodes the pixels. The
// colours are converted here rather than by WIC wherever WIC's conversion
// could differ from taking the stored values: palettes (an index beyond the
// palette is refused), 16-bit channels (their high byte) and the tRNS
// colour of grey and RGB pictures.
#include <objbase.h>
#include <wincodec.h>
#include <windows.h>
#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "platform/be_bytes.h"
#include "platform/file_io.h"
#include "platform/image_surface.h"
#include "platform/png_file.h"
#include "platform/png_header.h"
#include "platform/png_wic_detail.h"

namespace qm {

using namespace wic_detail;

namespace {

// COM for the calling thread, for the thread's lifetime. A thread that
// already runs COM in another mode (a dialog's) can use WIC as it is.
bool ComReady() {
    struct ThreadCom {
        HRESULT result = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ~ThreadCom() {
            if (SUCCEEDED(result)) {
                ::CoUninitialize();
            }
        }
    };
    thread_local const ThreadCom com;
    return SUCCEEDED(com.result) || com.result == RPC_E_CHANGED_MODE;
}

bool CreateFactory(ComRef<IWICImagingFactory>& factory) {
    return ComReady() &&
           SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_PPV_ARGS(factory.Out())));
}

bool ValidDepth(std::uint8_t colorType, std::uint8_t depth) {
    switch (colorType) {
        case kGrey:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case kPalette:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case kRgb:
        case kGreyAlpha:
        case kRgba:
            return depth == 8 || depth == 16;
        default:
            return false;
    }
}

}  // namespace

std::optional<std::span<const std::uint8_t>> wic_detail::FindChunk(
    std::span<const std::uint8_t> file, const char* type) {
    std::size_t at = 8;
    while (file.size() - at >= 12) {
        const std::size_t length = ReadBe32(file, at);
        const std::uint8_t* name = file.data() + at + 4;
        if (std::memcmp(name, "IDAT", 4) == 0 || length > file.size() - at - 12) {
            return std::nullopt;
        }
        if (std::memcmp(name, type, 4) == 0) {
            return file.subspan(at + 8, length);
        }
        at += 12 + length;
    }
    return std::nullopt;
}

namespace {

// What a PNG file may hold beyond its image data (chunk framing, text,
// colour profiles) before it is refused unread.
constexpr std::uint64_t kMostAncillaryBytes = 64ull << 20;

// The bytes of filtered rows the picture's image data must inflate to: one
// filter byte per row, of each of the seven passes when interlaced.
std::uint64_t ImageDataSize(const PngHeader& header) {
    struct Pass {
        std::uint64_t x, y, dx, dy;
    };
    constexpr Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                               {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    constexpr Pass kWhole[] = {{0, 0, 1, 1}};
    const std::uint64_t bits = SamplesPerPixel(header.colorType) * header.bitDepth;
    std::uint64_t size = 0;
    for (const Pass& pass : header.interlaced ? std::span<const Pass>(kAdam7) : kWhole) {
        const std::uint64_t width = (header.width + pass.dx - 1 - pass.x) / pass.dx;
        const std::uint64_t height = (header.height + pass.dy - 1 - pass.y) / pass.dy;
        if (header.width > pass.x && header.height > pass.y) {
            size += height * (1 + (width * bits + 7) / 8);
        }
    }
    return size;
}

// WIC takes image data longer than the picture, or followed by more data
// after the end of its zlib stream; libpng refuses both as damage, and so
// is it refused here: the data is inflated once and counted.
bool ImageDataExact(std::span<const std::uint8_t> file, const PngHeader& header) {
    std::vector<std::uint8_t> data;
    std::size_t at = 8;
    while (file.size() - at >= 12) {
        const std::size_t length = ReadBe32(file, at);
        if (std::memcmp(file.data() + at + 4, "IDAT", 4) == 0) {
            data.insert(data.end(), file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                        file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        }
        at += 12 + length;
    }
    z_stream stream{};
    if (data.empty() || inflateInit(&stream) != Z_OK) {
        return false;
    }
    stream.next_in = data.data();
    stream.avail_in = static_cast<uInt>(data.size());
    std::uint8_t buffer[16384];
    std::uint64_t inflated = 0;
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = buffer;
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        inflated += sizeof buffer - stream.avail_out;
    }
    const bool exact =
        result == Z_STREAM_END && stream.avail_in == 0 && inflated == ImageDataSize(header);
    inflateEnd(&stream);
    return exact;
}

// tRNS as libpng takes it, which refuses any other: two bytes for grey, six
// for RGB, one to as many as the palette has entries for a palette, none
// beside an alpha channel.
bool TransparencyValid(std::span<const std::uint8_t> file, const PngHeader& header) {
    const auto transparency = FindChunk(file, "tRNS");
    if (!transparency) {
        return true;
    }
    switch (header.colorType) {
        case kGrey:
            return transparency->size() == 2;
        case kRgb:
            return transparency->size() == 6;
        case kPalette: {
            const auto palette = FindChunk(file, "PLTE");
            return palette && !transparency->empty() && transparency->size() <= palette->size() / 3;
        }
        default:
            return false;
    }
}

// The whole file, once its header has passed: a regular file, a PNG
// header, a picture within the limits.
int ReadCheckedFile(const std::string& path, std::vector<std::uint8_t>& bytes, PngHeader& header) {
    FileReader file(path);
    const std::uint64_t size = file.RegularFileSize();
    std::array<std::uint8_t, kPngHeaderSize> first{};
    if (size < first.size() || file.Read(first) != first.size()) {
        return kPngLoadFailed;
    }
    int status = CheckPngHeader(first, size, header);
    // The whole file is held while WIC decodes it: one far longer than its
    // pixels can take (stored image data, chunk framing and some ancillary
    // chunks) is refused rather than read.
    if (status == kPngLoaded &&
        size > ImageDataSize(header) + ImageDataSize(header) / 64 + kMostAncillaryBytes) {
        status = kPngLoadFailed;
    }
    if (status == kPngLoaded) {
        bytes.resize(static_cast<std::size_t>(size));
        std::memcpy(bytes.data(), first.data(), first.size());
        const std::size_t rest = bytes.size() - first.size();
        if (file.Read(std::span(bytes).subspan(first.size())) != rest) {
            status = kPngLoadFailed;
        }
    }
    return status;
}

}  // namespace

int wic_detail::ReadIntactPng(const std::string& path, std::vector<std::uint8_t>& bytes,
                              PngHeader& header) {
    const int status = ReadCheckedFile(path, bytes, header);
    if (status != kPngLoaded) {
        return status;
    }
    if (!ValidDepth(header.colorType, header.bitDepth) || !PngChunksIntact(bytes) ||
        !TransparencyValid(bytes, header) || !ImageDataExact(bytes, header)) {
        return kPngLoadFailed;
    }
    return kPngLoaded;
}

bool wic_detail::DecodeFrame(std::span<std::uint8_t> file, const PngHeader& header,
                             ComRef<IWICImagingFactory>& factory, ComRef<IWICStream>& stream,
                             ComRef<IWICBitmapDecoder>& decoder,
                             ComRef<IWICBitmapFrameDecode>& frame) {
    UINT width = 0;
    UINT height = 0;
    return CreateFactory(factory) && SUCCEEDED(factory->CreateStream(stream.Out())) &&
           SUCCEEDED(stream->InitializeFromMemory(file.data(), static_cast<DWORD>(file.size()))) &&
           SUCCEEDED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.Out())) &&
           SUCCEEDED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) &&
           SUCCEEDED(decoder->GetFrame(0, frame.Out())) &&
           SUCCEEDED(frame->GetSize(&width, &height)) && width == header.width &&
           height == header.height;
}

bool wic_detail::CopyRow(IWICBitmapSource* source, int y, int width, std::span<std::uint8_t> row) {
    const WICRect rect{0, y, width, 1};
    return SUCCEEDED(source->CopyPixels(&rect, static_cast<UINT>(row.size()),
                                        static_cast<UINT>(row.size()), row.data()));
}

namespace {

// How the decoded rows become BGR(A) pixels.
struct Conversion {
    PngHeader header;
    std::span<const std::uint8_t> palette;                      // PLTE, 3 bytes a colour
    std::optional<std::span<const std::uint8_t>> transparency;  // tRNS
    bool alpha = false;
};

// The 16-bit pixel formats read as they are; any other is converted to
// 64-bit RGBA. Channels are little-endian, in the order R, G, B, A.
struct Layout16 {
    const GUID* format;
    std::size_t bytes;  // per pixel
    bool grey;
};
constexpr Layout16 kLayouts16[] = {
    {&GUID_WICPixelFormat64bppRGBA, 8, false},
    {&GUID_WICPixelFormat48bppRGB, 6, false},
    {&GUID_WICPixelFormat16bppGray, 2, true},
};

// A row of 16-bit channels to BGR(A): the high byte of each channel, like
// the pixels libpng hands over.
void Convert16BitRow(const Conversion& c, const Layout16& layout, const std::uint8_t* in,
                     std::uint8_t* out, int width) {
    const std::size_t step = c.alpha ? 4 : 3;
    for (int x = 0; x < width; ++x, in += layout.bytes, out += step) {
        const std::uint8_t* green = layout.grey ? in : in + 2;
        const std::uint8_t* blue = layout.grey ? in : in + 4;
        const unsigned r = in[0] | (in[1] << 8);
        const unsigned g = green[0] | (green[1] << 8);
        const unsigned b = blue[0] | (blue[1] << 8);
        out[0] = blue[1];
        out[1] = green[1];
        out[2] = in[1];
        if (!c.alpha) {
            continue;
        }
        out[3] = layout.bytes == 8 ? in[7] : 255;
        if (c.transparency && c.header.colorType == kGrey && c.transparency->size() >= 2) {
            out[3] = r == ReadBe16(*c.transparency, 0) ? 0 : 255;
        } else if (c.transparency && c.header.colorType == kRgb && c.transparency->size() >= 6) {
            out[3] = r == ReadBe16(*c.transparency, 0) && g == ReadBe16(*c.transparency, 2) &&
                             b == ReadBe16(*c.transparency, 4)
                         ? 0
                         : 255;
        }
    }
}

// WIC's 32-bit BGRA row of an 8-bit (or smaller) grey or RGB picture.
void Convert8BitRow(const Conversion& c, const std::uint8_t* in, std::uint8_t* out, int width) {
    const std::size_t step = c.alpha ? 4 : 3;
    const unsigned scale = 255u / ((1u << c.header.bitDepth) - 1u);
    for (int x = 0; x < width; ++x, in += 4, out += step) {
        std::memcpy(out, in, step);
        if (c.transparency && c.header.colorType == kGrey && c.transparency->size() >= 2) {
            out[3] = in[0] == ReadBe16(*c.transparency, 0) * scale ? 0 : 255;
        } else if (c.transparency && c.header.colorType == kRgb && c.transparency->size() >= 6) {
            out[3] = in[2] == ReadBe16(*c.transparency, 0) &&
                             in[1] == ReadBe16(*c.transparency, 2) &&
                             in[0] == ReadBe16(*c.transparency, 4)
                         ? 0
                         : 255;
        }
    }
}

// A row of packed palette indices, the first pixel in the high bits.
bool ConvertPaletteRow(const Conversion& c, const std::uint8_t* in, std::uint8_t* out, int width) {
    const std::size_t step = c.alpha ? 4 : 3;
    const std::size_t count = c.palette.size() / 3;
    for (int x = 0; x < width; ++x, out += step) {
        const unsigned index = PackedIndex(in, x, c.header.bitDepth);
        if (index >= count) {
            return false;
        }
        const std::uint8_t* rgb = c.palette.data() + index * 3;
        out[0] = rgb[2];
        out[1] = rgb[1];
        out[2] = rgb[0];
        if (c.alpha) {
            out[3] = index < c.transparency->size() ? (*c.transparency)[index] : 255;
        }
    }
    return true;
}

}  // namespace

int LoadPngFile(const std::string& path, ImageSurface& surface) {
    surface.Destroy();
    std::vector<std::uint8_t> bytes;
    Conversion c;
    const int status = ReadIntactPng(path, bytes, c.header);
    if (status != kPngLoaded) {
        return status;
    }
    c.transparency = FindChunk(bytes, "tRNS");
    c.alpha = c.header.colorType == kGreyAlpha || c.header.colorType == kRgba || c.transparency;
    if (c.header.colorType == kPalette) {
        const auto palette = FindChunk(bytes, "PLTE");
        if (!palette || palette->empty() || palette->size() % 3 != 0) {
            return kPngLoadFailed;
        }
        c.palette = *palette;
    }

    ComRef<IWICImagingFactory> factory;
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICBitmapSource> source;
    if (!DecodeFrame(bytes, c.header, factory, stream, decoder, frame)) {
        return kPngLoadFailed;
    }
    const UINT width = c.header.width;
    const UINT height = c.header.height;
    // Palette pictures are read as their stored indices, 16-bit ones in a
    // 16-bit format.
    WICPixelFormatGUID native{};
    const Layout16* layout = &kLayouts16[0];
    bool asStored = c.header.colorType == kPalette;
    if (c.header.bitDepth == 16 && SUCCEEDED(frame->GetPixelFormat(&native))) {
        for (const Layout16& known : kLayouts16) {
            if (native == *known.format) {
                layout = &known;
                asStored = true;
            }
        }
    }
    const WICPixelFormatGUID wanted =
        c.header.bitDepth == 16 ? GUID_WICPixelFormat64bppRGBA : GUID_WICPixelFormat32bppBGRA;
    if (asStored ? FAILED(frame->QueryInterface(IID_PPV_ARGS(source.Out())))
                 : FAILED(::WICConvertBitmapSource(wanted, frame.Get(), source.Out()))) {
        return kPngLoadFailed;
    }
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    if (!surface.Allocate(w, h, c.alpha ? 32 : 24, c.alpha, false)) {
        return kPngLoadFailed;
    }
    const std::size_t inStride =
        c.header.colorType == kPalette
            ? (std::size_t{width} * c.header.bitDepth + 7) / 8
            : std::size_t{width} * (c.header.bitDepth == 16 ? layout->bytes : 4);
    std::vector<std::uint8_t> row(inStride);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* out = surface.GetBits() + y * surface.GetPitch();
        if (!CopyRow(source.Get(), y, w, row)) {
            surface.Destroy();
            return kPngLoadFailed;
        }
        if (c.header.colorType == kPalette) {
            if (!ConvertPaletteRow(c, row.data(), out, w)) {
                surface.Destroy();
                return kPngLoadFailed;
            }
        } else if (c.header.bitDepth == 16) {
            Convert16BitRow(c, *layout, row.data(), out, w);
        } else {
            Convert8BitRow(c, row.data(), out, w);
        }
    }
    return kPngLoaded;
}

bool wic_detail::SaveWithEncoder(
    const std::string& path, const FileTime* modified, std::uint32_t width, std::uint32_t height,
    PngColorType type, std::span<const PngRgb> palette, std::span<const std::uint8_t> alphas,
    const std::function<void(std::uint32_t y, std::span<std::uint8_t> row)>& fillRow) {
    AtomicFileWriter writer(path);
    if (modified != nullptr) {
        writer.SetModificationTime(*modified);
    }
    if (!writer.Open()) {
        return false;
    }
    PngEncoder encoder(
        width, height, type, palette, alphas,
        [&writer](std::span<const std::uint8_t> bytes) { return writer.Write(bytes); });
    std::vector<std::uint8_t> row(encoder.RowBytes());
    for (std::uint32_t y = 0; y < height; ++y) {
        fillRow(y, row);
        if (!encoder.WriteRow(row)) {
            return false;
        }
    }
    return encoder.Finish() && writer.Commit();
}

bool SavePngFile(const ImageSurface& surface, const std::string& path, const FileTime* modified) {
    if (surface.IsNull() || !HasPngExtension(path)) {
        return false;
    }
    // BGR(A) pixels become RGB(A); a 32-bit surface without alpha loses its
    // fourth byte on the way.
    const bool alpha = surface.HasAlphaChannel();
    const std::size_t inStep = static_cast<std::size_t>(surface.GetBPP() / 8);
    const std::size_t outStep = alpha ? 4 : 3;
    return SaveWithEncoder(
        path, modified, static_cast<std::uint32_t>(surface.GetWidth()),
        static_cast<std::uint32_t>(surface.GetHeight()),
        alpha ? PngColorType::kRgba : PngColorType::kRgb, {}, {},
        [&](std::uint32_t y, std::span<std::uint8_t> row) {
            const std::uint8_t* in =
                surface.GetBits() + static_cast<std::ptrdiff_t>(y) * surface.GetPitch();
            for (std::size_t out = 0; out < row.size(); out += outStep, in += inStep) {
                row[out] = in[2];
                row[out + 1] = in[1];
                row[out + 2] = in[0];
                if (alpha) {
                    row[out + 3] = in[3];
                }
            }
        });
}

}  // namespace qm
