// Every file name the program derives from another one, and how a derived
// name meets the files that exist.
//
//   wall.pvz   ->  wall.pvp                                palette (code 7)
//   wall.pvz   ->  wall_0800000001000000000000000109.png   PNG (png_name.h)
//   wall_0800000001000000000000000109.png  ->  wall.pvz    texture
//   any file   ->  .NAME.tmp-XXXXXX beside it              temporary
//                                                          (platform/file_io.h)
//
// Textures copied from a case-insensitive disc often come as "S7.PVZ" beside
// "S7.PVP". A derived name that does not exist stands for the one entry of
// its folder that differs from it only in ASCII letter case
// (platform/name_case.h). Reading and writing go through the same resolved
// name: a file that is rewritten keeps its name, and no case variant is ever
// created beside it.
#pragma once

#include <string>

#include "convert/png_name.h"
#include "texture/pvz_header.h"

namespace qm {

// The palette beside a texture: the texture's last extension ".pvz", in any
// letter case, with its last letter turned into "p" of the same case
// ("wall.pvz" -> "wall.pvp", "S7.PVZ" -> "S7.PVP"). A name without such an
// extension gets ".pvp" appended, so that a palette name is never the
// texture's own. Not resolved.
std::string PalettePathFor(const std::string& texturePath);

// The palette file of the texture at texturePath, resolved.
std::string PaletteFileFor(const std::string& texturePath);

// The PNG file of a texture whose header was read, resolved.
std::string PngFileFor(const TextureInfo& info);

// The texture file a checked PNG name leads to, resolved.
std::string TextureFileFor(const PngNameFields& fields);

// A name typed by a user or found in a folder, resolved.
std::string TypedFile(const std::string& path);

}  // namespace qm
