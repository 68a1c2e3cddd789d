#include "texture/palette.h"

#include <vector>

#include "platform/file_io.h"
#include "platform/le_bytes.h"
#include "platform/message_sink.h"
#include "platform/messages.h"

namespace qm {

std::vector<std::uint16_t> PaletteEntriesOf(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint16_t> entries;
    for (std::size_t p = kPaletteEntriesOffset; p + kPaletteEntrySize <= bytes.size();
         p += kPaletteEntrySize) {
        entries.push_back(ReadLe16(bytes, p));
    }
    return entries;
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
    if (bytes.size() < kPaletteEntriesOffset) {
        ShowMessage(msg::kPaletteError);
        return false;
    }
    const std::span<const std::uint8_t> file(bytes);
    const std::size_t count = ReadLe16(file, kPaletteCountOffset);
    const std::vector<std::uint16_t> entries = PaletteEntriesOf(file);
    info.palette.assign(entries.begin(), entries.end());
    if (info.palette.size() != count) {
        ShowMessage(msg::kPaletteCount);
        return false;
    }
    return true;
}

}  // namespace qm
