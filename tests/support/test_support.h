// Shared helpers for the test suites: temporary folders, files, seeded
// randomness, captured messages and the two drivers run with their messages.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/image_surface.h"
#include "platform/message_sink.h"
#include "texture/argb_color.h"

namespace qm::test {

using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

// Captures every message and diagnostic line of the current thread while
// alive.
class CapturedMessages {
  public:
    CapturedMessages();
    Texts shown;
    Texts debug;

  private:
    ScopedMessageSink sink_;
};

// Names are UTF-8 strings in the tests, as in the program; these two cross
// to std::filesystem and back without the system's code page in the way
// (which would lose Japanese names on Windows). Utf8 gives '/' separators.
std::filesystem::path PathOf(const std::string& utf8);
std::string Utf8(const std::filesystem::path& path);

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return Utf8(path_ / PathOf(name)); }
    // Names of the entries in the folder, sorted.
    Texts List() const;
    // Every regular file below the folder as "sub/name", sorted.
    Texts Files() const;

  private:
    std::filesystem::path path_;
};

Bytes ReadFile(const std::string& path);
// Makes the folders on the way.
void WriteFile(const std::string& path, const Bytes& bytes);

// The words of text, split at spaces: a command line as written in a table.
Texts Words(const std::string& text);

// Deterministic pseudo-random numbers for property tests.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed * 2654435761u + 1) {}
    std::uint32_t Next();
    std::uint32_t Below(std::uint32_t bound) { return Next() % bound; }
    ArgbColor Color();

  private:
    std::uint64_t state_;
};

// One driver call and the messages it showed.
struct Outcome {
    bool ok = false;
    Texts shown;
    Texts debug;
    std::string written;  // the file produced, on success
};
Outcome PvzToPng(const std::string& path);
Outcome PngToPvz(const std::string& path);

// A surface filled from a colour per pixel, row by row (24 or 32 bits).
ImageSurface SurfaceOf(int width, int height, int bpp, const std::vector<ArgbColor>& pixels);
// A surface's pixels, row by row (alpha 255 at 24 bits).
std::vector<ArgbColor> PixelsOf(const ImageSurface& surface);
// A PNG file's pixels; empty when it does not load.
std::vector<ArgbColor> PixelsOf(const std::string& pngPath, int* bpp = nullptr);

}  // namespace qm::test
