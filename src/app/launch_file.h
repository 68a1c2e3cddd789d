// The file named on the command line ("quillmere FILE", as a file manager
// starts the program for "Open with"), without any GUI toolkit.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qm {

// Where the dialog starts: the folder to make current and the bare name for
// the field, as a dropped file gives them.
struct LaunchFile {
    std::string folder;
    std::string name;
};

// The file among the program's arguments (the program's own name and the
// toolkit's options already removed): the first one that does not begin
// with "-", or the one right after "--".
// Its folder is the part before the last "/" (on Windows also a backslash
// or a drive's ":"); a root keeps its separator ("/", "C:\\"), and a bare
// name's folder is ".". Nothing when there is no argument, or when it ends
// in a separator and so names no file.
std::optional<LaunchFile> LaunchFileFromArguments(const std::vector<std::string>& arguments);

}  // namespace qm
