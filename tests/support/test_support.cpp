#include "support/test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#include "convert/png_to_pvz.h"
#include "convert/pvz_to_png.h"
#include "platform/png_file.h"
#include "platform/utf8_path.h"

namespace qm::test {

CapturedMessages::CapturedMessages()
    : sink_([this](std::string_view text) { shown.emplace_back(text); },
            [this](std::string_view text) { debug.emplace_back(text); }) {}

std::filesystem::path PathOf(const std::string& utf8) {
    return PathFromUtf8(utf8);
}

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

TempDir::TempDir() {
    thread_local std::mt19937_64 names{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = std::filesystem::temp_directory_path() / ("qm-test-" + std::to_string(names()));
        if (std::filesystem::create_directory(path_)) return;  // false: the name was taken
    }
    throw std::runtime_error("no fresh temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

Texts TempDir::List() const {
    Texts names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        names.push_back(Utf8(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

Texts TempDir::Files() const {
    Texts names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_)) {
        if (entry.is_regular_file()) names.push_back(Utf8(entry.path().lexically_relative(path_)));
    }
    std::sort(names.begin(), names.end());
    return names;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    const std::filesystem::path name = PathOf(path);
    if (name.has_parent_path()) std::filesystem::create_directories(name.parent_path());
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

Texts Words(const std::string& text) {
    std::istringstream in(text);
    Texts words;
    for (std::string word; std::getline(in, word, ' ');) {
        if (!word.empty()) words.push_back(word);
    }
    return words;
}

std::uint32_t Random::Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<std::uint32_t>(state_ >> 16);
}

ArgbColor Random::Color() {
    const std::uint32_t v = Next();
    return ArgbColor{v >> 24, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF};
}

namespace {

Outcome Run(bool (*driver)(std::string&, std::string*), const std::string& path) {
    CapturedMessages messages;
    std::string name = path;
    Outcome out;
    out.ok = driver(name, &out.written);
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

std::vector<ArgbColor> PixelsOf(const ImageSurface& s) {
    std::vector<ArgbColor> pixels;
    for (int y = 0; y < s.GetHeight(); ++y) {
        for (int x = 0; x < s.GetWidth(); ++x) {
            const std::uint8_t* p = s.GetBits() + y * s.GetPitch() + x * s.GetBPP() / 8;
            pixels.push_back({s.GetBPP() == 32 ? p[3] : 255u, p[2], p[1], p[0]});
        }
    }
    return pixels;
}

std::vector<ArgbColor> PixelsOf(const std::string& pngPath, int* bpp) {
    ImageSurface s;
    if (LoadPngFile(pngPath, s) != kPngLoaded) return {};
    if (bpp != nullptr) *bpp = s.GetBPP();
    return PixelsOf(s);
}

}  // namespace qm::test
