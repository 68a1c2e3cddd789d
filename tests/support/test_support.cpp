#include "support/test_support.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/le_bytes.h"
#include "texture/pvz_header.h"

namespace qm::test {

CapturedMessages::CapturedMessages()
    : sink_([this](std::string_view text) { shown.emplace_back(text); },
            [this](std::string_view text) { debug.emplace_back(text); }) {}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qm-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::List() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::vector<std::uint8_t> MakePvzHeader(std::uint8_t pixelFormat, std::uint8_t dataFormat,
                                        std::int16_t width, std::int16_t height,
                                        const std::vector<std::uint8_t>& headerBytes) {
    std::vector<std::uint8_t> bytes(kPvzHeaderSize, 0);
    std::span<std::uint8_t> out(bytes);
    WriteLe32(out, kSizeWordOffset,
              static_cast<std::uint32_t>(std::int64_t{width} * height * 2 + kExpandedSizeBase));
    std::copy(kGbixMagic.begin(), kGbixMagic.end(), bytes.begin() + kGbixOffset);
    for (std::size_t i = 0; i < headerBytes.size() && i < kHeaderBytesLength; ++i) {
        bytes[kHeaderBytesOffset + i] = headerBytes[i];
    }
    std::copy(kPvrtMagic.begin(), kPvrtMagic.end(), bytes.begin() + kPvrtOffset);
    bytes[kPixelFormatOffset] = pixelFormat;
    bytes[kDataFormatOffset] = dataFormat;
    WriteLe16(out, kWidthOffset, static_cast<std::uint16_t>(width));
    WriteLe16(out, kHeightOffset, static_cast<std::uint16_t>(height));
    return bytes;
}

std::vector<std::uint8_t> MakePalette(const std::vector<std::uint16_t>& entries,
                                      std::uint16_t count) {
    std::vector<std::uint8_t> bytes(16 + 2 * entries.size(), 0xAB);
    WriteLe16(bytes, 14, count);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        WriteLe16(bytes, 16 + 2 * i, entries[i]);
    }
    return bytes;
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

}  // namespace qm::test
