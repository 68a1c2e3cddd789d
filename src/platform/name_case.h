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

// While one is alive (in any thread), each folder is listed once, the first
// time ResolveNameCase needs it, and later look-ups in that folder are
// answered from that listing: a batch that writes thousands of files into a
// folder does not list it again for each. Entries made after the listing
// (the batch's own outputs among them) are not seen as case variants.
class ScopedFolderListings {
  public:
    ScopedFolderListings();
    ~ScopedFolderListings();
    ScopedFolderListings(const ScopedFolderListings&) = delete;
    ScopedFolderListings& operator=(const ScopedFolderListings&) = delete;
};

}  // namespace qm
