// Text is UTF-8 everywhere in the program; Win32's wide calls take UTF-16.
// These two convert at that edge (Windows only).
#pragma once

#include <string>
#include <string_view>

namespace qm {

// Invalid sequences become U+FFFD.
std::wstring Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::wstring_view text);

}  // namespace qm
