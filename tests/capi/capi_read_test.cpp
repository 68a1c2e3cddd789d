// qm_texture_read against quillmere-cli pvz2png: for every texture of the
// table the same pixels as the PNG the command writes, or the status that
// stands for the message it shows.
#include <gtest/gtest.h>

#include "capi/capi_support.h"

namespace qm::test {
namespace {

struct ReadRow {
    std::string name;
    Bytes pvz;
    std::optional<Bytes> pvp;
    qm_status status;     // QM_OK where pvz2png converts
    std::string message;  // pvz2png's message otherwise
};

// 1-byte records of random indices below count, in maximal runs.
Bytes IndexStream(Random& random, std::size_t texels, std::uint32_t count) {
    Bytes stream;
    std::size_t i = 0;
    while (i < texels) {
        const auto run =
            std::min<std::size_t>({texels - i, 256, 1 + random.Below(5) * random.Below(70)});
        AppendRecord1(stream, static_cast<std::uint8_t>(random.Below(count)),
                      static_cast<std::uint8_t>(run - 1));
        i += run;
    }
    return stream;
}

std::vector<ReadRow> Rows() {
    std::vector<ReadRow> rows;
    Random random(20);
    const Bytes header = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0xcc};
    struct Shape {
        std::uint8_t df;
        std::int16_t w, h;
    };
    const Shape shapes[] = {{1, 1, 1},  {1, 2, 2}, {1, 8, 8},  {1, 16, 8},  {1, 8, 16},
                            {13, 4, 8}, {9, 5, 3}, {9, 1, 40}, {9, 64, 70}, {3, 128, 128}};
    for (std::uint8_t pf = 0; pf < 3; ++pf) {
        for (const Shape& s : shapes) {
            const std::string name = "pf" + std::to_string(pf) + "-df" + std::to_string(s.df) +
                                     "-" + std::to_string(s.w) + "x" + std::to_string(s.h);
            Bytes pvz = RandomTexture(random, pf, s.df, s.w, s.h, header);
            rows.push_back({name, pvz, std::nullopt, QM_OK, ""});
            // Cut short at a record's end: the rest is padded.
            if (pvz.size() > 36 + 3) {
                pvz.resize(36 + 3 * ((pvz.size() - 36) / 6));
                rows.push_back({name + "-short", pvz, std::nullopt, QM_OK, ""});
            }
        }
    }
    // Palette textures of each pixel format, whole and short.
    for (std::uint8_t pf = 0; pf < 3; ++pf) {
        std::vector<std::uint16_t> entries;
        for (int i = 0; i < 40; ++i) entries.push_back(static_cast<std::uint16_t>(random.Next()));
        const Bytes pvp = Palette(entries, 40);
        for (const auto& [w, h] : {std::pair{8, 8}, {16, 8}, {4, 8}, {64, 64}}) {
            const std::string name = "palette-pf" + std::to_string(pf) + "-" + std::to_string(w) +
                                     "x" + std::to_string(h);
            const Bytes stream = IndexStream(random, static_cast<std::size_t>(w * h), 40);
            rows.push_back({name,
                            Pvz(pf, 7, static_cast<std::int16_t>(w), static_cast<std::int16_t>(h),
                                stream, header),
                            pvp, QM_OK, ""});
            const Bytes cut(stream.begin(),
                            stream.begin() + static_cast<std::ptrdiff_t>(2 * (stream.size() / 4)));
            rows.push_back({name + "-short",
                            Pvz(pf, 7, static_cast<std::int16_t>(w), static_cast<std::int16_t>(h),
                                cut, header),
                            pvp, QM_OK, ""});
        }
    }
    // Every status a damaged texture reaches, with pvz2png's message.
    Bytes one2, one1, many;
    AppendRecord2(one2, 0x1234, 0);
    AppendRecord1(one1, 0, 3);
    AppendRecord2(many, 0x1234, 255);
    Bytes beyond;
    AppendRecord1(beyond, 1, 3);
    const Bytes onePalette = Palette({0x8000}, 1);
    rows.push_back(
        {"short-header", Bytes(35, 0), std::nullopt, QM_ERROR_HEADER_TOO_SHORT, "エラー"});
    rows.push_back({"too-large", Pvz(1, 9, 32767, 32767, one2), std::nullopt,
                    QM_ERROR_PICTURE_TOO_LARGE, "画像が大きすぎます"});
    rows.push_back({"unknown-pixel-format", Pvz(3, 9, 2, 2, one2), std::nullopt,
                    QM_ERROR_UNKNOWN_PIXEL_FORMAT, "カラー情報がおかしい"});
    rows.push_back({"unknown-pixel-format-1byte", Pvz(3, 7, 2, 2, one1), onePalette,
                    QM_ERROR_UNKNOWN_PIXEL_FORMAT, "ReadColorData1Byte カラー情報がおかしい"});
    rows.push_back({"too-many-texels", Pvz(1, 9, 2, 2, many), std::nullopt,
                    QM_ERROR_TOO_MANY_TEXELS, "ReadColorData2Byte 展開できません"});
    rows.push_back({"too-many-texels-1byte", Pvz(1, 7, 2, 1, one1), onePalette,
                    QM_ERROR_TOO_MANY_TEXELS, "ReadColorData1Byte 展開できません"});
    rows.push_back({"palette-missing", Pvz(1, 7, 2, 2, one1), std::nullopt,
                    QM_ERROR_PALETTE_MISSING, "ReadColorPalette pvpファイルの読み込みに失敗"});
    rows.push_back({"palette-short", Pvz(1, 7, 2, 2, one1), Bytes(15, 0), QM_ERROR_PALETTE_SHORT,
                    "ReadColorPalette エラー"});
    rows.push_back({"palette-count", Pvz(1, 7, 2, 2, one1), Palette({1, 2}, 3),
                    QM_ERROR_PALETTE_COUNT_MISMATCH, "ReadColorPalette パレット数がおかしい"});
    rows.push_back({"palette-too-long", Pvz(1, 7, 2, 2, one1), Bytes(16 + 2 * 0x10000, 0),
                    QM_ERROR_PALETTE_COUNT_MISMATCH, "ReadColorPalette パレット数がおかしい"});
    rows.push_back({"index-beyond-palette", Pvz(1, 7, 2, 2, beyond), onePalette,
                    QM_ERROR_INDEX_BEYOND_PALETTE, "ReadColorData1Byte パレット番号がおかしい"});
    rows.push_back({"not-placeable", Pvz(1, 1, 6, 6, one2), std::nullopt,
                    QM_ERROR_SHAPE_NOT_PLACEABLE, "CreatePng サポートしてません"});
    rows.push_back({"zero-width-rows", Pvz(1, 9, 0, 4, {}), std::nullopt,
                    QM_ERROR_SHAPE_NOT_PLACEABLE, "CreatePng サポートしてません"});
    rows.push_back({"negative-sides", Pvz(1, 1, -4, -4, {}), std::nullopt,
                    QM_ERROR_SHAPE_NOT_PLACEABLE, "CreatePng サポートしてません"});
    return rows;
}

TEST(CApiRead, GivesThePixelsAndRefusalsOfPvz2png) {
    for (const ReadRow& row : Rows()) {
        SCOPED_TRACE(row.name);
        const TempDir dir;
        WriteFile(dir / "t.pvz", row.pvz);
        if (row.pvp) WriteFile(dir / "t.pvp", *row.pvp);
        const ProgramRun cli = Cli(dir, "pvz2png t.pvz");

        qm_texture* raw = nullptr;
        const qm_status status =
            qm_texture_read(row.pvz.data(), row.pvz.size(), row.pvp ? row.pvp->data() : nullptr,
                            row.pvp ? row.pvp->size() : 0, &raw);
        const TexturePtr texture(raw);
        ASSERT_EQ(status, row.status) << qm_status_text(status);
        if (row.status != QM_OK) {
            EXPECT_EQ(raw, nullptr);
            EXPECT_NE(cli.status, 0);
            EXPECT_NE(cli.err.find("t.pvz: " + row.message + "\n"), std::string::npos) << cli.err;
            continue;
        }
        ASSERT_EQ(cli.status, 0) << cli.err;
        const std::string png = FileEndingIn(dir, ".png");
        ASSERT_FALSE(png.empty());
        const int width = qm_texture_width(raw);
        const int height = qm_texture_height(raw);
        const Bytes rgba(qm_texture_rgba(raw), qm_texture_rgba(raw) + 4 * width * height);
        EXPECT_EQ(rgba, RgbaOfPng(png));
        EXPECT_EQ(Bytes(qm_texture_header(raw), qm_texture_header(raw) + 12),
                  Bytes(row.pvz.begin() + 8, row.pvz.begin() + 20));
        EXPECT_EQ(qm_texture_pixel_format(raw), row.pvz[28]);
        EXPECT_EQ(qm_texture_data_format(raw), row.pvz[29]);
        // The PNG's name carries the same fields.
        char name[256];
        ASSERT_EQ(qm_png_name_build("t.pvz", qm_texture_header(raw), qm_texture_pixel_format(raw),
                                    qm_texture_data_format(raw), name, sizeof name, nullptr),
                  QM_OK);
        EXPECT_EQ(dir / name, png);
        // Padded texels are transparent black and counted.
        std::uint64_t clear = 0;
        for (std::size_t i = 0; i < rgba.size(); i += 4) {
            clear += rgba[i] == 0 && rgba[i + 1] == 0 && rgba[i + 2] == 0 && rgba[i + 3] == 0;
        }
        EXPECT_LE(qm_texture_padded_texels(raw), clear);
        EXPECT_EQ(qm_texture_padded_texels(raw) > 0, row.name.ends_with("-short"));
        if (row.pvz[29] != 7) {
            EXPECT_EQ(qm_texture_palette_count(raw), 0u);
            EXPECT_EQ(qm_texture_indices(raw), nullptr);
            continue;
        }
        // A palette texture's pixels are its entries at its indices.
        const std::size_t count = qm_texture_palette_count(raw);
        ASSERT_EQ(count, (row.pvp->size() - 16) / 2);
        const std::uint16_t* indices = qm_texture_indices(raw);
        std::uint64_t none = 0;
        for (int i = 0; i < width * height; ++i) {
            const std::uint8_t* pixel = &rgba[4 * static_cast<std::size_t>(i)];
            if (indices[i] == QM_INDEX_NONE) {
                ++none;
                EXPECT_EQ(Bytes(pixel, pixel + 4), Bytes(4, 0));
                continue;
            }
            ASSERT_LT(indices[i], count);
            const std::uint8_t* entry = qm_texture_palette_rgba(raw) + 4 * indices[i];
            EXPECT_EQ(Bytes(pixel, pixel + 4), Bytes(entry, entry + 4));
        }
        EXPECT_EQ(none, qm_texture_padded_texels(raw));
        EXPECT_EQ(qm_texture_palette_values(raw)[0], (*row.pvp)[16] | ((*row.pvp)[17] << 8));
    }
}

}  // namespace
}  // namespace qm::test
