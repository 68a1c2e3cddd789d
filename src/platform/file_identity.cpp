#include "platform/file_identity.h"

#include <filesystem>
#include <system_error>

#include "platform/utf8_path.h"

namespace qm {

std::string SameFileKey(const std::string& path) {
    std::error_code error;
    const std::filesystem::path key = std::filesystem::weakly_canonical(PathFromUtf8(path), error);
    return Utf8FromPath(error ? PathFromUtf8(path).lexically_normal() : key);
}

}  // namespace qm
