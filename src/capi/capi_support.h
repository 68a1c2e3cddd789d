// What the C API's functions share: the status of a codec Status, the
// caller's limits, and the edge where exceptions stop.
#pragma once

#include <cstring>
#include <exception>
#include <new>

#include "codec/limits.h"
#include "codec/status.h"
#include "quillmere/quillmere.h"

namespace qm::capi {

// The public statuses are the codec's own numbers; the internal ones say
// which step refused, which the C API does not distinguish.
inline qm_status ToC(Status status) {
    if (static_cast<std::int32_t>(status) < static_cast<std::int32_t>(Status::kStatusCount)) {
        return static_cast<qm_status>(status);
    }
    // kNotSquare and the not-on-surface checks cannot happen for a picture
    // given whole; a byte sink in memory fails only for memory.
    return status == Status::kWriteFailed ? QM_ERROR_OUT_OF_MEMORY : QM_ERROR_INVALID_ARGUMENT;
}

// The limits a caller gave (null: the defaults), clamped to the defaults.
inline bool ReadLimits(const qm_limits* given, Limits& limits) {
    limits = Limits{};
    if (given == nullptr) {
        return true;
    }
    if (given->struct_size < sizeof(qm_limits)) {
        return false;
    }
    Limits asked;
    asked.maxPixels = given->max_pixels > static_cast<std::uint64_t>(kMaxPixelCount)
                          ? 0
                          : static_cast<std::int64_t>(given->max_pixels);
    asked.maxFileSize = given->max_file_size;
    limits = asked.Clamped();
    return true;
}

// Runs body, a function giving a qm_status; nothing thrown gets past it.
// The codec throws nothing of its own: what can arrive is the allocator's.
template <class Body>
qm_status Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return QM_ERROR_OUT_OF_MEMORY;
    }
}

// Copies text and its NUL into out when out_size allows; *length gets the
// text's length either way.
inline qm_status CopyText(const std::string& text, char* out, std::size_t outSize,
                          std::size_t* length) {
    if (length != nullptr) {
        *length = text.size();
    }
    if (out == nullptr || outSize <= text.size()) {
        return QM_ERROR_BUFFER_TOO_SMALL;
    }
    std::memcpy(out, text.c_str(), text.size() + 1);
    return QM_OK;
}

}  // namespace qm::capi
