// Shared helpers for the test suites.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "texture/argb_color.h"

namespace qm::test {

// Captures every message and diagnostic line of the current thread while
// alive.
class CapturedMessages {
  public:
    CapturedMessages();
    std::vector<std::string> shown;
    std::vector<std::string> debug;

  private:
    ScopedMessageSink sink_;
};

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // Names of the entries in the folder, sorted.
    std::vector<std::string> List() const;

  private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A .pvz header with the given fields; bytes 8..19 as given, magics filled.
std::vector<std::uint8_t> MakePvzHeader(std::uint8_t pixelFormat, std::uint8_t dataFormat,
                                        std::int16_t width, std::int16_t height,
                                        const std::vector<std::uint8_t>& headerBytes = {});

// A .pvp palette file with the given entries and count.
std::vector<std::uint8_t> MakePalette(const std::vector<std::uint16_t>& entries,
                                      std::uint16_t count);

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

}  // namespace qm::test
