// qm_texture_read and the accessors of a decoded texture.
#include <algorithm>
#include <array>
#include <vector>

#include "capi/capi_support.h"
#include "codec/pvz_decode.h"
#include "texture/color_format.h"

struct qm_texture {
    qm::DecodedPvz decoded;  // the surface holds R G B A bytes once read
    std::array<std::uint8_t, qm::kHeaderBytesLength> header{};
    std::vector<std::uint16_t> paletteValues;
    std::vector<std::uint8_t> paletteRgba;
    std::vector<std::uint16_t> indices;
};

namespace {

void StoreRgba(std::uint8_t* p, qm::PixelWord pixel) {
    const qm::PixelBytes b = qm::BytesOf(pixel);  // blue, green, red, alpha
    p[0] = b[2];
    p[1] = b[1];
    p[2] = b[0];
    p[3] = b[3];
}

// The decoded surface's pixel words, in place, as R G B A bytes.
void WordsToRgba(qm::ImageSurface& surface) {
    std::uint8_t* p = surface.GetBits();
    const std::size_t count = static_cast<std::size_t>(surface.GetWidth()) *
                              static_cast<std::size_t>(surface.GetHeight());
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        StoreRgba(p, qm::LoadPixelWord(p));
    }
}

// A palette texture's surface holds index + 1 words (0 for padded texels):
// they become the indices and, in place, the colours pvz2png writes.
void IndexWordsToRgba(qm_texture& texture) {
    const qm::TextureInfo& info = texture.decoded.info;
    const qm::PixelCodec* codec = qm::FindPixelCodec(info.pixelFormat);
    texture.paletteValues.assign(info.palette.begin(), info.palette.end());
    texture.paletteRgba.assign(4 * info.palette.size(), 0);
    for (std::size_t i = 0; codec != nullptr && i < info.palette.size(); ++i) {
        StoreRgba(&texture.paletteRgba[4 * i], codec->Decode(info.palette[i]));
    }
    qm::ImageSurface& surface = texture.decoded.surface;
    const std::size_t count = static_cast<std::size_t>(surface.GetWidth()) *
                              static_cast<std::size_t>(surface.GetHeight());
    texture.indices.assign(count, QM_INDEX_NONE);
    std::uint8_t* p = surface.GetBits();
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        const qm::PixelWord word = qm::LoadPixelWord(p);
        if (word == 0) {
            std::fill_n(p, 4, std::uint8_t{0});
            continue;
        }
        // Only a decoded record gives a word, and decoding one needs the codec.
        texture.indices[i] = static_cast<std::uint16_t>(word - 1);
        std::copy_n(&texture.paletteRgba[4 * (word - 1)], 4, p);
    }
}

}  // namespace

extern "C" {

QM_API qm_status qm_texture_read_with_limits(const void* pvz, size_t pvz_size, const void* pvp,
                                             size_t pvp_size, const qm_limits* limits,
                                             qm_texture** out) {
    return qm::capi::Guarded([&]() -> qm_status {
        if (out == nullptr) {
            return QM_ERROR_INVALID_ARGUMENT;
        }
        *out = nullptr;
        qm::Limits checked;
        if ((pvz == nullptr && pvz_size > 0) || (pvp == nullptr && pvp_size > 0) ||
            !qm::capi::ReadLimits(limits, checked)) {
            return QM_ERROR_INVALID_ARGUMENT;
        }
        const std::span<const std::uint8_t> file(static_cast<const std::uint8_t*>(pvz), pvz_size);
        std::optional<std::span<const std::uint8_t>> palette;
        if (pvp != nullptr) {
            palette.emplace(static_cast<const std::uint8_t*>(pvp), pvp_size);
        }
        auto texture = std::make_unique<qm_texture>();
        const bool indexed = file.size() > qm::kDataFormatOffset &&
                             file[qm::kDataFormatOffset] == qm::data_format::kPalette8;
        const qm::Status status = qm::DecodePvz(file, palette, checked, texture->decoded, indexed);
        if (status != qm::Status::kOk) {
            return qm::capi::ToC(status);
        }
        std::copy_n(file.begin() + qm::kHeaderBytesOffset, qm::kHeaderBytesLength,
                    texture->header.begin());
        if (indexed) {
            IndexWordsToRgba(*texture);
        } else {
            WordsToRgba(texture->decoded.surface);
        }
        *out = texture.release();
        return QM_OK;
    });
}

QM_API qm_status qm_texture_read(const void* pvz, size_t pvz_size, const void* pvp, size_t pvp_size,
                                 qm_texture** out) {
    return qm_texture_read_with_limits(pvz, pvz_size, pvp, pvp_size, nullptr, out);
}

QM_API void qm_texture_free(qm_texture* texture) {
    delete texture;
}

QM_API int32_t qm_texture_width(const qm_texture* texture) {
    return texture == nullptr ? 0 : texture->decoded.info.width;
}

QM_API int32_t qm_texture_height(const qm_texture* texture) {
    return texture == nullptr ? 0 : texture->decoded.info.height;
}

QM_API uint8_t qm_texture_pixel_format(const qm_texture* texture) {
    return texture == nullptr ? 0 : texture->decoded.info.pixelFormat;
}

QM_API uint8_t qm_texture_data_format(const qm_texture* texture) {
    return texture == nullptr ? 0 : texture->decoded.info.dataFormat;
}

QM_API const uint8_t* qm_texture_header(const qm_texture* texture) {
    return texture == nullptr ? nullptr : texture->header.data();
}

QM_API const uint8_t* qm_texture_rgba(const qm_texture* texture) {
    return texture == nullptr ? nullptr : texture->decoded.surface.GetBits();
}

QM_API uint64_t qm_texture_padded_texels(const qm_texture* texture) {
    return texture == nullptr ? 0 : texture->decoded.paddedTexels;
}

QM_API size_t qm_texture_palette_count(const qm_texture* texture) {
    return texture == nullptr ? 0 : texture->paletteValues.size();
}

QM_API const uint16_t* qm_texture_palette_values(const qm_texture* texture) {
    return texture == nullptr || texture->paletteValues.empty() ? nullptr
                                                                : texture->paletteValues.data();
}

QM_API const uint8_t* qm_texture_palette_rgba(const qm_texture* texture) {
    return texture == nullptr || texture->paletteRgba.empty() ? nullptr
                                                              : texture->paletteRgba.data();
}

QM_API const uint16_t* qm_texture_indices(const qm_texture* texture) {
    return texture == nullptr || texture->indices.empty() ? nullptr : texture->indices.data();
}

}  // extern "C"
