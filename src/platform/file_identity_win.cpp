#include <windows.h>

#include <filesystem>
#include <system_error>

#include "platform/file_identity.h"
#include "platform/utf8_path.h"

namespace qm {

std::string SameFileKey(const std::string& path) {
    std::error_code error;
    const std::filesystem::path given = PathFromUtf8(path);
    std::filesystem::path key = std::filesystem::weakly_canonical(given, error);
    if (error) {
        key = given.lexically_normal();
    }
    // Names that differ only in case name one file: compared in upper case,
    // as the file system compares them.
    std::wstring text = key.wstring();
    if (!text.empty()) {
        ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(),
                        static_cast<int>(text.size()), text.data(), static_cast<int>(text.size()),
                        nullptr, nullptr, 0);
    }
    return Utf8FromPath(std::filesystem::path(text));
}

}  // namespace qm
