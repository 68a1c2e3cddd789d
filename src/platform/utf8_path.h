// std::filesystem paths from and to the program's UTF-8 names. A path made
// from a plain std::string takes the system's code page on Windows, which
// spoils any name outside it (Japanese on most systems); these go through
// char8_t, which is UTF-8 everywhere.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qm {

inline std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace qm
