/*
 * Quillmere: .pvz textures to pictures and back, in memory.
 *
 * A C99 interface with a stable ABI. Every function is safe to call from
 * several threads at once on different objects; the library keeps no global
 * state, writes no file and prints nothing. No function lets an exception or
 * a signal out: every failure is a qm_status.
 *
 * Ownership: what a qm_* function hands out (a qm_texture, the data of a
 * qm_buffer) belongs to the caller and is released with the matching
 * qm_*_free function, never with free(). Pointers a qm_texture gives stay
 * valid until qm_texture_free. Nothing the caller passes in is kept.
 *
 * docs/library.md has a complete example.
 */
#ifndef QUILLMERE_QUILLMERE_H
#define QUILLMERE_QUILLMERE_H

#include <stddef.h>
#include <stdint.h>

#define QUILLMERE_VERSION_MAJOR 1
#define QUILLMERE_VERSION_MINOR 0
#define QUILLMERE_VERSION_PATCH 0
/* major << 16 | minor << 8 | patch, as qm_version() gives it at run time. */
#define QUILLMERE_VERSION \
    ((QUILLMERE_VERSION_MAJOR << 16) | (QUILLMERE_VERSION_MINOR << 8) | QUILLMERE_VERSION_PATCH)

/* QM_API marks the exported functions. A program that links the static
 * library on Windows defines QUILLMERE_STATIC (pkg-config and the CMake
 * package do that for it). */
#if defined(_WIN32)
#if defined(QUILLMERE_BUILDING)
#define QM_API __declspec(dllexport)
#elif defined(QUILLMERE_STATIC)
#define QM_API
#else
#define QM_API __declspec(dllimport)
#endif
#elif defined(QUILLMERE_BUILDING)
#define QM_API __attribute__((visibility("default")))
#else
#define QM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Statuses ---------------------------------------------------------- */

/* One value per cause. The numbers never change; new causes get new
 * numbers. */
typedef enum qm_status {
    QM_OK = 0,
    QM_ERROR_INVALID_ARGUMENT = 1,        /* a null pointer, a size, a struct_size or an option
                                             value out of range */
    QM_ERROR_OUT_OF_MEMORY = 2,           /* an allocation failed */
    QM_ERROR_FILE_TOO_LARGE = 3,          /* .pvz bytes beyond qm_limits.max_file_size */
    QM_ERROR_HEADER_TOO_SHORT = 4,        /* fewer than the 36 bytes of a .pvz header */
    QM_ERROR_PICTURE_TOO_LARGE = 5,       /* width x height beyond qm_limits.max_pixels, or a
                                             side beyond 32767 */
    QM_ERROR_UNKNOWN_PIXEL_FORMAT = 6,    /* a pixel-format code other than 0, 1, 2 */
    QM_ERROR_TOO_MANY_TEXELS = 7,         /* the texel stream holds more texels than the picture */
    QM_ERROR_PALETTE_MISSING = 8,         /* a palette texture (data format 7) without .pvp bytes */
    QM_ERROR_PALETTE_SHORT = 9,           /* .pvp bytes shorter than their 16-byte header */
    QM_ERROR_PALETTE_COUNT_MISMATCH = 10, /* .pvp entries differ from the count at offset 14 */
    QM_ERROR_INDEX_BEYOND_PALETTE = 11,   /* a texel's index at or past the palette's end */
    QM_ERROR_SHAPE_NOT_PLACEABLE = 12,    /* reading: sides that are neither rows (data format 9)
                                             nor a twiddled square or two (2:1, 1:2) */
    QM_ERROR_SIDE_NOT_POWER_OF_TWO = 13,  /* writing twiddled: a square's side is no power of
                                             two from 2 to 16384 */
    QM_ERROR_WIDTH_NOT_POWER_OF_TWO = 14, /* writing twiddled, two squares */
    QM_ERROR_HEIGHT_NOT_POWER_OF_TWO = 15, /* writing twiddled, two squares */
    QM_ERROR_BAD_ASPECT_RATIO = 16,        /* writing twiddled: neither 1:1, 2:1 nor 1:2 */
    QM_ERROR_BAD_PNG_NAME = 17,     /* a PNG name without ".png" and the 28-character suffix */
    QM_ERROR_NOT_PVZ_NAME = 18,     /* a texture name without ".pvz" */
    QM_ERROR_BUFFER_TOO_SMALL = 19, /* a caller's text buffer is too short for the answer */
    QM_ERROR_FILE_OPEN_FAILED = 20, /* a texture file missing or not to be opened */
    QM_ERROR_FILE_READ_FAILED = 21  /* a texture file empty, not a regular file, or giving a
                                       read error */
} qm_status;

/* A short English text for a status ("out of memory"); never null. Unknown
 * values give "unknown status". */
QM_API const char* qm_status_text(qm_status status);

/* QUILLMERE_VERSION of the library actually loaded. */
QM_API uint32_t qm_version(void);

/* ---- Limits for untrusted input --------------------------------------- */

/* The defaults are the command line's: 16384 x 16384 pixels, and a .pvz of
 * at most 36 + 3 x that many bytes. A caller may lower them; a value of 0,
 * or above the default, means the default. */
typedef struct qm_limits {
    size_t struct_size; /* sizeof(qm_limits) */
    uint64_t max_pixels;
    uint64_t max_file_size;
} qm_limits;

/* Fills limits with struct_size and the defaults. */
QM_API void qm_limits_init(qm_limits* limits);

/* ---- Reading a texture ------------------------------------------------- */

typedef struct qm_texture qm_texture;

/* Decodes a .pvz (pvz, pvz_size) and, for a palette texture (data format
 * 7), its .pvp (pvp, pvp_size; NULL and 0 when there is none). On success
 * *out holds a new texture: exactly the pixels `quillmere-cli pvz2png`
 * writes for that file, refused with a status where pvz2png refuses it.
 * On failure *out is NULL. */
QM_API qm_status qm_texture_read(const void* pvz, size_t pvz_size, const void* pvp, size_t pvp_size,
                                 qm_texture** out);

/* The same with limits (NULL: the defaults). */
QM_API qm_status qm_texture_read_with_limits(const void* pvz, size_t pvz_size, const void* pvp,
                                             size_t pvp_size, const qm_limits* limits,
                                             qm_texture** out);

/* Releases a texture and everything its accessors gave; NULL is ignored. */
QM_API void qm_texture_free(qm_texture* texture);

QM_API int32_t qm_texture_width(const qm_texture* texture);
QM_API int32_t qm_texture_height(const qm_texture* texture);
/* 0 ARGB1555, 1 RGB565, 2 ARGB4444 (others only for a texture without
 * texels to decode). */
QM_API uint8_t qm_texture_pixel_format(const qm_texture* texture);
/* 7 palette indices, 9 rows, anything else twiddled. */
QM_API uint8_t qm_texture_data_format(const qm_texture* texture);
/* The 12 header bytes at offsets 8 to 19 of the .pvz. */
QM_API const uint8_t* qm_texture_header(const qm_texture* texture);
/* width x height x 4 bytes: R G B A, top row first, rows not padded, alpha
 * not premultiplied. */
QM_API const uint8_t* qm_texture_rgba(const qm_texture* texture);
/* Texels a short stream left out; they are transparent black (0 0 0 0). */
QM_API uint64_t qm_texture_padded_texels(const qm_texture* texture);

/* Palette textures (data format 7): the .pvp's entries. For other textures
 * the count is 0 and the pointers are NULL. */
QM_API size_t qm_texture_palette_count(const qm_texture* texture);
/* count 16-bit entries as stored, in the texture's pixel format. */
QM_API const uint16_t* qm_texture_palette_values(const qm_texture* texture);
/* count x 4 bytes R G B A: each entry widened as the pixels are (all 0 when
 * the pixel format is unknown). */
QM_API const uint8_t* qm_texture_palette_rgba(const qm_texture* texture);

/* The index a texel left out by a short stream gets. */
#define QM_INDEX_NONE 0xFFFFu
/* width x height palette indices, top row first; QM_INDEX_NONE for padded
 * texels. NULL for textures that are not palette textures. */
QM_API const uint16_t* qm_texture_indices(const qm_texture* texture);

/* ---- Reading a texture file -------------------------------------------- */

/* Both take a path as the command line takes a file's name (UTF-8). A
 * derived name that does not exist stands for the one entry of its folder
 * that differs from it only in ASCII letter case: "S7.PVZ" finds its palette
 * "S7.PVP", and "wall.pvz" names "WALL.PVZ" when that is the only such file.
 * These two read files and list folders; nothing else in the library does. */

/* Reads the texture at pvz_path (ending in ".pvz" or ".PVZ") and, for a
 * palette texture, the .pvp beside it that qm_palette_name names: the pixels
 * `quillmere-cli pvz2png` writes for that file, refused with a status where
 * it refuses it. limits as for qm_texture_read_with_limits (NULL: the
 * defaults; max_file_size also bounds the file read). Besides the statuses
 * of qm_texture_read: QM_ERROR_NOT_PVZ_NAME, QM_ERROR_FILE_OPEN_FAILED,
 * QM_ERROR_FILE_READ_FAILED; for the palette file QM_ERROR_PALETTE_MISSING
 * when it cannot be opened, QM_ERROR_PALETTE_SHORT when it cannot be read,
 * QM_ERROR_PALETTE_COUNT_MISMATCH when it is longer than any count
 * describes (the statuses of pvz2png's messages). On failure *out is NULL. */
QM_API qm_status qm_texture_read_file(const char* pvz_path, const qm_limits* limits,
                                      qm_texture** out);

/* The palette file qm_texture_read_file reads for the texture at pvz_path,
 * into out (out_size bytes, NUL included; *length as for qm_png_name_build):
 * the texture's name as found, its last letter turned into "p" of the same
 * case, in the letter case of the one existing file it matches. Whether the
 * palette exists is not checked. QM_ERROR_NOT_PVZ_NAME for a path not
 * ending in ".pvz" or ".PVZ". */
QM_API qm_status qm_palette_name(const char* pvz_path, char* out, size_t out_size, size_t* length);

/* ---- Writing a texture ------------------------------------------------- */

/* Bytes the library allocated; release with qm_buffer_free. */
typedef struct qm_buffer {
    uint8_t* data;
    size_t size;
} qm_buffer;

/* Frees buffer->data and sets the buffer to {NULL, 0}; NULL is ignored. */
QM_API void qm_buffer_free(qm_buffer* buffer);

/* What a write tells besides its bytes. */
typedef struct qm_write_report {
    size_t struct_size;   /* sizeof(qm_write_report), set by the caller */
    uint64_t made_opaque; /* pixels not opaque, written opaque (RGB565 has no alpha) */
    uint8_t data_format;  /* the code written: 9 for data format 7 without keep_palette */
} qm_write_report;

typedef struct qm_write_options {
    size_t struct_size;   /* sizeof(qm_write_options); qm_write_options_init sets it */
    uint8_t pixel_format; /* the PNG name's codes and header bytes (qm_png_name_parse) */
    uint8_t data_format;
    uint8_t header[12];
    /* png2pvz's options: */
    int32_t keep_palette;    /* nonzero: data format 7 gives a palette texture and its .pvp */
    int32_t colors;          /* with keep_palette: 2..256 entries; 0 keeps the existing count */
    int32_t dither;          /* nonzero: Floyd-Steinberg when colours are narrowed or mapped */
    int32_t alpha_threshold; /* ARGB1555: alpha from this (0..255) up is opaque; -1: only 255 */
    /* With keep_palette: the .pvp being replaced (NULL, 0 when there is
     * none); its entries are kept where the picture allows, its first 14
     * bytes always. */
    const uint8_t* existing_pvp;
    size_t existing_pvp_size;
    /* With keep_palette, for a picture that was a palette PNG: its indices
     * (width x height bytes, top row first) and palette (count x 4 bytes
     * R G B A, 1 to 256 entries), so that its indices are kept as png2pvz
     * keeps them. NULL, 0 otherwise. */
    const uint8_t* source_indices;
    const uint8_t* source_palette_rgba;
    size_t source_palette_count;
    const qm_limits* limits; /* NULL: the defaults (max_file_size is not used here) */
    qm_write_report* report; /* NULL, or filled on success */
} qm_write_options;

/* Fills options with struct_size and the defaults: codes 0, header zero, no
 * palette options, alpha_threshold -1, no sources, default limits. */
QM_API void qm_write_options_init(qm_write_options* options);

/* Encodes a picture (rgba: width x height pixels R G B A, not premultiplied,
 * top row first, rows stride bytes apart, stride >= width x 4) into the bytes
 * `quillmere-cli png2pvz` writes for that picture under a name carrying
 * options' codes and header bytes, with the same options. *pvz receives the
 * .pvz; *pvp (which may be NULL unless keep_palette is set) the .pvp of a
 * palette texture, or {NULL, 0}. On failure both are {NULL, 0}. */
QM_API qm_status qm_texture_write(const uint8_t* rgba, int32_t width, int32_t height, size_t stride,
                                  const qm_write_options* options, qm_buffer* pvz, qm_buffer* pvp);

/* ---- The PNG name scheme ------------------------------------------------ */

/* wall.pvz <-> wall_0800000001000000000000000109.png: "_", the 12 header
 * bytes as 24 lowercase hex digits, the pixel- and data-format codes as two
 * digits each, before ".png". The rules apply after the last '/'; a folder
 * part is kept. Names are UTF-8. */

/* The PNG name for pvz_name (which must end in ".pvz" or ".PVZ") into out
 * (out_size bytes, NUL included). *length (may be NULL) receives the name's
 * length without the NUL, also when out is too small
 * (QM_ERROR_BUFFER_TOO_SMALL), so that out may be NULL to ask for it. */
QM_API qm_status qm_png_name_build(const char* pvz_name, const uint8_t header[12],
                                   uint8_t pixel_format, uint8_t data_format, char* out,
                                   size_t out_size, size_t* length);

/* The fields a PNG name carries, as png2pvz reads them: the header bytes
 * and codes (each pair of characters read as hex, as png2pvz does) and the
 * texture's name into pvz_name (pvz_name_size bytes, NUL included; *length
 * as above). QM_ERROR_BAD_PNG_NAME for a name png2pvz refuses. */
QM_API qm_status qm_png_name_parse(const char* png_name, uint8_t header[12], uint8_t* pixel_format,
                                   uint8_t* data_format, char* pvz_name, size_t pvz_name_size,
                                   size_t* length);

#ifdef __cplusplus
}
#endif

#endif /* QUILLMERE_QUILLMERE_H */
