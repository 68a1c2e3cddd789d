#include "texture/palette_writer.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "platform/le_bytes.h"
#include "platform/message_sink.h"
#include "platform/messages.h"
#include "platform/utf8_path.h"
#include "texture/palette.h"
#include "texture/pvz_writer.h"
#include "texture/run_stream.h"

namespace qm {

namespace {

constexpr std::string_view kPaletteTag = "PVPL";

std::uint32_t ChunkSize(std::size_t count) {
    return static_cast<std::uint32_t>(kPaletteChunkBase + kPaletteEntrySize * count);
}

}  // namespace

std::vector<std::uint8_t> BuildPaletteBytes(std::span<const std::uint8_t> existing,
                                            std::uint8_t pixelFormat,
                                            std::span<const std::uint16_t> entries) {
    std::vector<std::uint8_t> bytes(kPaletteEntriesOffset + kPaletteEntrySize * entries.size(), 0);
    const std::span<std::uint8_t> out(bytes);
    if (existing.size() >= kPaletteKeptBytes) {
        std::copy_n(existing.begin(), kPaletteKeptBytes, out.begin());
        if (existing.size() >= kPaletteEntriesOffset &&
            ReadLe32(existing, kPaletteChunkSizeOffset) ==
                ChunkSize(ReadLe16(existing, kPaletteCountOffset))) {
            WriteLe32(out, kPaletteChunkSizeOffset, ChunkSize(entries.size()));
        }
    } else {
        std::copy(kPaletteTag.begin(), kPaletteTag.end(), out.begin());
        WriteLe32(out, kPaletteChunkSizeOffset, ChunkSize(entries.size()));
        out[kPaletteFormatOffset] = pixelFormat;
    }
    WriteLe16(out, kPaletteCountOffset, static_cast<std::uint16_t>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        WriteLe16(out, kPaletteEntriesOffset + kPaletteEntrySize * i, entries[i]);
    }
    return bytes;
}

PaletteTextureFiles::PaletteTextureFiles(const std::string& texturePath, std::string palettePath)
    : palettePath_(std::move(palettePath)), file_(texturePath), sink_(file_) {}

bool PaletteTextureFiles::Commit(std::span<const std::uint8_t> paletteBytes,
                                 const std::optional<std::vector<std::uint8_t>>& existing) {
    const bool unchanged = existing && std::ranges::equal(*existing, paletteBytes);
    const std::string& palettePath = palettePath_;
    AtomicFileWriter palette(palettePath);
    const bool written =
        file_.Finish() &&
        (unchanged || (palette.Open() && palette.Write(paletteBytes) && palette.Finish()));
    if (!written || (!unchanged && !palette.Commit())) {
        ShowMessage(msg::kCreateFailed);
        return false;
    }
    if (!file_.Commit()) {
        // Both or neither: the palette goes back to what it was.
        if (!unchanged) {
            if (existing) {
                WriteWholeFile(palettePath, *existing);
            } else {
                std::error_code ignored;
                std::filesystem::remove(PathFromUtf8(palettePath), ignored);
            }
        }
        ShowMessage(msg::kCreateFailed);
        return false;
    }
    return true;
}

}  // namespace qm
