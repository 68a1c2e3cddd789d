// The bytes of an input as a .pvp palette file, read by ReadColorPalette.
// A palette is accepted exactly when its entry count matches the whole
// entries in the file, and then holds those entries in file order.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/le_bytes.h"
#include "target_support.h"
#include "texture/palette.h"
#include "texture/pvz_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qm::fuzz::QuietMessages quiet;
    const std::span<const std::uint8_t> bytes(data, size);
    QM_FUZZ_CHECK(qm::fuzz::WriteBytes(qm::fuzz::ScratchPath("p.pvp"), bytes));

    qm::TextureInfo info;
    info.palettePath = qm::fuzz::ScratchPath("p.pvp");
    // Whatever was there before is replaced, never appended to.
    info.palette.assign(3, 0xDEAD);
    const bool read = qm::ReadColorPalette(info);

    const bool hasCount = size >= qm::kPaletteEntriesOffset;
    const std::size_t entries =
        hasCount ? (size - qm::kPaletteEntriesOffset) / qm::kPaletteEntrySize : 0;
    const bool expected = hasCount && qm::ReadLe16(bytes, qm::kPaletteCountOffset) == entries;
    QM_FUZZ_CHECK(read == expected);
    if (read) {
        QM_FUZZ_CHECK(info.palette.size() == entries);
        QM_FUZZ_CHECK(entries <= qm::kMaxPaletteEntries);
        for (std::size_t i = 0; i < entries; ++i) {
            QM_FUZZ_CHECK(info.palette[i] ==
                          qm::ReadLe16(bytes, qm::kPaletteEntriesOffset + 2 * i));
        }
    }
    return 0;
}
