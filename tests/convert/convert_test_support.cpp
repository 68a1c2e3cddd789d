#include "convert/convert_test_support.h"

#include "convert/png_to_pvz.h"
#include "convert/pvz_to_png.h"
#include "texture/color_format.h"
#include "texture/pvz_writer.h"

namespace qm::test {

namespace {

Outcome Run(bool (*driver)(std::string&, std::string*), const std::string& path) {
    CapturedMessages messages;
    std::string name = path;
    Outcome out;
    out.ok = driver(name, nullptr);
    out.shown = messages.shown;
    out.debug = messages.debug;
    return out;
}

}  // namespace

Outcome PvzToPng(const std::string& path) {
    return Run(ConvertPvzToPng, path);
}

Outcome PngToPvz(const std::string& path) {
    return Run(ConvertPngToPvz, path);
}

ImageSurface SurfaceOf(int width, int height, int bpp, const std::vector<ArgbColor>& pixels) {
    ImageSurface s;
    s.Create(width, height, bpp, bpp == 32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const ArgbColor& c = pixels[static_cast<std::size_t>(y * width + x)];
            std::uint8_t* p = s.GetBits() + y * s.GetPitch() + x * bpp / 8;
            p[0] = static_cast<std::uint8_t>(c.blue);
            p[1] = static_cast<std::uint8_t>(c.green);
            p[2] = static_cast<std::uint8_t>(c.red);
            if (bpp == 32) p[3] = static_cast<std::uint8_t>(c.alpha);
        }
    }
    return s;
}

std::vector<ArgbColor> PixelsOf(const std::string& pngPath, int* bpp) {
    ImageSurface s;
    if (s.Load(pngPath) != ImageSurface::kLoaded) return {};
    if (bpp != nullptr) *bpp = s.GetBPP();
    std::vector<ArgbColor> pixels;
    for (int y = 0; y < s.GetHeight(); ++y) {
        for (int x = 0; x < s.GetWidth(); ++x) {
            const std::uint8_t* p = s.GetBits() + y * s.GetPitch() + x * s.GetBPP() / 8;
            pixels.push_back({s.GetBPP() == 32 ? p[3] : 255u, p[2], p[1], p[0]});
        }
    }
    return pixels;
}

std::vector<std::uint8_t> RandomTexture(Random& random, std::uint8_t pf, std::uint8_t df,
                                        std::int16_t w, std::int16_t h) {
    const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    std::vector<ArgbColor> colors;
    while (colors.size() < n) {
        ArgbColor c;
        ColorDecode(pf, random.Next() & 0xFFFF, c);
        const std::uint32_t length = random.Below(4) == 0 ? random.Below(600) + 1 : 1;
        colors.insert(colors.end(), length, c);
    }
    colors.resize(n);
    std::vector<ColorRun> runs;
    EncodeColorRuns(colors, runs);
    TextureInfo info;
    info.width = w;
    info.height = h;
    info.pixelFormat = pf;
    info.dataFormat = df;
    for (int i = 0; i < 12; ++i) {
        static constexpr char kHex[] = "0123456789abcdef";
        const std::uint32_t b = random.Below(256);
        info.headerText += kHex[b >> 4];
        info.headerText += kHex[b & 15];
    }
    std::vector<std::uint8_t> bytes;
    BuildPvzBytes(info, runs, bytes);
    return bytes;
}

}  // namespace qm::test
