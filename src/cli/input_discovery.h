// Turns the PATH arguments into the list of files a command works on.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qm::cli {

struct InputFile {
    std::string path;   // as given, or the folder as given joined with the name found
    std::string error;  // not empty when the entry could not be examined (a folder that
                        // cannot be listed); such an entry counts as a failed file
    std::string note;   // a "note: ..." line for when the file is converted (not with -q)
};

// Decides from a file's name alone whether a folder's entry is taken.
using NameFilter = std::function<bool(const std::string& fileName)>;

// The filters of the two directions: names the converters accept (.pvz or
// .PVZ; a PNG name carrying a header).
bool IsPvzName(const std::string& fileName);
bool IsPngNameWithHeader(const std::string& fileName);

// A PATH that is a folder (or a link to one) stands for the regular files in
// it whose names pass accept, sorted by path; with recursive, its subfolders
// are searched too (links to folders are not followed, so no loop is
// possible). Any other PATH, existing or not, is taken as it is: the command
// reports what is wrong with it.
std::vector<InputFile> FindInputFiles(const std::vector<std::string>& paths,
                                      const NameFilter& accept, bool recursive);

}  // namespace qm::cli
