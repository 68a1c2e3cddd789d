#include "texture/palette.h"

#include <vector>

#include "platform/file_io.h"
#include "platform/le_bytes.h"
#include "platform/message_sink.h"
#include "platform/messages.h"
#include "platform/name_case.h"

namespace qm {

std::string PalettePathFor(const std::string& texturePath) {
    std::string path = texturePath;
    const std::size_t at = path.rfind(".pvz");
    if (at != std::string::npos) {
        path.replace(at, 4, ".pvp");
    }
    return path;
}

std::vector<std::uint16_t> PaletteEntriesOf(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint16_t> entries;
    for (std::size_t p = kPaletteEntriesOffset; p + kPaletteEntrySize <= bytes.size();
         p += kPaletteEntrySize) {
        entries.push_back(ReadLe16(bytes, p));
    }
    return entries;
}

bool ReadColorPalette(TextureInfo& info) {
    // Longer files hold more entries than any count can announce.
    constexpr std::uint64_t kLongestUseful =
        kPaletteEntriesOffset + kPaletteEntrySize * kMaxPaletteEntries + 1;
    std::vector<std::uint8_t> bytes;
    // "STONE.PVP" serves a "STONE.pvz" whose "STONE.pvp" does not exist.
    switch (
        ReadWholeFile(ResolveNameCase(PalettePathFor(info.texturePath)), bytes, kLongestUseful)) {
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
