// Windows' file systems ignore the case of letters already: every name is
// found as it is given.
#include "platform/name_case.h"

namespace qm {

std::string ResolveNameCase(const std::string& path) {
    return path;
}

ScopedFolderListings::ScopedFolderListings() = default;
ScopedFolderListings::~ScopedFolderListings() = default;

}  // namespace qm
