// A name that does not exist stands for the one entry of its folder that
// differs only in ASCII letter case: the file named, the palette, the output.
// On case-sensitive file systems only: Windows finds the file itself, under
// the name as typed.
#include "platform/name_case.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "convert/png_to_pvz.h"
#include "support/png_bytes.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

// "#" stands for the header digits of the PNG names.
std::string Expand(const char* text) {
    return std::regex_replace(text, std::regex("#"), kHeaderText);
}

Texts Words(const char* text) {
    std::istringstream in(Expand(text));
    return Texts(std::istream_iterator<std::string>(in), {});
}

TEST(PosixNameCase, ANameStandsForItsOneCaseVariant) {
    const struct {
        const char* files;   // "7" in a texture's name: palette indices
        const char* named;   // a .pvz: pvz2png; a PNG: png2pvz
        const char* result;  // the file written, or the message
        const char* after;   // the folder afterwards
    } rows[] = {
        {"STONE.PVZ", "stone.pvz", "STONE_#0109.png", "STONE.PVZ STONE_#0109.png"},
        {"S7.PVZ S7.PVP", "S7.PVZ", "S7_#0107.png", "S7.PVP S7.PVZ S7_#0107.png"},
        {"STONE.PVZ STONE_#0109.PNG", "STONE.PVZ", "STONE_#0109.PNG", "STONE.PVZ STONE_#0109.PNG"},
        {"STONE.PVZ stone_#0109.PNG", "STONE_#0109.png", "STONE.PVZ", "STONE.PVZ stone_#0109.PNG"},
        {"Stone.pvz STONE.PVZ", "stone.pvz", "ファイルの読み込みに失敗", "STONE.PVZ Stone.pvz"},
        {"S7.pvz s7.pvp S7.PVP", "S7.pvz", "ReadColorPalette pvpファイルの読み込みに失敗",
         "S7.PVP S7.pvz s7.pvp"},
        {"STONE.Pvz", "stone.pvz", "拡張子がpvzではない", "STONE.Pvz"},
    };
    for (std::size_t run = 0; run < 2 * std::size(rows); ++run) {
        const auto& row = rows[run / 2];  // each once more as a batch looks, listings kept
        std::optional<ScopedFolderListings> batch;
        if (run % 2 == 1) batch.emplace();
        SCOPED_TRACE(row.named);
        TempDir dir;
        for (const std::string& name : Words(row.files)) {
            const char kind = static_cast<char>(std::tolower(name.back()));
            WriteFile(dir / name, kind == 'g'      ? PngOfPixels(2, 2, std::vector<ArgbColor>(4))
                                  : kind == 'p'    ? Palette({0xF800}, 1)
                                  : name[1] == '7' ? Pvz(1, 7, 2, 2, {0, 3}, kHeaderBytes)
                                                   : Pvz(1, 9, 2, 2, {0, 0xF8, 3}, kHeaderBytes));
        }
        const std::string named = Expand(row.named);
        const Outcome out =
            std::tolower(named.back()) == 'z' ? PvzToPng(dir / named) : PngToPvz(dir / named);
        EXPECT_EQ(out.shown, out.ok ? Texts{} : Texts{Expand(row.result)});
        EXPECT_EQ(out.written, out.ok ? dir / Expand(row.result) : "");
        EXPECT_EQ(dir.List(), Words(row.after));
    }
}

// Putting a palette picture back with its palette: the palette that is read
// is the one that is replaced, under its own name, whatever the case of the
// names, and the texture then reads as the picture that was put back.
TEST(PosixNameCase, AKeptPaletteIsReplacedUnderItsOwnName) {
    const struct {
        const char* files;  // besides the PNG
        const char* png;
        const char* after;
    } rows[] = {
        {"s7.pvz s7.pvp", "s7_#0107.png", "s7.pvp s7.pvz s7_#0107.png"},
        {"S7.PVZ S7.PVP", "S7_#0107.png", "S7.PVP S7.PVZ S7_#0107.png"},
        {"s7.pvz S7.pvp", "s7_#0107.png", "S7.pvp s7.pvz s7_#0107.png"},
        {"S7.pvz s7.PVP", "S7_#0107.png", "S7.pvz S7_#0107.png s7.PVP"},
        {"S7.PVZ", "S7_#0107.png", "S7.PVP S7.PVZ S7_#0107.png"},
        {"s7.pvz", "s7_#0107.png", "s7.pvp s7.pvz s7_#0107.png"},
        {"", "S7_#0107.PNG", "S7.pvp S7.pvz S7_#0107.PNG"},
    };
    // Red and blue over an old palette of green and black: both are replaced.
    const std::vector<ArgbColor> picture = {
        {255, 255, 0, 0}, {255, 0, 0, 255}, {255, 0, 0, 255}, {255, 255, 0, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.files);
        TempDir dir;
        for (const std::string& name : Words(row.files)) {
            const bool palette = std::tolower(name.back()) == 'p';
            WriteFile(dir / name,
                      palette ? Palette({0x07E0, 0}, 2) : Pvz(1, 7, 2, 2, {0, 3}, kHeaderBytes));
        }
        const std::string png = dir / Expand(row.png);
        WriteFile(png, PngOfPixels(2, 2, picture));
        std::string path = png;
        ConversionOptions options;
        options.keepPalette = true;
        ConversionReport report;
        CapturedMessages messages;
        ASSERT_TRUE(ConvertPngToPvz(path, options, report))
            << testing::PrintToString(messages.shown);
        EXPECT_EQ(dir.List(), Words(row.after));

        // Out again: the texture and the palette that was written agree.
        std::string texture = report.written;
        std::filesystem::remove(png);
        const Outcome out = PvzToPng(texture);
        ASSERT_TRUE(out.ok) << testing::PrintToString(out.shown);
        EXPECT_EQ(PixelsOf(out.written), picture);
    }
}

}  // namespace
}  // namespace qm::test
