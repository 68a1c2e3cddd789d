#include "app/launch_file.h"

#include "platform/path_separators.h"

namespace qm {

std::optional<LaunchFile> LaunchFileFromArguments(const std::vector<std::string>& arguments) {
    std::size_t at = 0;
    while (at < arguments.size() && arguments[at].starts_with('-') && arguments[at] != "--") {
        ++at;  // an option the toolkit did not take: not a file
    }
    if (at < arguments.size() && arguments[at] == "--") {
        ++at;
    }
    if (at >= arguments.size()) {
        return std::nullopt;
    }
    const std::string& path = arguments[at];
    const std::size_t slash = path.find_last_of(kPathSeparators);
    if (slash == std::string::npos) {
        return path.empty() ? std::nullopt : std::optional<LaunchFile>({".", path});
    }
    if (slash + 1 == path.size()) {
        return std::nullopt;
    }
    // A root ("/", "C:\") or a drive ("C:") keeps its separator.
    std::string folder = path.substr(0, slash);
    if (folder.empty() || folder.back() == ':' || path[slash] == ':') {
        folder = path.substr(0, slash + 1);
    }
    return LaunchFile{folder, path.substr(slash + 1)};
}

}  // namespace qm
