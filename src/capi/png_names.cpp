// The PNG name scheme both ways, as the two conversions use it.
#include <string>

#include "capi/capi_support.h"
#include "convert/png_name.h"

extern "C" {

QM_API qm_status qm_png_name_build(const char* pvz_name, const uint8_t header[12],
                                   uint8_t pixel_format, uint8_t data_format, char* out,
                                   size_t out_size, size_t* length) {
    return qm::capi::Guarded([&]() -> qm_status {
        if (length != nullptr) {
            *length = 0;
        }
        if (pvz_name == nullptr || header == nullptr) {
            return QM_ERROR_INVALID_ARGUMENT;
        }
        qm::TextureInfo info;
        info.texturePath = pvz_name;
        if (!qm::CheckPvzExtension(info.texturePath)) {
            return QM_ERROR_NOT_PVZ_NAME;
        }
        info.headerText = qm::HeaderTextOf(std::span(header, qm::kHeaderBytesLength));
        info.pixelFormat = pixel_format;
        info.dataFormat = data_format;
        return qm::capi::CopyText(qm::BuildPngName(info), out, out_size, length);
    });
}

QM_API qm_status qm_png_name_parse(const char* png_name, uint8_t header[12], uint8_t* pixel_format,
                                   uint8_t* data_format, char* pvz_name, size_t pvz_name_size,
                                   size_t* length) {
    return qm::capi::Guarded([&]() -> qm_status {
        if (length != nullptr) {
            *length = 0;
        }
        if (png_name == nullptr || header == nullptr || pixel_format == nullptr ||
            data_format == nullptr) {
            return QM_ERROR_INVALID_ARGUMENT;
        }
        std::string name = png_name;
        if (!qm::CheckPngFileName(name)) {
            return QM_ERROR_BAD_PNG_NAME;
        }
        const qm::PngNameFields fields = qm::ParsePngName(name);
        for (std::size_t i = 0; i < qm::kHeaderBytesLength; ++i) {
            header[i] = qm::ParseHexPair(std::string_view(fields.headerText).substr(2 * i, 2));
        }
        *pixel_format = fields.pixelFormat;
        *data_format = fields.dataFormat;
        return qm::capi::CopyText(fields.texturePath, pvz_name, pvz_name_size, length);
    });
}

}  // extern "C"
