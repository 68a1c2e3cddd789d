// qm_texture_write: a picture into the bytes png2pvz writes.
#include <cstdlib>
#include <string>

#include "capi/capi_support.h"
#include "codec/pvz_encode.h"
#include "platform/png_indexed.h"

namespace {

// Bytes gathered in memory from malloc, so that the caller's qm_buffer_free
// releases them; grows by doubling.
class MallocByteSink final : public qm::ByteSink {
  public:
    ~MallocByteSink() override { std::free(data_); }
    bool Open() override { return true; }
    void Write(std::span<const std::uint8_t> bytes) override {
        if (!good_ || bytes.empty()) {
            return;
        }
        if (bytes.size() > capacity_ - size_) {
            std::size_t capacity = capacity_ == 0 ? 4096 : capacity_;
            while (bytes.size() > capacity - size_) {
                capacity *= 2;
            }
            void* grown = std::realloc(data_, capacity);
            if (grown == nullptr) {
                good_ = false;
                return;
            }
            data_ = static_cast<std::uint8_t*>(grown);
            capacity_ = capacity;
        }
        std::memcpy(data_ + size_, bytes.data(), bytes.size());
        size_ += bytes.size();
    }
    bool Good() const override { return good_; }
    // Hands the bytes over (malloc'd; {NULL, 0} when there are none).
    qm_buffer Release() {
        qm_buffer out{data_, size_};
        data_ = nullptr;
        size_ = capacity_ = 0;
        return out;
    }

  private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool good_ = true;
};

bool OptionsValid(const qm_write_options& o, std::int64_t pixels) {
    if (o.colors != 0 && (o.colors < 2 || o.colors > 256)) return false;
    if (o.alpha_threshold < -1 || o.alpha_threshold > 255) return false;
    if (o.existing_pvp == nullptr && o.existing_pvp_size > 0) return false;
    if (o.source_indices == nullptr) return true;
    if (o.source_palette_rgba == nullptr || o.source_palette_count < 1 ||
        o.source_palette_count > qm::kMaxPngPaletteSize) {
        return false;
    }
    // A palette picture's indices all lie on its palette (a PNG whose do not
    // is refused by its reader).
    for (std::int64_t i = 0; i < pixels; ++i) {
        if (o.source_indices[i] >= o.source_palette_count) return false;
    }
    return true;
}

qm::IndexedPicture SourcePicture(const qm_write_options& o, int width, int height) {
    qm::IndexedPicture picture;
    picture.width = width;
    picture.height = height;
    for (std::size_t i = 0; i < o.source_palette_count; ++i) {
        const std::uint8_t* e = o.source_palette_rgba + 4 * i;
        picture.palette.push_back(qm::PngPaletteEntry{e[0], e[1], e[2], e[3]});
    }
    picture.indices.assign(
        o.source_indices,
        o.source_indices + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return picture;
}

}  // namespace

extern "C" {

QM_API void qm_write_options_init(qm_write_options* options) {
    if (options == nullptr) {
        return;
    }
    *options = qm_write_options{};
    options->struct_size = sizeof(qm_write_options);
    options->alpha_threshold = -1;
}

QM_API qm_status qm_texture_write(const uint8_t* rgba, int32_t width, int32_t height, size_t stride,
                                  const qm_write_options* options, qm_buffer* pvz, qm_buffer* pvp) {
    return qm::capi::Guarded([&]() -> qm_status {
        if (pvz == nullptr) {
            return QM_ERROR_INVALID_ARGUMENT;
        }
        *pvz = qm_buffer{nullptr, 0};
        if (pvp != nullptr) {
            *pvp = qm_buffer{nullptr, 0};
        }
        qm::Limits limits;
        if (rgba == nullptr || options == nullptr ||
            options->struct_size < sizeof(qm_write_options) ||
            !qm::capi::ReadLimits(options->limits, limits)) {
            return QM_ERROR_INVALID_ARGUMENT;
        }
        const qm_write_options& o = *options;
        const bool palette = o.keep_palette != 0 && o.data_format == qm::data_format::kPalette8;
        if (palette && pvp == nullptr) {
            return QM_ERROR_INVALID_ARGUMENT;
        }
        // The size first, as png2pvz refuses a picture too large before
        // anything else; then the caller's own arguments.
        const qm::Status size = qm::CheckPictureSize(width, height, limits);
        if (size != qm::Status::kOk) {
            return qm::capi::ToC(size);
        }
        const std::int64_t pixels = std::int64_t{width} * height;
        if (stride / 4 < static_cast<std::size_t>(width) || !OptionsValid(o, pixels)) {
            return QM_ERROR_INVALID_ARGUMENT;
        }

        qm::ImageSurface surface;
        if (!surface.Create(width, height, 32, true)) {
            return QM_ERROR_OUT_OF_MEMORY;
        }
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* from = rgba + static_cast<std::size_t>(y) * stride;
            std::uint8_t* to = surface.GetBits() + y * surface.GetPitch();
            for (int x = 0; x < width; ++x, from += 4, to += 4) {
                qm::StorePixelWord(to, qm::MakePixelWord(from[2], from[1], from[0], from[3]));
            }
        }
        qm::TextureInfo info;
        info.width = static_cast<std::int16_t>(width);
        info.height = static_cast<std::int16_t>(height);
        info.pixelFormat = o.pixel_format;
        info.dataFormat = o.data_format;
        info.headerText = qm::HeaderTextOf(o.header);
        qm::PixelOptions pixelOptions;
        pixelOptions.keepPalette = o.keep_palette != 0;
        pixelOptions.colors = o.colors;
        pixelOptions.dither = o.dither != 0;
        pixelOptions.alphaThreshold = o.alpha_threshold;
        qm::PaletteSources sources;
        if (o.existing_pvp != nullptr) {
            sources.existing.emplace(o.existing_pvp, o.existing_pvp_size);
        }
        qm::IndexedPicture picture;
        if (palette && o.source_indices != nullptr) {
            picture = SourcePicture(o, width, height);
            sources.indexed = &picture;
        }

        MallocByteSink sink;
        qm::EncodeResult result;
        const qm::Status status =
            qm::EncodePvz(surface, info, pixelOptions, sources, limits, sink, result);
        if (status != qm::Status::kOk) {
            return qm::capi::ToC(status);
        }
        if (palette) {
            void* bytes = std::malloc(result.paletteBytes.size());
            if (bytes == nullptr) {
                return QM_ERROR_OUT_OF_MEMORY;
            }
            std::memcpy(bytes, result.paletteBytes.data(), result.paletteBytes.size());
            *pvp = qm_buffer{static_cast<std::uint8_t*>(bytes), result.paletteBytes.size()};
        }
        *pvz = sink.Release();
        if (o.report != nullptr && o.report->struct_size >= sizeof(qm_write_report)) {
            o.report->made_opaque = result.madeOpaque;
            o.report->data_format = result.dataFormat;
        }
        return QM_OK;
    });
}

}  // extern "C"
