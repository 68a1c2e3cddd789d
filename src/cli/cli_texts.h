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
inline constexpr std::string_view kRegisterDescription =
    "Windows: let Explorer show .pvz textures as pictures and open them in quillmere.exe, for "
    "this user";
inline constexpr std::string_view kUnregisterDescription =
    "Windows: take away what register wrote, and nothing else";
inline constexpr std::string_view kFooter =
    "Files named without a command (quillmere-cli PATH...) convert by their extension: a .png "
    "back into its texture, anything else as a texture into PNG.\n"
    "Exit status: 0 every file done, 1 some file failed or could not be read, or a PATH had "
    "nothing to convert, 2 usage error, 129/130/143 interrupted by HUP/INT/TERM.";
inline constexpr std::string_view kForceDescription =
    "Replace PNGs that are newer than their texture (edited since they were extracted)";

inline constexpr std::string_view kCannotListFolder = "cannot list the folder";
inline constexpr std::string_view kOutOfMemory = "out of memory";
inline constexpr std::string_view kInternalError = "internal error: ";
inline constexpr std::string_view kWrote = "wrote ";
inline constexpr std::string_view kNothingToConvert = "nothing to convert";
inline constexpr std::string_view kPressEnter = "Press Enter to close this window.";

// The status of a file left as it was, instead of 変換終了.
inline constexpr std::string_view kKept =
    "kept (the PNG is newer than its texture; --force replaces it)";

// Notes on what a conversion changed, each followed by a number.
inline constexpr std::string_view kNotePadded =
    "note: the texel stream ended early; texels made transparent black: ";
inline constexpr std::string_view kNoteMadeOpaque =
    "note: RGB565 has no alpha; non-opaque pixels made opaque: ";

// Notes for a palette texture (data-format code 07) on the default road.
inline constexpr std::string_view kNotePaletteExtracted =
    "note: a palette texture (data format 7): png2pvz gives it back as data format 9; "
    "--indexed here and --keep-palette there keep it a palette texture";
inline constexpr std::string_view kNotePalettePutBack =
    "note: written as data format 9, not as a palette texture (data format 7); "
    "--keep-palette keeps it a palette texture";

// An input of a batch whose output another input writes too:
// "not converted: OUTPUT is also the output of OTHER, OTHER".
inline constexpr std::string_view kSameOutput = "not converted: ";
inline constexpr std::string_view kSameOutputOthers = " is also the output of ";

// The summary line: "3 converted, 1 kept, 0 failed, 0.52 s", after an
// interruption "interrupted: 3 converted, 0 failed, 12 not started, 0.52 s".
inline constexpr std::string_view kInterrupted = "interrupted: ";
inline constexpr std::string_view kSummaryConverted = " converted";
inline constexpr std::string_view kSummaryKept = " kept";
inline constexpr std::string_view kSummaryFailed = " failed";
inline constexpr std::string_view kSummaryNotStarted = " not started";
// info on a PNG named with code 07, after "with --keep-palette: 7 palette".
inline constexpr std::string_view kWithItsPalette = ", and its .pvp";
inline constexpr std::string_view kThumbnailNotPng =
    "the preview is written as a PNG: the output's name must end in .png";
inline constexpr std::string_view kStreamTooShort =
    "stream too short for the picture's size: no preview";

// register and unregister.
inline constexpr std::string_view kRegistered =
    "registered for this user: Explorer shows .pvz textures as pictures and opens them in "
    "quillmere.exe";
inline constexpr std::string_view kUnregistered =
    "unregistered: Explorer no longer takes .pvz textures to Quillmere";
inline constexpr std::string_view kNotBeside = "not found beside quillmere-cli.exe: ";
inline constexpr std::string_view kRegistryFailed = "the registry could not be changed: ";
inline constexpr std::string_view kWindowsOnly =
    "register and unregister are for Windows; on Linux, make install registers the texture type";

}  // namespace qm::cli::text
