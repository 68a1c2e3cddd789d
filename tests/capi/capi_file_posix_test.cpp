// qm_texture_read_file and qm_palette_name against quillmere-cli pvz2png:
// for every folder of the table the file and palette the command reads
// (names in other letter cases among them), the same pixels, or the status
// that stands for the message it shows. POSIX only: Windows ignores case,
// and some rows' folders cannot exist there.
#include <gtest/gtest.h>

#include <filesystem>

#include "capi/capi_support.h"

namespace qm::test {
namespace {

// What a file of the table holds.
enum class Content { kTexture, kPlainTexture, kPalette, kEmpty, kFolder, kLongPalette };

struct FileRow {
    std::string name;  // path in the folder
    Content content;
};

struct PaletteFileRow {
    std::string name;
    std::vector<FileRow> files;
    std::string given;    // the path named
    qm_status status;     // QM_OK where pvz2png converts
    std::string message;  // pvz2png's message otherwise
    std::string palette;  // qm_palette_name's answer ("" for QM_ERROR_NOT_PVZ_NAME)
};

const std::vector<PaletteFileRow>& Rows() {
    using enum Content;
    static const std::vector<PaletteFileRow> rows = {
        {"same-case",
         {{"wall.pvz", kTexture}, {"wall.pvp", kPalette}},
         "wall.pvz",
         QM_OK,
         "",
         "wall.pvp"},
        {"upper", {{"S7.PVZ", kTexture}, {"S7.PVP", kPalette}}, "S7.PVZ", QM_OK, "", "S7.PVP"},
        {"upper-texture-lower-palette",
         {{"S7.PVZ", kTexture}, {"s7.pvp", kPalette}},
         "S7.PVZ",
         QM_OK,
         "",
         "s7.pvp"},
        {"lower-texture-upper-palette",
         {{"wall.pvz", kTexture}, {"WALL.PVP", kPalette}},
         "wall.pvz",
         QM_OK,
         "",
         "WALL.PVP"},
        {"texture-named-in-other-case",
         {{"WALL.PVZ", kTexture}, {"WALL.PVP", kPalette}},
         "wall.pvz",
         QM_OK,
         "",
         "WALL.PVP"},
        {"upper-extension-only",
         {{"wall.PVZ", kTexture}, {"wall.PVP", kPalette}},
         "wall.PVZ",
         QM_OK,
         "",
         "wall.PVP"},
        {"exact-name-wins",
         {{"wall.pvz", kTexture}, {"Wall.pvp", kPalette}, {"wall.pvp", kPalette}},
         "wall.pvz",
         QM_OK,
         "",
         "wall.pvp"},
        {"two-variants-none-chosen",
         {{"wall.pvz", kTexture}, {"Wall.pvp", kPalette}, {"WALL.PVP", kPalette}},
         "wall.pvz",
         QM_ERROR_PALETTE_MISSING,
         "ReadColorPalette pvpファイルの読み込みに失敗",
         "wall.pvp"},
        {"in-a-folder",
         {{"sub/S7.PVZ", kTexture}, {"sub/s7.pvp", kPalette}},
         "sub/S7.PVZ",
         QM_OK,
         "",
         "sub/s7.pvp"},
        {"plain-texture", {{"plain.pvz", kPlainTexture}}, "plain.pvz", QM_OK, "", "plain.pvp"},
        {"mixed-case-extension",
         {{"Wall.Pvz", kTexture}, {"Wall.Pvp", kPalette}},
         "Wall.Pvz",
         QM_ERROR_NOT_PVZ_NAME,
         "拡張子がpvzではない",
         ""},
        {"palette-missing",
         {{"wall.pvz", kTexture}},
         "wall.pvz",
         QM_ERROR_PALETTE_MISSING,
         "ReadColorPalette pvpファイルの読み込みに失敗",
         "wall.pvp"},
        {"palette-empty",
         {{"wall.pvz", kTexture}, {"wall.pvp", kEmpty}},
         "wall.pvz",
         QM_ERROR_PALETTE_SHORT,
         "ReadColorPalette エラー",
         "wall.pvp"},
        {"palette-a-folder",
         {{"wall.pvz", kTexture}, {"WALL.PVP", kFolder}},
         "wall.pvz",
         QM_ERROR_PALETTE_SHORT,
         "ReadColorPalette エラー",
         "WALL.PVP"},
        {"palette-too-long",
         {{"wall.pvz", kTexture}, {"wall.pvp", kLongPalette}},
         "wall.pvz",
         QM_ERROR_PALETTE_COUNT_MISMATCH,
         "ReadColorPalette パレット数がおかしい",
         "wall.pvp"},
        {"texture-missing",
         {},
         "gone.pvz",
         QM_ERROR_FILE_OPEN_FAILED,
         "ファイルの読み込みに失敗",
         "gone.pvp"},
        {"texture-empty",
         {{"wall.pvz", kEmpty}},
         "wall.pvz",
         QM_ERROR_FILE_READ_FAILED,
         "エラー",
         "wall.pvp"},
        // The command line takes a folder for the textures in it.
        {"texture-a-folder",
         {{"wall.pvz", kFolder}},
         "wall.pvz",
         QM_ERROR_FILE_READ_FAILED,
         "",
         "wall.pvp"},
    };
    return rows;
}

// Each palette file holds an entry of its own, so that the pixels tell
// which one was read.
Bytes ContentOf(const FileRow& file) {
    switch (file.content) {
        case Content::kTexture: {
            Bytes stream;
            AppendRecord1(stream, 0, 15);
            return Pvz(1, 7, 4, 4, stream);
        }
        case Content::kPlainTexture: {
            Bytes stream;
            AppendRecord2(stream, 0x1234, 15);
            return Pvz(1, 9, 4, 4, stream);
        }
        case Content::kPalette:
            return Palette({static_cast<std::uint16_t>(std::hash<std::string>{}(file.name))}, 1);
        case Content::kLongPalette:
            return Bytes(16 + 2 * 0x10000, 0);
        case Content::kEmpty:
        case Content::kFolder:
            break;
    }
    return {};
}

void MakeFiles(const TempDir& dir, const std::vector<FileRow>& files) {
    for (const FileRow& file : files) {
        if (file.content == Content::kFolder) {
            std::filesystem::create_directories(PathOf(dir / file.name));
        } else {
            WriteFile(dir / file.name, ContentOf(file));
        }
    }
}

// The PNG pvz2png wrote beside a texture, or "".
std::string PngBeside(const std::string& texture) {
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(texture).parent_path())) {
        if (entry.path().extension() == ".png") return Utf8(entry.path());
    }
    return "";
}

TEST(PosixCApiFile, ReadsTheFilesPvz2pngReads) {
    for (const PaletteFileRow& row : Rows()) {
        SCOPED_TRACE(row.name);
        const TempDir dir;
        MakeFiles(dir, row.files);
        const ProgramRun cli = Cli(dir, "pvz2png " + row.given);

        char name[512];
        std::size_t length = 0;
        const qm_status named =
            qm_palette_name((dir / row.given).c_str(), name, sizeof name, &length);
        if (row.palette.empty()) {
            EXPECT_EQ(named, QM_ERROR_NOT_PVZ_NAME);
        } else {
            ASSERT_EQ(named, QM_OK) << qm_status_text(named);
            EXPECT_EQ(std::string(name), dir / row.palette);
            EXPECT_EQ(length, (dir / row.palette).size());
        }

        qm_texture* raw = nullptr;
        const qm_status status = qm_texture_read_file((dir / row.given).c_str(), nullptr, &raw);
        const TexturePtr texture(raw);
        ASSERT_EQ(status, row.status) << qm_status_text(status);
        if (row.status != QM_OK) {
            EXPECT_EQ(raw, nullptr);
            EXPECT_NE(cli.status, 0);
            if (!row.message.empty()) {
                EXPECT_NE(cli.err.find(row.given + ": " + row.message + "\n"), std::string::npos)
                    << cli.err;
            }
            continue;
        }
        ASSERT_EQ(cli.status, 0) << cli.err;
        const std::string png = PngBeside(dir / row.given);
        ASSERT_FALSE(png.empty());
        const Bytes rgba(qm_texture_rgba(raw), qm_texture_rgba(raw) + 4 * 4 * 4);
        EXPECT_EQ(rgba, RgbaOfPng(png));
        if (qm_texture_data_format(raw) == 7) {
            // The entry read is the one of the palette file named.
            const Bytes pvp = ReadFile(dir / row.palette);
            EXPECT_EQ(qm_texture_palette_values(raw)[0], pvp[16] | (pvp[17] << 8));
        }
    }
}

}  // namespace
}  // namespace qm::test
