// The helper of bench/compare: writes the comparison corpus and runs the two
// PNG-only baselines the converter is measured against.
//
//   compare_tool corpus FOLDER
//       Empties FOLDER and fills it (see WriteCorpus).
//   compare_tool save-png PIXELS WIDTH HEIGHT OUT.png
//       Reads WIDTH x HEIGHT 32-bit pixels (blue, green, red, alpha) and saves
//       them as pvz2png would: the floor of that direction.
//   compare_tool load-png IN.png
//       Loads a PNG and does nothing else: the floor of png2pvz.
//
// Exit status 0 on success, 1 on any failure.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/pvz_to_png.h"
#include "platform/file_io.h"
#include "platform/image_surface.h"
#include "platform/png_file.h"
#include "synthetic_textures.h"

namespace {

namespace fs = std::filesystem;
using qm::bench::Content;

constexpr std::uint8_t kPixelFormats[] = {qm::pixel_format::kArgb1555, qm::pixel_format::kRgb565,
                                          qm::pixel_format::kArgb4444};
constexpr std::uint8_t kDataFormats[] = {qm::data_format::kRectangle,
                                         qm::bench::kTwiddledDataFormat};

// Files in the folder of small textures, and their sides.
constexpr int kSmallCount = 2000;
constexpr int kSmallSides[] = {64, 128, 256};

bool Fail(const std::string& what) {
    std::fprintf(stderr, "compare_tool: %s\n", what.c_str());
    return false;
}

struct Kind {
    std::uint8_t pixelFormat;
    std::uint8_t dataFormat;
    Content content;
    int side;
};

std::string KindName(const Kind& kind) {
    return std::string(qm::PixelFormatName(kind.pixelFormat)) + "-" +
           (kind.dataFormat == qm::data_format::kRectangle ? "rect" : "twiddled") + "-" +
           std::string(qm::bench::ContentName(kind.content)) + "-" + std::to_string(kind.side);
}

// Writes one texture as NAME.pvz into pvzFolder and its PNG, converted by
// the program itself, into pngFolder; with rawFolder, also its pixels as
// NAME.bgra.
bool WriteTexture(const std::string& name, const Kind& kind, std::uint32_t seed,
                  const fs::path& pvzFolder, const fs::path& pngFolder,
                  const fs::path& rawFolder = {}) {
    const qm::ImageSurface picture =
        qm::bench::MakePicture(kind.side, kind.side, kind.pixelFormat, kind.content, seed);
    const qm::TextureInfo info =
        qm::bench::MakeInfo((pvzFolder / (name + ".pvz")).string(), kind.side, kind.side,
                            kind.pixelFormat, kind.dataFormat, seed);
    const std::vector<std::uint8_t> bytes = qm::bench::MakePvzBytes(picture, info);
    if (bytes.size() <= qm::kPvzHeaderSize || !qm::WriteWholeFile(info.texturePath, bytes)) {
        return Fail("cannot write " + info.texturePath);
    }
    // The PNG is converted from a copy beside it, which is removed again.
    std::string copy = (pngFolder / (name + ".pvz")).string();
    if (!qm::WriteWholeFile(copy, bytes) || !qm::ConvertPvzToPng(copy)) {
        return Fail("cannot convert " + copy);
    }
    fs::remove(copy);
    if (!rawFolder.empty()) {
        const std::size_t size = static_cast<std::size_t>(picture.GetPitch()) *
                                 static_cast<std::size_t>(picture.GetHeight());
        if (!qm::WriteWholeFile((rawFolder / (name + ".bgra")).string(),
                                {picture.GetBits(), size})) {
            return Fail("cannot write the pixels of " + name);
        }
    }
    return true;
}

// FOLDER/single/{pvz,png,raw}  every pixel format x layout x content at 64,
//                              256 and 1024 square, each alone
// FOLDER/small/{pvz,png}       2,000 textures of 64 to 256 square, all kinds
// FOLDER/large/{pvz,png,raw}   4096 square: noisy and smooth, twiddled ARGB4444
bool WriteCorpus(const fs::path& root) {
    fs::remove_all(root);
    for (const char* sub : {"single/pvz", "single/png", "single/raw", "small/pvz", "small/png",
                            "large/pvz", "large/png", "large/raw"}) {
        fs::create_directories(root / sub);
    }
    std::uint32_t seed = 1;
    for (const int side : {64, 256, 1024}) {
        for (const std::uint8_t pixelFormat : kPixelFormats) {
            for (const std::uint8_t dataFormat : kDataFormats) {
                for (const Content content : qm::bench::kAllContents) {
                    const Kind kind{pixelFormat, dataFormat, content, side};
                    if (!WriteTexture(KindName(kind), kind, seed++, root / "single/pvz",
                                      root / "single/png",
                                      side == 1024 ? root / "single/raw" : fs::path())) {
                        return false;
                    }
                }
            }
        }
    }
    // The small folder cycles through every kind.
    for (int i = 0; i < kSmallCount; ++i) {
        const Kind kind{kPixelFormats[i % 3], kDataFormats[(i / 3) % 2],
                        qm::bench::kAllContents[(i / 6) % 3], kSmallSides[(i / 18) % 3]};
        char number[8];
        std::snprintf(number, sizeof number, "%04d-", i);
        if (!WriteTexture(number + KindName(kind), kind, seed++, root / "small/pvz",
                          root / "small/png")) {
            return false;
        }
    }
    for (const Content content : {Content::kNoisy, Content::kSmooth}) {
        const Kind kind{qm::pixel_format::kArgb4444, qm::bench::kTwiddledDataFormat, content, 4096};
        if (!WriteTexture(KindName(kind), kind, seed++, root / "large/pvz", root / "large/png",
                          root / "large/raw")) {
            return false;
        }
    }
    return true;
}

// The pixels are read straight into the surface, as a decoder would leave
// them.
bool SavePng(const std::string& pixelsPath, int width, int height, const std::string& out) {
    qm::ImageSurface surface;
    if (!surface.Create(width, height, 32, true)) {
        return Fail("bad size");
    }
    const std::size_t size =
        static_cast<std::size_t>(surface.GetPitch()) * static_cast<std::size_t>(height);
    std::FILE* file = std::fopen(pixelsPath.c_str(), "rb");
    const bool read = file != nullptr && std::fread(surface.GetBits(), 1, size, file) == size;
    if (file != nullptr) {
        std::fclose(file);
    }
    if (!read) {
        return Fail("cannot read " + pixelsPath);
    }
    return SavePngFile(surface, out) || Fail("cannot save " + out);
}

bool LoadPng(const std::string& path) {
    qm::ImageSurface surface;
    return LoadPngFile(path, surface) == qm::kPngLoaded || Fail("cannot load " + path);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    bool ok = false;
    if (args.size() == 2 && args[0] == "corpus") {
        ok = WriteCorpus(args[1]);
    } else if (args.size() == 5 && args[0] == "save-png") {
        ok = SavePng(args[1], std::atoi(args[2].c_str()), std::atoi(args[3].c_str()), args[4]);
    } else if (args.size() == 2 && args[0] == "load-png") {
        ok = LoadPng(args[1]);
    } else {
        std::fprintf(stderr,
                     "usage: compare_tool corpus FOLDER\n"
                     "       compare_tool save-png PIXELS WIDTH HEIGHT OUT.png\n"
                     "       compare_tool load-png IN.png\n");
    }
    return ok ? 0 : 1;
}
