// Whether two paths name one file, also before the file exists: the check
// of a batch that must not write one output twice.
#pragma once

#include <string>

namespace qm {

// The path made absolute, with "." and ".." and repeated separators removed
// and the links in its existing part followed; on Windows, which ignores
// letter case in names, in upper case as well. Paths that give the same key
// name the same file (hard links aside).
std::string SameFileKey(const std::string& path);

}  // namespace qm
