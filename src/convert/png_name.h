// The file names that carry a texture's header through its PNG.
//
//   wall.pvz  <->  wall_0800000001000000000000000109.png
//                       \______________________/\/\/
//                        header bytes 8..19      | data-format code
//                        (24 hex digits)         pixel-format code
//
// Texture to PNG inserts "_", the 24 hex digits of headerText and the two
// codes as two lowercase hex digits each before the extension. PNG to texture
// accepts only names of that shape and removes the 29 characters again. The
// rules apply to the last component of a path; a folder part is kept.
#pragma once

#include <cstddef>
#include <string>

#include "texture/pvz_header.h"

namespace qm {

// "_" + 24 header digits + 2 + 2 code digits.
inline constexpr std::size_t kPngNameSuffixLength = 28;

// True when the file name ends in ".pvz", or in ".PVZ", which is then
// rewritten to ".pvz" in place.
bool CheckPvzExtension(std::string& name);

// True when the file name ends in ".png" (".PNG" is rewritten to ".png" in
// place, even when the check then fails) and exactly 28 characters lie
// between its last "_" and the first "." after it.
bool CheckPngFileName(std::string& name);

// The PNG name for a texture: texturePath with "_" + headerText + the two
// codes inserted at its last ".pvz", which becomes ".png".
std::string BuildPngName(const TextureInfo& info);

// What a checked PNG name carries: header text, codes and the .pvz name.
struct PngNameFields {
    std::string headerText;
    std::uint8_t pixelFormat = 0;
    std::uint8_t dataFormat = 0;
    std::string texturePath;
};

// Parses a name that passed CheckPngFileName.
PngNameFields ParsePngName(const std::string& name);

}  // namespace qm
