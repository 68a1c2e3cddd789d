#include <windows.h>

#include <string>

#include "platform/debug_output.h"

namespace qm {

void WriteToDebugger(std::string_view text) {
    // The line as it is (UTF-8): debuggers show what they are given.
    const std::string line(text);
    ::OutputDebugStringA(line.c_str());
}

}  // namespace qm
