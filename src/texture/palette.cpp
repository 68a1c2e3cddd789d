#include "texture/palette.h"

#include <vector>

#include "codec/limits.h"
#include "platform/file_io.h"
#include "platform/le_bytes.h"
#include "platform/message_sink.h"
#include "platform/messages.h"
#include "texture/status_messages.h"

namespace qm {

std::vector<std::uint16_t> PaletteEntriesOf(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint16_t> entries;
    for (std::size_t p = kPaletteEntriesOffset; p + kPaletteEntrySize <= bytes.size();
         p += kPaletteEntrySize) {
        entries.push_back(ReadLe16(bytes, p));
    }
    return entries;
}

Status ParsePalette(std::span<const std::uint8_t> bytes, std::vector<std::uint32_t>& palette) {
    palette.clear();
    // Longer files hold more entries than any count can announce.
    if (bytes.size() > kMaxPaletteFileSize) {
        return Status::kPaletteCount;
    }
    if (bytes.size() < kPaletteEntriesOffset) {
        return Status::kPaletteShort;
    }
    const std::size_t count = ReadLe16(bytes, kPaletteCountOffset);
    const std::vector<std::uint16_t> entries = PaletteEntriesOf(bytes);
    palette.assign(entries.begin(), entries.end());
    return palette.size() == count ? Status::kOk : Status::kPaletteCount;
}

bool ReadColorPalette(TextureInfo& info) {
    std::vector<std::uint8_t> bytes;
    switch (ReadWholeFile(info.palettePath, bytes, kMaxPaletteFileSize)) {
        case ReadStatus::kOpenFailed:
            ShowMessage(msg::kPaletteOpenFailed);
            return false;
        case ReadStatus::kReadFailed:
            ShowMessage(msg::kPaletteError);
            return false;
        case ReadStatus::kTooLarge:
            ShowMessage(msg::kPaletteCount);
            return false;
        case ReadStatus::kOk:
            break;
    }
    const Status status = ParsePalette(bytes, info.palette);
    if (status != Status::kOk) {
        ShowMessage(DecodeMessage(status, data_format::kPalette8));
        return false;
    }
    return true;
}

}  // namespace qm
