#include "cli/input_discovery.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cli/cli_texts.h"
#include "convert/png_name.h"
#include "platform/utf8_path.h"

namespace qm::cli {

namespace fs = std::filesystem;

namespace {

// Adds the accepted files of folder (and of its subfolders when recursive)
// to found, unsorted.
void CollectFolder(const fs::path& folder, const NameFilter& accept, bool recursive,
                   std::vector<InputFile>& found) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        found.push_back({Utf8FromPath(folder), std::string(text::kCannotListFolder), {}});
        return;
    }
    std::vector<fs::path> subfolders;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            break;
        }
        const fs::directory_entry& entry = *it;
        std::error_code statusError;
        if (recursive && entry.is_directory(statusError) && !entry.is_symlink(statusError)) {
            subfolders.push_back(entry.path());
        } else if (entry.is_regular_file(statusError) &&
                   accept(Utf8FromPath(entry.path().filename()))) {
            found.push_back({Utf8FromPath(entry.path()), {}, {}});
        }
    }
    if (ec) {
        found.push_back({Utf8FromPath(folder), std::string(text::kCannotListFolder), {}});
    }
    for (const fs::path& sub : subfolders) {
        CollectFolder(sub, accept, recursive, found);
    }
}

}  // namespace

bool IsPvzName(const std::string& fileName) {
    std::string copy = fileName;  // the check rewrites ".PVZ"
    return CheckPvzExtension(copy);
}

bool IsPngNameWithHeader(const std::string& fileName) {
    std::string copy = fileName;  // the check rewrites ".PNG"
    return CheckPngFileName(copy);
}

std::vector<InputFile> FindInputFiles(const std::vector<std::string>& paths,
                                      const NameFilter& accept, bool recursive) {
    std::vector<InputFile> files;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (!fs::is_directory(PathFromUtf8(path), ec)) {
            files.push_back({path, {}, {}});
            continue;
        }
        std::vector<InputFile> found;
        CollectFolder(PathFromUtf8(path), accept, recursive, found);
        std::sort(found.begin(), found.end(),
                  [](const InputFile& a, const InputFile& b) { return a.path < b.path; });
        files.insert(files.end(), std::make_move_iterator(found.begin()),
                     std::make_move_iterator(found.end()));
    }
    return files;
}

}  // namespace qm::cli
