// Names written on case-insensitive systems. Textures copied from such a
// system often come as "STONE.PVZ" beside "STONE.PVP", while the program
// derives "STONE.pvp"; on a case-sensitive file system the two would not meet.
#pragma once

#include <string>

namespace qm {

// A path that names no entry stands for the one entry of its folder whose
// name differs from its last component only in the case of ASCII letters.
// Returns that entry's path (folder part as given), or path unchanged when
// it exists, when its folder holds no such entry or more than one, or when
// the folder cannot be listed. Only the last component is matched.
std::string ResolveNameCase(const std::string& path);

}  // namespace qm
