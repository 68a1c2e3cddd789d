// qm_texture_write against quillmere-cli png2pvz: for every picture and
// option of the table the same .pvz (and .pvp) bytes as the command writes
// from the PNG, or the status that stands for the message it shows.
#include <gtest/gtest.h>

#include "capi/capi_support.h"
#include "platform/png_file.h"
#include "platform/png_indexed.h"

namespace qm::test {
namespace {

struct WriteRow {
    std::string name;
    int width, height;
    std::uint8_t pf, df;
    std::string flags;  // png2pvz's options, as typed
    qm_write_options options;
    int levels = 4;                   // colour levels per channel
    bool opaque24 = false;            // an RGB PNG
    int paletteEntries = 0;           // a palette PNG of that many entries
    std::optional<Bytes> existing{};  // the .pvp beside it
    qm_status status = QM_OK;
    std::string message{};  // png2pvz's message for a refusal
};

const std::uint8_t kHeader[12] = {0x08, 0, 0, 0, 0x01, 0, 0, 0, 0x5a, 0, 0x0f, 0xf0};

qm_write_options Options(std::uint8_t pf, std::uint8_t df, int keep = 0, int colors = 0,
                         int dither = 0, int threshold = -1) {
    qm_write_options o;
    qm_write_options_init(&o);
    o.pixel_format = pf;
    o.data_format = df;
    std::copy(std::begin(kHeader), std::end(kHeader), o.header);
    o.keep_palette = keep;
    o.colors = colors;
    o.dither = dither;
    o.alpha_threshold = threshold;
    return o;
}

std::vector<WriteRow> Rows() {
    std::vector<WriteRow> rows;
    struct Shape {
        std::uint8_t df;
        int w, h;
    };
    const Shape shapes[] = {{1, 8, 8}, {1, 16, 8}, {1, 8, 16},  {13, 2, 4},
                            {9, 5, 3}, {9, 1, 40}, {9, 70, 64}, {1, 128, 128}};
    for (std::uint8_t pf = 0; pf < 3; ++pf) {
        for (const Shape& s : shapes) {
            const std::string name = "pf" + std::to_string(pf) + "-df" + std::to_string(s.df) +
                                     "-" + std::to_string(s.w) + "x" + std::to_string(s.h);
            rows.push_back({name, s.w, s.h, pf, s.df, "", Options(pf, s.df)});
            rows.push_back(
                {name + "-dither", s.w, s.h, pf, s.df, "--dither", Options(pf, s.df, 0, 0, 1), 7});
            WriteRow opaque{name + "-rgb", s.w, s.h, pf, s.df, "", Options(pf, s.df)};
            opaque.opaque24 = true;
            rows.push_back(opaque);
        }
        rows.push_back({"pf" + std::to_string(pf) + "-threshold", 16, 16, pf, 1,
                        "--alpha-threshold 100", Options(pf, 1, 0, 0, 0, 100)});
        // Code 7 without --keep-palette: rows of 2-byte colours, a notice.
        rows.push_back(
            {"pf" + std::to_string(pf) + "-df7-as-rows", 6, 5, pf, 7, "", Options(pf, 7)});
        // Palette textures: from colours, quantised, dithered, with an
        // existing palette, from a palette PNG.
        rows.push_back(
            {"palette-few-colours", 8, 8, pf, 7, "--keep-palette", Options(pf, 7, 1), 2});
        rows.push_back({"palette-quantised", 16, 16, pf, 7, "--keep-palette --colors 16",
                        Options(pf, 7, 1, 16), 6});
        rows.push_back({"palette-dithered", 16, 8, pf, 7, "--keep-palette --colors 8 --dither",
                        Options(pf, 7, 1, 8, 1), 6});
        WriteRow kept{"palette-existing", 8, 16, pf, 7, "--keep-palette", Options(pf, 7, 1), 3};
        kept.existing = Palette({0x1234, 0x8000, 0xffff, 0x7c00, 0x03e0}, 5);
        rows.push_back(kept);
        WriteRow png{"palette-png", 16, 16, pf, 7, "--keep-palette", Options(pf, 7, 1)};
        png.paletteEntries = 12;
        rows.push_back(png);
        WriteRow pngFewer{"palette-png-colors", 16, 16, pf, 7, "--keep-palette --colors 4",
                          Options(pf, 7, 1, 4)};
        pngFewer.paletteEntries = 12;
        rows.push_back(pngFewer);
    }
    WriteRow threshold{"palette-threshold",      8, 8, 0, 7, "--keep-palette --alpha-threshold 1",
                       Options(0, 7, 1, 0, 0, 1)};
    threshold.paletteEntries = 5;
    rows.push_back(threshold);
    // Every status a picture reaches, with png2pvz's message.
    auto refused = [&](std::string name, int w, int h, std::uint8_t pf, std::uint8_t df,
                       qm_status status, std::string message) {
        WriteRow row{std::move(name), w, h, pf, df, "", Options(pf, df)};
        row.status = status;
        row.message = std::move(message);
        rows.push_back(row);
    };
    refused("square-side", 6, 6, 1, 1, QM_ERROR_SIDE_NOT_POWER_OF_TWO, "2^n乗の正方形じゃない");
    refused("square-one", 1, 1, 1, 1, QM_ERROR_SIDE_NOT_POWER_OF_TWO, "2^n乗の正方形じゃない");
    refused("width", 6, 3, 1, 1, QM_ERROR_WIDTH_NOT_POWER_OF_TWO, "画像の幅が2^n乗ではない");
    refused("height", 8, 6, 1, 1, QM_ERROR_HEIGHT_NOT_POWER_OF_TWO, "画像の高さが2^n乗ではない");
    refused("ratio", 8, 2, 1, 1, QM_ERROR_BAD_ASPECT_RATIO,
            "GetPngColor_SquEX 幅と高さの比が1:2 or 2:1ではない");
    refused("pixel-format", 4, 4, 3, 9, QM_ERROR_UNKNOWN_PIXEL_FORMAT, "ColorEncode エラー");
    refused("palette-pixel-format", 4, 4, 3, 7, QM_ERROR_UNKNOWN_PIXEL_FORMAT,
            "ColorEncode エラー");
    rows.back().flags = "--keep-palette";
    rows.back().options.keep_palette = 1;
    refused("palette-shape", 4, 2, 1, 7, QM_ERROR_BAD_ASPECT_RATIO,
            "GetPngColor_SquEX 幅と高さの比が1:2 or 2:1ではない");
    rows.back().flags = "--keep-palette";
    rows.back().options.keep_palette = 1;
    rows.back().width = 8;
    return rows;
}

std::string HexName(const WriteRow& row) {
    char codes[8];
    std::snprintf(codes, sizeof codes, "%.2x%.2x", row.pf, row.df);
    std::string name = "t_";
    for (const std::uint8_t b : kHeader) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%.2x", b);
        name += pair;
    }
    return name + codes + ".png";
}

// Writes the row's PNG into dir and gives its pixels as R G B A bytes, and
// for a palette PNG its indices and palette.
Bytes WritePng(const WriteRow& row, const std::string& path, Random& random, Bytes& indices,
               Bytes& paletteRgba) {
    Bytes rgba = RandomRgba(random, row.width, row.height, row.levels);
    if (row.paletteEntries > 0) {
        std::vector<PngPaletteEntry> entries;
        for (int i = 0; i < row.paletteEntries; ++i) {
            const ArgbColor c = random.Color();
            entries.push_back({static_cast<std::uint8_t>(c.red), static_cast<std::uint8_t>(c.green),
                               static_cast<std::uint8_t>(c.blue),
                               static_cast<std::uint8_t>(i % 4 == 0 ? 255 : c.alpha)});
            paletteRgba.insert(paletteRgba.end(), {entries.back().red, entries.back().green,
                                                   entries.back().blue, entries.back().alpha});
        }
        indices.clear();
        for (int i = 0; i < row.width * row.height; ++i) {
            const auto index = static_cast<std::uint8_t>(
                random.Below(static_cast<std::uint32_t>(row.paletteEntries)));
            indices.push_back(index);
            std::copy_n(&paletteRgba[4u * index], 4, &rgba[4 * static_cast<std::size_t>(i)]);
        }
        EXPECT_TRUE(SaveIndexedPng(
            path, row.width, row.height, entries, [&](int y, std::span<std::uint8_t> line) {
                std::copy_n(&indices[static_cast<std::size_t>(y * row.width)], line.size(),
                            line.begin());
            }));
        return rgba;
    }
    std::vector<ArgbColor> pixels;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        if (row.opaque24) rgba[i + 3] = 255;
        pixels.push_back({rgba[i + 3], rgba[i], rgba[i + 1], rgba[i + 2]});
    }
    EXPECT_TRUE(
        SavePngFile(SurfaceOf(row.width, row.height, row.opaque24 ? 24 : 32, pixels), path));
    return rgba;
}

TEST(CApiWrite, GivesTheBytesAndRefusalsOfPng2pvz) {
    Random random(7);
    for (const WriteRow& row : Rows()) {
        SCOPED_TRACE(row.name + " pf " + std::to_string(row.pf));
        const TempDir dir;
        const std::string png = HexName(row);
        Bytes indices, paletteRgba;
        const Bytes rgba = WritePng(row, dir / png, random, indices, paletteRgba);
        if (row.existing) WriteFile(dir / "t.pvp", *row.existing);
        const ProgramRun cli = Cli(dir, "png2pvz " + row.flags + " " + png);

        qm_write_options options = row.options;
        qm_write_report report{sizeof(qm_write_report), 0, 0};
        options.report = &report;
        if (row.existing) {
            options.existing_pvp = row.existing->data();
            options.existing_pvp_size = row.existing->size();
        }
        if (row.paletteEntries > 0) {
            options.source_indices = indices.data();
            options.source_palette_rgba = paletteRgba.data();
            options.source_palette_count = static_cast<std::size_t>(row.paletteEntries);
        }
        Buffer pvz, pvp;
        const qm_status status =
            qm_texture_write(rgba.data(), row.width, row.height,
                             4u * static_cast<std::size_t>(row.width), &options, &pvz.b, &pvp.b);
        ASSERT_EQ(status, row.status) << qm_status_text(status);
        if (row.status != QM_OK) {
            EXPECT_EQ(pvz.b.data, nullptr);
            EXPECT_NE(cli.status, 0);
            EXPECT_NE(cli.err.find(": " + row.message + "\n"), std::string::npos) << cli.err;
            continue;
        }
        ASSERT_EQ(cli.status, 0) << cli.err;
        EXPECT_EQ(pvz.bytes(), ReadFile(dir / "t.pvz"));
        const bool palette = row.df == 7 && row.options.keep_palette != 0;
        EXPECT_EQ(report.data_format, palette ? 7 : row.df == 7 ? 9 : row.df);
        if (palette) {
            EXPECT_EQ(pvp.bytes(), ReadFile(dir / "t.pvp"));
        } else {
            EXPECT_EQ(pvp.b.data, nullptr);
        }
        // RGB565 has no alpha: every pixel not opaque was made opaque. (As
        // png2pvz counts them: after dithering, which has made them opaque.)
        std::uint64_t notOpaque = 0;
        for (std::size_t i = 3; i < rgba.size(); i += 4) notOpaque += rgba[i] != 255;
        const bool counted = row.pf == 1 && !palette && row.options.dither == 0;
        EXPECT_EQ(report.made_opaque, counted ? notOpaque : 0);
    }
}

}  // namespace
}  // namespace qm::test
