#include "platform/name_case.h"

#include <dirent.h>
#include <sys/stat.h>

#include <mutex>
#include <optional>
#include <unordered_map>

namespace qm {

namespace {

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// A folder's entries by their lowercase name: how many share it, and the
// first one's name.
struct Variants {
    int count = 0;
    std::string name;
};
using Listing = std::unordered_map<std::string, Variants>;

std::optional<Listing> ListFolder(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    Listing listing;
    while (const dirent* entry = ::readdir(dir)) {
        Variants& variants = listing[AsciiLower(entry->d_name)];
        if (++variants.count == 1) {
            variants.name = entry->d_name;
        }
    }
    ::closedir(dir);
    return listing;
}

// The listings kept while a ScopedFolderListings is alive.
std::mutex listingsMutex;
int listingScopes = 0;
std::unordered_map<std::string, std::optional<Listing>> listings;

// The one entry of folder that matches name in any case, if there is one.
std::optional<std::string> OneVariant(const std::string& folder, const std::string& name) {
    const auto pick = [&name](const std::optional<Listing>& listing) -> std::optional<std::string> {
        if (!listing) {
            return std::nullopt;
        }
        const auto found = listing->find(AsciiLower(name));
        if (found == listing->end() || found->second.count != 1) {
            return std::nullopt;
        }
        return found->second.name;
    };
    const std::lock_guard lock(listingsMutex);
    if (listingScopes == 0) {
        return pick(ListFolder(folder));
    }
    auto kept = listings.find(folder);
    if (kept == listings.end()) {
        kept = listings.emplace(folder, ListFolder(folder)).first;
    }
    return pick(kept->second);
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
    const std::optional<std::string> variant = OneVariant(folder, name);
    return variant ? folder + *variant : path;
}

ScopedFolderListings::ScopedFolderListings() {
    const std::lock_guard lock(listingsMutex);
    ++listingScopes;
}

ScopedFolderListings::~ScopedFolderListings() {
    const std::lock_guard lock(listingsMutex);
    if (--listingScopes == 0) {
        listings.clear();
    }
}

}  // namespace qm
