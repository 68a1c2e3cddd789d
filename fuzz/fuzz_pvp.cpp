// The bytes of an input as a .pvp palette, parsed in memory by ParsePalette
// (the file reader is a thin wrapper over it). A palette is accepted exactly
// when its entry count matches the whole entries in the bytes, and then holds
// those entries in their order; otherwise the status names the cause.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codec/status.h"
#include "platform/le_bytes.h"
#include "target_support.h"
#include "texture/palette.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    // Whatever was there before is replaced, never appended to.
    std::vector<std::uint32_t> palette(3, 0xDEAD);
    const qm::Status status = qm::ParsePalette(bytes, palette);

    const bool hasCount = size >= qm::kPaletteEntriesOffset;
    const std::size_t entries =
        hasCount ? (size - qm::kPaletteEntriesOffset) / qm::kPaletteEntrySize : 0;
    const bool expected = hasCount && qm::ReadLe16(bytes, qm::kPaletteCountOffset) == entries;
    QM_FUZZ_CHECK((status == qm::Status::kOk) == expected);
    QM_FUZZ_CHECK(status == qm::Status::kOk ||
                  status == (hasCount ? qm::Status::kPaletteCount : qm::Status::kPaletteShort));
    if (status == qm::Status::kOk) {
        QM_FUZZ_CHECK(palette.size() == entries);
        QM_FUZZ_CHECK(entries <= qm::kMaxPaletteEntries);
        for (std::size_t i = 0; i < entries; ++i) {
            QM_FUZZ_CHECK(palette[i] == qm::ReadLe16(bytes, qm::kPaletteEntriesOffset + 2 * i));
        }
    }
    return 0;
}
