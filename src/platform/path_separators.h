// The characters that end a folder name in a path.
#pragma once

#include <string_view>

namespace qm {

#if defined(_WIN32)
// Windows takes both slashes, and a drive's colon ("C:name").
inline constexpr std::string_view kPathSeparators = "/\\:";
#else
inline constexpr std::string_view kPathSeparators = "/";
#endif

}  // namespace qm
