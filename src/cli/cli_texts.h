// Wording that only the command-line front end shows: help, progress and the
// few failures that happen before a conversion starts. Messages of the
// conversions themselves live in platform/messages.h.
#pragma once

#include <string_view>

namespace qm::cli::text {

inline constexpr std::string_view kAppDescription =
    "Converts .pvz textures to PNG and back. The PNG's name carries the texture's header, so "
    "a converted picture can be turned back into its texture.";
inline constexpr std::string_view kPvzToPngDescription =
    "Convert .pvz textures into PNG files written beside them";
inline constexpr std::string_view kPngToPvzDescription =
    "Convert PNG files named NAME_<28 characters>.png back into NAME.pvz";
inline constexpr std::string_view kInfoDescription =
    "Describe .pvz textures (and PNG files) without converting";
inline constexpr std::string_view kThumbnailDescription =
    "Write a PNG preview of a .pvz texture, scaled down to fit SIZE x SIZE";
inline constexpr std::string_view kFooter =
    "Exit status: 0 every file done, 1 some file failed or could not be read, 2 usage error.";

inline constexpr std::string_view kCannotListFolder = "cannot list the folder";
inline constexpr std::string_view kOutOfMemory = "out of memory";
inline constexpr std::string_view kInternalError = "internal error: ";
inline constexpr std::string_view kWrote = "wrote ";
inline constexpr std::string_view kStreamTooShort =
    "stream too short for the picture's size: no preview";

}  // namespace qm::cli::text
