/* A C99 program that uses only the installed <quillmere/quillmere.h>: a
 * picture written and read back in each layout, a palette texture with its
 * .pvp, the name scheme both ways, a status for damaged bytes. Prints "ok"
 * and exits 0, or says what differed and exits 1. */
#include <quillmere/quillmere.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

static void check(int ok, const char *what) {
    if (!ok) {
        fprintf(stderr, "c_api_smoke: %s\n", what);
        ++failures;
    }
}

/* An 8 x 8 picture whose colours ARGB4444 holds exactly (multiples of 17). */
static void make_picture(uint8_t *rgba, int width, int height) {
    int i;
    for (i = 0; i < width * height; ++i) {
        rgba[4 * i + 0] = (uint8_t)(17 * (i % 16));
        rgba[4 * i + 1] = (uint8_t)(17 * ((i / 2) % 16));
        rgba[4 * i + 2] = (uint8_t)(17 * ((i / 4) % 16));
        rgba[4 * i + 3] = (uint8_t)(i % 3 == 0 ? 255 : 17 * (i % 15));
    }
}

static void round_trip(uint8_t data_format) {
    uint8_t rgba[8 * 8 * 4];
    qm_write_options options;
    qm_buffer pvz = {NULL, 0};
    qm_texture *texture = NULL;
    qm_status status;
    make_picture(rgba, 8, 8);
    qm_write_options_init(&options);
    options.pixel_format = 2; /* ARGB4444 */
    options.data_format = data_format;
    memcpy(options.header, "\x08\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x2a", 12);
    status = qm_texture_write(rgba, 8, 8, 8 * 4, &options, &pvz, NULL);
    check(status == QM_OK, qm_status_text(status));
    status = qm_texture_read(pvz.data, pvz.size, NULL, 0, &texture);
    check(status == QM_OK, qm_status_text(status));
    if (texture != NULL) {
        check(qm_texture_width(texture) == 8 && qm_texture_height(texture) == 8, "size");
        check(qm_texture_pixel_format(texture) == 2, "pixel format");
        check(qm_texture_data_format(texture) == data_format, "data format");
        check(memcmp(qm_texture_header(texture), options.header, 12) == 0, "header bytes");
        check(memcmp(qm_texture_rgba(texture), rgba, sizeof rgba) == 0, "pixels");
        check(qm_texture_palette_count(texture) == 0 && qm_texture_indices(texture) == NULL,
              "no palette");
    }
    qm_texture_free(texture);
    qm_buffer_free(&pvz);
    check(pvz.data == NULL && pvz.size == 0, "buffer freed");
}

static void palette_texture(void) {
    uint8_t rgba[4 * 4 * 4];
    qm_write_options options;
    qm_write_report report;
    qm_buffer pvz = {NULL, 0}, pvp = {NULL, 0};
    qm_texture *texture = NULL;
    qm_status status;
    int i;
    for (i = 0; i < 16; ++i) { /* two colours ARGB1555 holds */
        rgba[4 * i + 0] = i < 8 ? 255 : 0;
        rgba[4 * i + 1] = 0;
        rgba[4 * i + 2] = i < 8 ? 0 : 255;
        rgba[4 * i + 3] = 255;
    }
    qm_write_options_init(&options);
    options.pixel_format = 0;
    options.data_format = 7;
    options.keep_palette = 1;
    report.struct_size = sizeof report;
    options.report = &report;
    status = qm_texture_write(rgba, 4, 4, 16, &options, &pvz, &pvp);
    check(status == QM_OK, qm_status_text(status));
    check(pvp.size == 16 + 2 * 2, "two palette entries");
    check(report.data_format == 7, "report");
    status = qm_texture_read(pvz.data, pvz.size, NULL, 0, &texture);
    check(status == QM_ERROR_PALETTE_MISSING, "palette missing");
    status = qm_texture_read(pvz.data, pvz.size, pvp.data, pvp.size, &texture);
    check(status == QM_OK, qm_status_text(status));
    if (texture != NULL) {
        check(qm_texture_palette_count(texture) == 2, "palette count");
        check(memcmp(qm_texture_rgba(texture), rgba, sizeof rgba) == 0, "palette pixels");
        check(qm_texture_indices(texture)[0] != qm_texture_indices(texture)[15], "indices");
        check(memcmp(qm_texture_palette_rgba(texture) + 4 * qm_texture_indices(texture)[0],
                     rgba, 4) == 0,
              "palette entry");
    }
    qm_texture_free(texture);
    qm_buffer_free(&pvz);
    qm_buffer_free(&pvp);
}

static void names(void) {
    const uint8_t header[12] = {8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xab};
    uint8_t parsed[12];
    uint8_t pixel_format = 0, data_format = 0;
    char name[64];
    size_t length = 0;
    check(qm_png_name_build("art/wall.pvz", header, 1, 9, name, sizeof name, &length) == QM_OK,
          "build");
    check(strcmp(name, "art/wall_0800000001000000000000ab0109.png") == 0, name);
    check(length == strlen(name), "length");
    check(qm_png_name_build("wall.pvz", header, 1, 9, NULL, 0, &length) ==
              QM_ERROR_BUFFER_TOO_SMALL && length == 37,
          "asked length");
    check(qm_png_name_parse(name, parsed, &pixel_format, &data_format, name, sizeof name,
                            &length) == QM_OK,
          "parse");
    check(memcmp(parsed, header, 12) == 0 && pixel_format == 1 && data_format == 9, "fields");
    check(strcmp(name, "art/wall.pvz") == 0, name);
    check(qm_png_name_parse("wall.png", parsed, &pixel_format, &data_format, name, sizeof name,
                            NULL) == QM_ERROR_BAD_PNG_NAME,
          "bad name");
}

int main(void) {
    const uint8_t damaged[10] = {0};
    qm_texture *texture = NULL;
    qm_limits limits;
    check(qm_version() == QUILLMERE_VERSION, "version");
    check(strcmp(qm_status_text(QM_OK), "ok") == 0, "status text");
    round_trip(1); /* twiddled */
    round_trip(9); /* rows */
    palette_texture();
    names();
    check(qm_texture_read(damaged, sizeof damaged, NULL, 0, &texture) ==
              QM_ERROR_HEADER_TOO_SHORT && texture == NULL,
          "damaged bytes");
    qm_limits_init(&limits);
    check(limits.max_pixels == 16384u * 16384u, "default limits");
    if (failures == 0) {
        puts("ok");
    }
    return failures == 0 ? 0 : 1;
}
