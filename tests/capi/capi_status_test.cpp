// Every qm_status from a hostile input or argument: a table of input and
// status, for reading, writing and names, with each status's text.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

#include "capi/capi_support.h"
#include "support/child_process.h"

namespace qm::test {
namespace {

struct StatusRow {
    std::string name;
    std::function<qm_status()> call;
    qm_status status;
};

qm_status Read(const Bytes& pvz, const Bytes* pvp = nullptr, const qm_limits* limits = nullptr) {
    qm_texture* texture = nullptr;
    const qm_status status =
        qm_texture_read_with_limits(pvz.data(), pvz.size(), pvp ? pvp->data() : nullptr,
                                    pvp ? pvp->size() : 0, limits, &texture);
    EXPECT_EQ(status == QM_OK, texture != nullptr);
    qm_texture_free(texture);
    return status;
}

qm_status Write(int width, int height, qm_write_options options, std::size_t stride = 0,
                bool withPvp = true) {
    const Bytes rgba(4 * static_cast<std::size_t>(std::max(1, width)) *
                         static_cast<std::size_t>(std::max(1, height)),
                     0x80);
    Buffer pvz, pvp;
    const qm_status status =
        qm_texture_write(rgba.data(), width, height,
                         stride != 0 ? stride : 4u * static_cast<std::size_t>(std::max(1, width)),
                         &options, &pvz.b, withPvp ? &pvp.b : nullptr);
    EXPECT_EQ(status == QM_OK, pvz.b.data != nullptr);
    return status;
}

qm_write_options Opts(std::uint8_t pf, std::uint8_t df) {
    qm_write_options o;
    qm_write_options_init(&o);
    o.pixel_format = pf;
    o.data_format = df;
    return o;
}

template <class Change>
qm_write_options With(qm_write_options o, Change&& change) {
    change(o);
    return o;
}

qm_limits Limits(std::uint64_t pixels, std::uint64_t fileSize) {
    qm_limits limits;
    qm_limits_init(&limits);
    limits.max_pixels = pixels;
    limits.max_file_size = fileSize;
    return limits;
}

std::vector<StatusRow> Rows() {
    Bytes one2, one1, many, beyond;
    AppendRecord2(one2, 0x1234, 0);
    AppendRecord1(one1, 0, 3);
    AppendRecord2(many, 0x1234, 255);
    AppendRecord1(beyond, 1, 3);
    static const Bytes ok = Pvz(1, 9, 2, 2, one2);
    static const Bytes paletteTexture = Pvz(1, 7, 2, 2, one1);
    static const Bytes onePalette = Palette({0x8000}, 1);
    static const Bytes shortPalette(15, 0);
    static const Bytes wrongCount = Palette({1, 2}, 3);
    static const Bytes indexBeyond = Pvz(1, 7, 2, 2, beyond);
    static const Bytes unknown = Pvz(3, 9, 2, 2, one2);
    static const Bytes tooMany = Pvz(1, 9, 2, 2, many);
    static const Bytes huge = Pvz(1, 9, 32767, 32767, one2);
    static const Bytes notPlaceable = Pvz(1, 1, 6, 6, one2);
    static const qm_limits fourPixels = Limits(3, 0);
    static const qm_limits shortFiles = Limits(0, 38);
    static qm_limits badLimits = Limits(0, 0);
    badLimits.struct_size = 0;
    char text[64];
    std::uint8_t header[12] = {};
    std::uint8_t pf = 0, df = 0;
    return {
        {"read ok", [] { return Read(ok); }, QM_OK},
        {"read null out", [] { return qm_texture_read(ok.data(), ok.size(), nullptr, 0, nullptr); },
         QM_ERROR_INVALID_ARGUMENT},
        {"read null bytes",
         [] {
             qm_texture* t = nullptr;
             return qm_texture_read(nullptr, 5, nullptr, 0, &t);
         },
         QM_ERROR_INVALID_ARGUMENT},
        {"read limits struct_size", [] { return Read(ok, nullptr, &badLimits); },
         QM_ERROR_INVALID_ARGUMENT},
        {"file too large", [] { return Read(ok, nullptr, &shortFiles); }, QM_ERROR_FILE_TOO_LARGE},
        {"header too short", [] { return Read(Bytes(35, 0)); }, QM_ERROR_HEADER_TOO_SHORT},
        {"empty", [] { return Read(Bytes{}); }, QM_ERROR_HEADER_TOO_SHORT},
        {"picture too large", [] { return Read(huge); }, QM_ERROR_PICTURE_TOO_LARGE},
        {"picture beyond the caller's limit", [] { return Read(ok, nullptr, &fourPixels); },
         QM_ERROR_PICTURE_TOO_LARGE},
        {"unknown pixel format", [] { return Read(unknown); }, QM_ERROR_UNKNOWN_PIXEL_FORMAT},
        {"too many texels", [] { return Read(tooMany); }, QM_ERROR_TOO_MANY_TEXELS},
        {"palette missing", [] { return Read(paletteTexture); }, QM_ERROR_PALETTE_MISSING},
        {"palette short", [] { return Read(paletteTexture, &shortPalette); },
         QM_ERROR_PALETTE_SHORT},
        {"palette count", [] { return Read(paletteTexture, &wrongCount); },
         QM_ERROR_PALETTE_COUNT_MISMATCH},
        {"index beyond palette", [] { return Read(indexBeyond, &onePalette); },
         QM_ERROR_INDEX_BEYOND_PALETTE},
        {"shape not placeable", [] { return Read(notPlaceable); }, QM_ERROR_SHAPE_NOT_PLACEABLE},

        {"write ok", [] { return Write(4, 4, Opts(1, 9)); }, QM_OK},
        {"write null options",
         [] {
             const std::uint8_t rgba[4] = {};
             qm_buffer pvz;
             return qm_texture_write(rgba, 1, 1, 4, nullptr, &pvz, nullptr);
         },
         QM_ERROR_INVALID_ARGUMENT},
        {"write null pvz",
         [] {
             const std::uint8_t rgba[4] = {};
             const qm_write_options o = Opts(1, 9);
             return qm_texture_write(rgba, 1, 1, 4, &o, nullptr, nullptr);
         },
         QM_ERROR_INVALID_ARGUMENT},
        {"write struct_size",
         [] {
             return Write(4, 4, With(Opts(1, 9), [](qm_write_options& o) { o.struct_size = 8; }));
         },
         QM_ERROR_INVALID_ARGUMENT},
        {"write stride", [] { return Write(4, 4, Opts(1, 9), 15); }, QM_ERROR_INVALID_ARGUMENT},
        {"write zero width", [] { return Write(0, 4, Opts(1, 9)); }, QM_ERROR_INVALID_ARGUMENT},
        {"write colors",
         [] {
             return Write(4, 4, With(Opts(1, 7), [](qm_write_options& o) {
                              o.keep_palette = 1;
                              o.colors = 1;
                          }));
         },
         QM_ERROR_INVALID_ARGUMENT},
        {"write threshold",
         [] {
             return Write(4, 4,
                          With(Opts(0, 9), [](qm_write_options& o) { o.alpha_threshold = 256; }));
         },
         QM_ERROR_INVALID_ARGUMENT},
        {"write palette without pvp buffer",
         [] {
             return Write(4, 4, With(Opts(1, 7), [](qm_write_options& o) { o.keep_palette = 1; }),
                          0, false);
         },
         QM_ERROR_INVALID_ARGUMENT},
        {"write source index beyond its palette",
         [] {
             static const Bytes indices(16, 3);
             static const Bytes palette(12, 0);
             return Write(4, 4, With(Opts(1, 7), [](qm_write_options& o) {
                              o.keep_palette = 1;
                              o.source_indices = indices.data();
                              o.source_palette_rgba = palette.data();
                              o.source_palette_count = 3;
                          }));
         },
         QM_ERROR_INVALID_ARGUMENT},
        {"write too large", [] { return Write(40000, 1, Opts(1, 9)); }, QM_ERROR_PICTURE_TOO_LARGE},
        {"write beyond the caller's limit",
         [] {
             return Write(4, 4,
                          With(Opts(1, 9), [](qm_write_options& o) { o.limits = &fourPixels; }));
         },
         QM_ERROR_PICTURE_TOO_LARGE},
        {"write unknown pixel format", [] { return Write(4, 4, Opts(3, 9)); },
         QM_ERROR_UNKNOWN_PIXEL_FORMAT},
        {"write square side", [] { return Write(6, 6, Opts(1, 1)); },
         QM_ERROR_SIDE_NOT_POWER_OF_TWO},
        {"write width", [] { return Write(6, 3, Opts(1, 1)); }, QM_ERROR_WIDTH_NOT_POWER_OF_TWO},
        {"write height", [] { return Write(8, 6, Opts(1, 1)); }, QM_ERROR_HEIGHT_NOT_POWER_OF_TWO},
        {"write ratio", [] { return Write(8, 2, Opts(1, 1)); }, QM_ERROR_BAD_ASPECT_RATIO},

        {"png name",
         [=]() mutable {
             return qm_png_name_parse("wall_1.png", header, &pf, &df, text, sizeof text, nullptr);
         },
         QM_ERROR_BAD_PNG_NAME},
        {"png name null",
         [=]() mutable {
             return qm_png_name_parse(nullptr, header, &pf, &df, text, sizeof text, nullptr);
         },
         QM_ERROR_INVALID_ARGUMENT},
        {"pvz name",
         [=]() mutable {
             return qm_png_name_build("wall.png", header, 1, 9, text, sizeof text, nullptr);
         },
         QM_ERROR_NOT_PVZ_NAME},
        {"name buffer",
         [=]() mutable { return qm_png_name_build("wall.pvz", header, 1, 9, text, 37, nullptr); },
         QM_ERROR_BUFFER_TOO_SMALL},
    };
}

TEST(CApiStatus, EachCauseHasItsStatus) {
    std::set<qm_status> seen;
    for (const StatusRow& row : Rows()) {
        SCOPED_TRACE(row.name);
        const qm_status status = row.call();
        EXPECT_EQ(status, row.status) << qm_status_text(status);
        seen.insert(status);
    }
    // Out of memory needs a process of its own (below); every other status
    // appears in the table.
    seen.insert(QM_ERROR_OUT_OF_MEMORY);
    // The texture file's own statuses come from files (tests/python/test_read.py).
    seen.insert(QM_ERROR_FILE_OPEN_FAILED);
    seen.insert(QM_ERROR_FILE_READ_FAILED);
    EXPECT_EQ(seen.size(), 22u);
}

TEST(CApiStatus, Texts) {
    const std::pair<qm_status, const char*> rows[] = {
        {QM_OK, "ok"},
        {QM_ERROR_OUT_OF_MEMORY, "out of memory"},
        {QM_ERROR_PALETTE_COUNT_MISMATCH, "palette entries differ from its count"},
        {QM_ERROR_BUFFER_TOO_SMALL, "buffer too small"},
        {QM_ERROR_FILE_OPEN_FAILED, "texture file cannot be opened"},
        {QM_ERROR_FILE_READ_FAILED, "texture file cannot be read"},
        {static_cast<qm_status>(22), "unknown status"},
    };
    for (const auto& [status, text] : rows) EXPECT_STREQ(qm_status_text(status), text);
    std::set<std::string> texts;
    for (int s = 0; s < 22; ++s) texts.insert(qm_status_text(static_cast<qm_status>(s)));
    EXPECT_EQ(texts.size(), 22u);  // one text per status
    EXPECT_EQ(qm_version(), 0x010000u);
}

// A picture the limits admit but the memory does not: the status, not a
// crash or an exception.
TEST(CApiStatus, PosixOutOfMemory) {
    if (UnderAddressSanitizer()) GTEST_SKIP() << "an address-space limit means nothing under ASan";
    Bytes one2;
    AppendRecord2(one2, 0x1234, 0);
    const Bytes big = Pvz(1, 9, 16384, 16384, one2);  // a 1 GiB picture
    ChildLimits limits;
    limits.extraAddressSpace = 256u << 20;
    const ChildResult read =
        RunInChild(limits, [&] { return std::string(qm_status_text(Read(big))); });
    EXPECT_EQ(read.report, "out of memory") << read.problem;
    // The picture's 256 MiB fit; the encoder's copy of them does not.
    limits.extraAddressSpace = 400u << 20;
    const ChildResult write = RunInChild(limits, [&] {
        std::vector<std::uint8_t> rgba;
        try {
            rgba.assign(4u * 8192 * 8192, 7);
        } catch (const std::bad_alloc&) {
            return std::string("the test's picture did not fit");
        }
        const qm_write_options o = Opts(1, 9);
        Buffer pvz;
        return std::string(qm_status_text(
            qm_texture_write(rgba.data(), 8192, 8192, 4 * 8192, &o, &pvz.b, nullptr)));
    });
    EXPECT_EQ(write.report, "out of memory") << write.problem;
}

}  // namespace
}  // namespace qm::test
