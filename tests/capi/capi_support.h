// What the C API's tables share: the command line run on the same files,
// pictures made from seeded randomness, and RAII for the API's objects.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quillmere/quillmere.h"
#include "support/run_program.h"
#include "support/test_support.h"
#include "support/texture_bytes.h"

namespace qm::test {

struct TextureDeleter {
    void operator()(qm_texture* texture) const { qm_texture_free(texture); }
};
using TexturePtr = std::unique_ptr<qm_texture, TextureDeleter>;

// A qm_buffer freed when it goes.
struct Buffer {
    qm_buffer b{nullptr, 0};
    ~Buffer() { qm_buffer_free(&b); }
    Bytes bytes() const { return b.data == nullptr ? Bytes{} : Bytes(b.data, b.data + b.size); }
};

// quillmere-cli run in dir with args.
inline ProgramRun Cli(const TempDir& dir, const std::string& args) {
    return RunProgram(QM_CLI_PATH, Words(args), Utf8(dir.path()));
}

// The first file in dir whose name ends in suffix, or "".
inline std::string FileEndingIn(const TempDir& dir, const std::string& suffix) {
    for (const std::string& name : dir.List()) {
        if (name.size() >= suffix.size() && name.ends_with(suffix)) return dir / name;
    }
    return "";
}

// A PNG file's pixels as R G B A bytes, top row first.
inline Bytes RgbaOfPng(const std::string& path) {
    Bytes rgba;
    for (const ArgbColor& c : PixelsOf(path)) {
        rgba.insert(rgba.end(),
                    {static_cast<std::uint8_t>(c.red), static_cast<std::uint8_t>(c.green),
                     static_cast<std::uint8_t>(c.blue), static_cast<std::uint8_t>(c.alpha)});
    }
    return rgba;
}

// width x height random pixels; alpha from a few levels, colours from
// fewer values with few, so that runs, palettes and quantising all occur.
inline Bytes RandomRgba(Random& random, int width, int height, int levels) {
    Bytes rgba;
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) {
            rgba.push_back(static_cast<std::uint8_t>(
                random.Below(static_cast<std::uint32_t>(levels)) * 255 / (levels - 1)));
        }
        const std::uint32_t a = random.Below(4);
        rgba.push_back(static_cast<std::uint8_t>(a == 0 ? 0 : a == 1 ? 128 : 255));
    }
    return rgba;
}

}  // namespace qm::test
