// qm_texture_read_file and qm_palette_name: a texture file and its palette
// found as the command line finds them (convert/sibling_names.h), read with
// its size limits, then decoded by qm_texture_read_with_limits.
#include <string>
#include <vector>

#include "capi/capi_support.h"
#include "codec/pvz_decode.h"
#include "convert/png_name.h"
#include "convert/sibling_names.h"
#include "platform/file_io.h"
#include "texture/palette.h"

namespace {

// The texture file a path names, as pvz2png resolves it, or nothing when its
// name does not end in ".pvz" or ".PVZ".
std::optional<std::string> TextureFile(const char* path) {
    std::string found = qm::TypedFile(path);
    // The check turns ".PVZ" into ".pvz"; the file keeps its own name.
    std::string checked = found;
    if (!qm::CheckPvzExtension(checked)) {
        return std::nullopt;
    }
    return found;
}

// The statuses a failed whole-file read stands for.
struct ReadRefusals {
    qm_status openFailed;
    qm_status readFailed;
    qm_status tooLarge;
};

// For the texture file, the C API's own; for its palette, those of the
// messages pvz2png shows for it.
constexpr ReadRefusals kTextureRefusals{QM_ERROR_FILE_OPEN_FAILED, QM_ERROR_FILE_READ_FAILED,
                                        QM_ERROR_FILE_TOO_LARGE};
constexpr ReadRefusals kPaletteRefusals{QM_ERROR_PALETTE_MISSING, QM_ERROR_PALETTE_SHORT,
                                        QM_ERROR_PALETTE_COUNT_MISMATCH};

qm_status StatusOf(qm::ReadStatus status, const ReadRefusals& refusals) {
    switch (status) {
        case qm::ReadStatus::kOk:
            return QM_OK;
        case qm::ReadStatus::kOpenFailed:
            return refusals.openFailed;
        case qm::ReadStatus::kReadFailed:
            return refusals.readFailed;
        case qm::ReadStatus::kTooLarge:
            return refusals.tooLarge;
    }
    return refusals.readFailed;
}

}  // namespace

extern "C" {

QM_API qm_status qm_texture_read_file(const char* pvz_path, const qm_limits* limits,
                                      qm_texture** out) {
    return qm::capi::Guarded([&]() -> qm_status {
        if (out == nullptr) {
            return QM_ERROR_INVALID_ARGUMENT;
        }
        *out = nullptr;
        qm::Limits checked;
        if (pvz_path == nullptr || !qm::capi::ReadLimits(limits, checked)) {
            return QM_ERROR_INVALID_ARGUMENT;
        }
        const std::optional<std::string> path = TextureFile(pvz_path);
        if (!path) {
            return QM_ERROR_NOT_PVZ_NAME;
        }
        std::vector<std::uint8_t> pvz;
        const qm_status read =
            StatusOf(qm::ReadWholeFile(*path, pvz, checked.maxFileSize), kTextureRefusals);
        if (read != QM_OK) {
            return read;
        }
        // The header's own refusals come before anything about the palette.
        qm::TextureInfo info;
        const qm::Status header = qm::ReadPvzInfo(pvz, checked, info);
        if (header != qm::Status::kOk) {
            return qm::capi::ToC(header);
        }
        std::vector<std::uint8_t> pvp;
        bool hasPalette = false;
        if (info.dataFormat == qm::data_format::kPalette8) {
            const qm::ReadStatus status =
                qm::ReadWholeFile(qm::PaletteFileFor(*path), pvp, qm::kMaxPaletteFileSize);
            hasPalette = status == qm::ReadStatus::kOk;
            if (!hasPalette && status != qm::ReadStatus::kOpenFailed) {
                return StatusOf(status, kPaletteRefusals);
            }
        }
        return qm_texture_read_with_limits(pvz.data(), pvz.size(),
                                           hasPalette ? pvp.data() : nullptr,
                                           hasPalette ? pvp.size() : 0, limits, out);
    });
}

QM_API qm_status qm_palette_name(const char* pvz_path, char* out, size_t out_size, size_t* length) {
    return qm::capi::Guarded([&]() -> qm_status {
        if (length != nullptr) {
            *length = 0;
        }
        if (pvz_path == nullptr) {
            return QM_ERROR_INVALID_ARGUMENT;
        }
        const std::optional<std::string> path = TextureFile(pvz_path);
        if (!path) {
            return QM_ERROR_NOT_PVZ_NAME;
        }
        return qm::capi::CopyText(qm::PaletteFileFor(*path), out, out_size, length);
    });
}

}  // extern "C"
