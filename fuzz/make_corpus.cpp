// Writes the seed corpora of the fuzz targets:
//
//   qm_make_corpus FOLDER      (normally fuzz/corpus)
//
// One subfolder per target; each is emptied and filled again, so the seeds
// always come from this program alone. The output is the same on every run.
// Textures are made by the project's own writer, PNGs by libpng in every
// colour type and bit depth the loader has to take.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/image_surface.h"
#include "platform/le_bytes.h"
#include "platform/png_file.h"
#include "texture/color_format.h"
#include "texture/color_run.h"
#include "texture/palette.h"
#include "texture/pvz_header.h"
#include "texture/pvz_writer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

fs::path root;

void Emit(const std::string& target, const std::string& name, const Bytes& bytes) {
    std::ofstream out(root / target / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "make_corpus: cannot write %s/%s\n", target.c_str(), name.c_str());
        std::exit(1);
    }
}

// Small deterministic generator (xorshift), so every run gives the same seeds.
class Random {
  public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    std::uint32_t Below(std::uint32_t bound) { return Next() % bound; }

  private:
    std::uint32_t state_;
};

// ---------------------------------------------------------------- textures

std::string HexOf(const Bytes& b) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t v : b) {
        text += kDigits[v >> 4];
        text += kDigits[v & 0xF];
    }
    return text;
}

qm::TextureInfo Info(std::uint8_t pf, std::uint8_t df, std::int16_t w, std::int16_t h) {
    qm::TextureInfo info;
    info.pixelFormat = pf;
    info.dataFormat = df;
    info.width = w;
    info.height = h;
    info.headerText = HexOf({8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    return info;
}

// A texture of 2-byte texels in runs of random length, built by BuildPvzBytes.
Bytes Texture(Random& random, std::uint8_t pf, std::uint8_t df, std::int16_t w, std::int16_t h) {
    const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    std::vector<qm::ArgbColor> colors;
    while (colors.size() < n) {
        qm::ArgbColor c;
        qm::ColorDecode(pf < 3 ? pf : 1, random.Next() & 0xFFFF, c);
        const std::uint32_t length = random.Below(3) == 0 ? random.Below(300) + 1 : 1;
        colors.insert(colors.end(), length, c);
    }
    colors.resize(n);
    std::vector<qm::ColorRun> runs;
    qm::EncodeColorRuns(colors, runs);
    Bytes bytes;
    qm::BuildPvzBytes(Info(pf < 3 ? pf : 1, df, w, h), runs, bytes);
    bytes[qm::kPixelFormatOffset] = pf;
    return bytes;
}

// The header alone (BuildPvzBytes with no runs), for streams made by hand.
Bytes Header(std::uint8_t pf, std::uint8_t df, std::int16_t w, std::int16_t h) {
    Bytes bytes;
    qm::BuildPvzBytes(Info(pf < 3 ? pf : 1, df, w, h), {}, bytes);
    bytes[qm::kPixelFormatOffset] = pf;
    return bytes;
}

Bytes Palette(const std::vector<std::uint16_t>& entries, std::uint16_t count) {
    Bytes bytes(qm::kPaletteEntriesOffset + 2 * entries.size(), 0);
    qm::WriteLe16(bytes, qm::kPaletteCountOffset, count);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        qm::WriteLe16(bytes, qm::kPaletteEntriesOffset + 2 * i, entries[i]);
    }
    return bytes;
}

// The pvz target's input: flags, optional palette, texture.
Bytes PvzInput(std::uint8_t flags, const Bytes* palette, const Bytes& texture) {
    Bytes input{flags};
    if (palette != nullptr) {
        input[0] |= 1;
        input.push_back(static_cast<std::uint8_t>(palette->size() & 0xFF));
        input.push_back(static_cast<std::uint8_t>(palette->size() >> 8));
        input.insert(input.end(), palette->begin(), palette->end());
    }
    input.insert(input.end(), texture.begin(), texture.end());
    return input;
}

void PvzSeeds() {
    Random random(7);
    const char* const kFormat[] = {"argb1555", "rgb565", "argb4444"};
    struct Shape {
        std::int16_t w, h;
        std::uint8_t df;
    };
    const Shape shapes[] = {{8, 8, 1}, {16, 8, 1}, {4, 8, 13},  {2, 2, 1},
                            {1, 1, 1}, {5, 3, 9},  {32, 32, 9}, {1, 40, 9}};
    for (std::uint8_t pf = 0; pf < 3; ++pf) {
        for (const Shape& s : shapes) {
            const std::string name = std::string(kFormat[pf]) + "-df" + std::to_string(s.df) + "-" +
                                     std::to_string(s.w) + "x" + std::to_string(s.h);
            Emit("pvz", name, PvzInput(0, nullptr, Texture(random, pf, s.df, s.w, s.h)));
        }
    }
    // The driver as well (flag bits 1..3).
    Emit("pvz", "driver-rgb565-twiddled-8x4", PvzInput(0x0E, nullptr, Texture(random, 1, 1, 8, 4)));
    Emit("pvz", "driver-argb4444-rect-3x7", PvzInput(0x0E, nullptr, Texture(random, 2, 9, 3, 7)));

    // Palette textures: 1-byte records (index, repeat).
    const Bytes palette = Palette({0x0000, 0xFFFF, 0x7C00, 0x03E0, 0x001F, 0x8000}, 6);
    Bytes indexed = Header(0, 7, 4, 4);
    indexed.insert(indexed.end(), {0, 3, 1, 3, 2, 1, 3, 1, 4, 2, 5, 0});
    Emit("pvz", "palette-4x4", PvzInput(0, &palette, indexed));
    Emit("pvz", "driver-palette-4x4", PvzInput(0x0E, &palette, indexed));
    Bytes badIndex = Header(1, 7, 2, 2);
    badIndex.insert(badIndex.end(), {9, 3});
    Emit("pvz", "palette-index-out-of-range", PvzInput(0, &palette, badIndex));
    const Bytes badCount = Palette({1, 2, 3}, 4);
    Emit("pvz", "palette-count-wrong", PvzInput(0, &badCount, indexed));
    Emit("pvz", "palette-missing", PvzInput(0, nullptr, indexed));

    // Streams that are short, long, cut, or of an unknown format.
    Emit("pvz", "header-only-padded", PvzInput(0, nullptr, Header(1, 9, 4, 4)));
    Bytes tooMany = Header(1, 9, 2, 2);
    tooMany.insert(tooMany.end(), {0x34, 0x12, 4});
    Emit("pvz", "too-many-texels", PvzInput(0, nullptr, tooMany));
    Bytes cut = Header(2, 1, 2, 2);
    cut.insert(cut.end(), {0xFF, 0xFF, 1, 0x0F, 0xF0});
    Emit("pvz", "incomplete-last-record", PvzInput(0, nullptr, cut));
    Bytes unknown = Header(3, 9, 2, 2);
    unknown.insert(unknown.end(), {1, 2, 3});
    Emit("pvz", "unknown-pixel-format", PvzInput(0, nullptr, unknown));
    Emit("pvz", "zero-width", PvzInput(0, nullptr, Header(1, 9, 0, 5)));
    Emit("pvz", "negative-sides", PvzInput(0, nullptr, Header(1, 1, -4, -4)));
    Emit("pvz", "not-placeable-6x6", PvzInput(0x0E, nullptr, Texture(random, 1, 1, 6, 6)));
    Emit("pvz", "too-large", PvzInput(0, nullptr, Header(1, 1, 32767, 32767)));
    Emit("pvz", "short-header", PvzInput(0, nullptr, Bytes(20, 0)));
}

void PvpSeeds() {
    Emit("pvp", "empty-count-0", Palette({}, 0));
    Emit("pvp", "one-entry", Palette({0xFFFF}, 1));
    std::vector<std::uint16_t> entries;
    for (std::uint32_t i = 0; i < 256; ++i) {
        entries.push_back(static_cast<std::uint16_t>(i * 257));
    }
    Emit("pvp", "256-entries", Palette(entries, 256));
    Emit("pvp", "count-too-high", Palette({1, 2}, 3));
    Emit("pvp", "count-too-low", Palette({1, 2, 3}, 2));
    Bytes odd = Palette({0x1234, 0x5678}, 2);
    odd.push_back(0xAB);
    Emit("pvp", "trailing-byte", odd);
    Emit("pvp", "short-file", Bytes(10, 0));
}

// ------------------------------------------------------------------ PNGs

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

struct PngSpec {
    int colorType;
    int bitDepth;
    bool interlaced;
    bool transparency;  // a tRNS chunk
    bool ancillary;     // gAMA and tEXt chunks the loader skips
};

// Writes a width x height picture in the given colour type and depth. Rows
// hold packed samples made from a simple pattern. Returns false when libpng
// refuses the combination. Only plain locals live here (libpng may longjmp).
bool EncodeSpec(const PngSpec& spec, png_uint_32 width, png_uint_32 height, const Bytes& rows,
                std::size_t rowBytes, Bytes* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendToVector, FlushNothing);
    png_set_IHDR(png, info, width, height, spec.bitDepth, spec.colorType,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_color palette[16];
    png_byte alphas[16];
    if (spec.colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < 16; ++i) {
            palette[i] = {static_cast<png_byte>(i * 16), static_cast<png_byte>(255 - i * 16),
                          static_cast<png_byte>(i * 5)};
            alphas[i] = static_cast<png_byte>(i * 17);
        }
        const int entries = spec.bitDepth >= 4 ? 16 : 1 << spec.bitDepth;
        png_set_PLTE(png, info, palette, entries);
        if (spec.transparency) {
            png_set_tRNS(png, info, alphas, entries, nullptr);
        }
    } else if (spec.transparency) {
        png_color_16 key{};
        key.gray = 1;
        key.red = 1;
        key.green = 2;
        key.blue = 3;
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    if (spec.ancillary) {
        png_set_gAMA(png, info, 0.5);
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<png_charp>("Comment");
        text.text = const_cast<png_charp>("seed");
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_write_row(png, rows.data() + y * rowBytes);
        }
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

Bytes MakePng(const PngSpec& spec, png_uint_32 width, png_uint_32 height) {
    int channels = 1;
    switch (spec.colorType) {
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            channels = 2;
            break;
        case PNG_COLOR_TYPE_RGB:
            channels = 3;
            break;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            channels = 4;
            break;
        default:
            break;
    }
    const std::size_t bitsPerPixel = static_cast<std::size_t>(channels * spec.bitDepth);
    const std::size_t rowBytes = (width * bitsPerPixel + 7) / 8;
    Bytes rows(rowBytes * height);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = static_cast<std::uint8_t>(i * 37 + (i / rowBytes) * 11);
    }
    if (spec.colorType == PNG_COLOR_TYPE_PALETTE && spec.bitDepth == 8) {
        for (std::uint8_t& b : rows) {
            b &= 0x0F;  // within the 16 entries
        }
    }
    Bytes out;
    if (!EncodeSpec(spec, width, height, rows, rowBytes, &out)) {
        std::fprintf(stderr, "make_corpus: libpng refused type %d depth %d\n", spec.colorType,
                     spec.bitDepth);
        std::exit(1);
    }
    return out;
}

void PngSeeds() {
    struct Kind {
        const char* name;
        int colorType;
        std::vector<int> depths;
    };
    const Kind kinds[] = {
        {"gray", PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
        {"gray-alpha", PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
        {"rgb", PNG_COLOR_TYPE_RGB, {8, 16}},
        {"rgba", PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
        {"palette", PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},
    };
    for (const Kind& kind : kinds) {
        for (const int depth : kind.depths) {
            const std::string base = std::string(kind.name) + "-" + std::to_string(depth);
            Emit("png", base, MakePng({kind.colorType, depth, false, false, false}, 5, 3));
            if (depth == 8 || depth == 1) {
                Emit("png", base + "-interlaced",
                     MakePng({kind.colorType, depth, true, false, false}, 9, 7));
            }
            const bool keyed = kind.colorType == PNG_COLOR_TYPE_GRAY ||
                               kind.colorType == PNG_COLOR_TYPE_RGB ||
                               kind.colorType == PNG_COLOR_TYPE_PALETTE;
            if (keyed && depth >= 2) {
                Emit("png", base + "-trns",
                     MakePng({kind.colorType, depth, false, true, false}, 4, 4));
            }
        }
    }
    Emit("png", "rgb-8-ancillary", MakePng({PNG_COLOR_TYPE_RGB, 8, false, false, true}, 3, 3));
    Emit("png", "rgba-8-1x1", MakePng({PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, false}, 1, 1));

    // What the program itself writes (ImageSurface::Save), both depths.
    for (const int bpp : {24, 32}) {
        qm::ImageSurface surface;
        surface.Create(6, 4, bpp, bpp == 32);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6 * bpp / 8; ++x) {
                surface.GetBits()[y * surface.GetPitch() + x] =
                    static_cast<std::uint8_t>(x * 40 + y);
            }
        }
        const fs::path saved = root / "png" / ".saved.png";
        SavePngFile(surface, saved.string());
        std::ifstream in(saved, std::ios::binary);
        const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        in.close();
        fs::remove(saved);
        Emit("png", "own-save-" + std::to_string(bpp), bytes);
    }
}

// ------------------------------------------------------------------ names

void NameSeeds() {
    const std::vector<std::string> names = {
        "wall.pvz",
        "WALL.PVZ",
        "data/tex/wall.pvz",
        "wall_0800000001000000000000000109.png",
        "data.v2/wall_0800000001000000000000000109.PNG",
        "wall_08000000010000000000000001.png",
        "x_0800000001000000000000000109.y.png",
        "_0800000001000000000000000109.png",
        "dir_0800000001000000000000000109/wall.png",
        "a.pvz/b",
        ".pvz",
        ".png",
        "壁の絵.pvz",
        "壁_ABCDEF0123456789abcdef0102.png",
        std::string("\xff\xfe\x80.pvz"),
        std::string("a\0b_0800000001000000000000000109.png", 36),
        "wall.pvz.png",
        "wall.png.pvz",
    };
    int i = 0;
    for (const std::string& name : names) {
        Emit("names", "name-" + std::to_string(i++), Bytes(name.begin(), name.end()));
    }
}

// -------------------------------------------------------------- round trip

void RoundTripSeeds() {
    const char* const kShape[] = {"square", "wide", "tall", "rect"};
    Random random(11);
    for (std::uint8_t pf = 0; pf < 3; ++pf) {
        for (std::uint8_t shape = 0; shape < 4; ++shape) {
            for (const bool wide24 : {false, true}) {
                const bool drivers = (pf + shape) % 2 == 0;
                Bytes input{pf,
                            static_cast<std::uint8_t>(shape | (wide24 ? 4 : 0) | (drivers ? 8 : 0)),
                            static_cast<std::uint8_t>(shape == 3 ? 6 : 2), 4,
                            static_cast<std::uint8_t>(shape == 1 ? 13 : 1)};
                for (int i = 0; i < 12; ++i) {
                    input.push_back(static_cast<std::uint8_t>(random.Below(256)));
                }
                // Runs of all lengths, including ones longer than a record holds.
                for (int r = 0; r < 12; ++r) {
                    const std::uint32_t c = random.Next();
                    const std::uint8_t count =
                        static_cast<std::uint8_t>(r % 4 == 0 ? 255 : random.Below(8));
                    input.insert(input.end(),
                                 {count, static_cast<std::uint8_t>(r % 3 == 0 ? 255 : c >> 24),
                                  static_cast<std::uint8_t>(c >> 16),
                                  static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
                }
                const std::string name = std::string("pf") + std::to_string(pf) + "-" +
                                         kShape[shape] + (wide24 ? "-24bit" : "-32bit") +
                                         (drivers ? "-drivers" : "");
                Emit("roundtrip", name, input);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    root = argv[1];
    for (const char* target : {"pvz", "pvp", "png", "names", "roundtrip"}) {
        fs::remove_all(root / target);
        fs::create_directories(root / target);
    }
    PvzSeeds();
    PvpSeeds();
    PngSeeds();
    NameSeeds();
    RoundTripSeeds();
    return 0;
}
