#include "platform/name_case.h"

#include <dirent.h>
#include <sys/stat.h>

namespace qm {

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(const char* a, const std::string& b) {
    std::size_t i = 0;
    for (; a[i] != '\0' && i < b.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return a[i] == '\0' && i == b.size();
}

}  // namespace

std::string ResolveNameCase(const std::string& path) {
    struct stat existing {};
    if (path.empty() || ::lstat(path.c_str(), &existing) == 0) {
        return path;
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        return path;
    }
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return path;
    }
    std::string found;
    int matches = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (EqualIgnoringAsciiCase(entry->d_name, name) && ++matches == 1) {
            found = entry->d_name;
        }
    }
    ::closedir(dir);
    return matches == 1 ? folder + found : path;
}

}  // namespace qm
