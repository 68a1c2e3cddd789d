// Statuses, version, limits and buffers of the C API.
#include <array>
#include <cstdlib>

#include "capi/capi_support.h"

static_assert(QUILLMERE_VERSION_MAJOR == QM_PROJECT_VERSION_MAJOR &&
                  QUILLMERE_VERSION_MINOR == QM_PROJECT_VERSION_MINOR &&
                  QUILLMERE_VERSION_PATCH == QM_PROJECT_VERSION_PATCH,
              "quillmere.h's version macros follow the project's version");

namespace {

// One text per status, in the order of their numbers.
constexpr std::array<const char*, static_cast<std::size_t>(qm::Status::kStatusCount)> kTexts = {
    "ok",
    "invalid argument",
    "out of memory",
    "texture file larger than the limit",
    "texture shorter than its 36-byte header",
    "picture larger than the limit",
    "unknown pixel format",
    "texel stream holds more texels than the picture",
    "palette texture without its palette",
    "palette shorter than its 16-byte header",
    "palette entries differ from its count",
    "texel index beyond the palette",
    "picture shape cannot be placed (neither rows nor twiddled squares)",
    "square side is not a power of two from 2 to 16384",
    "width is not a power of two from 2 to 16384",
    "height is not a power of two from 2 to 16384",
    "width and height are not 1:2 or 2:1",
    "PNG name does not carry a texture header",
    "texture name does not end in .pvz",
    "buffer too small",
    "texture file cannot be opened",
    "texture file cannot be read",
};

}  // namespace

extern "C" {

QM_API const char* qm_status_text(qm_status status) {
    const auto index = static_cast<std::size_t>(status);
    return index < kTexts.size() ? kTexts[index] : "unknown status";
}

QM_API uint32_t qm_version(void) {
    return QUILLMERE_VERSION;
}

QM_API void qm_limits_init(qm_limits* limits) {
    if (limits == nullptr) {
        return;
    }
    *limits = qm_limits{};
    limits->struct_size = sizeof(qm_limits);
    limits->max_pixels = static_cast<std::uint64_t>(qm::kMaxPixelCount);
    limits->max_file_size = qm::kMaxPvzFileSize;
}

QM_API void qm_buffer_free(qm_buffer* buffer) {
    if (buffer == nullptr) {
        return;
    }
    std::free(buffer->data);
    buffer->data = nullptr;
    buffer->size = 0;
}

}  // extern "C"
