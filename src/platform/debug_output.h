// Where a diagnostic line goes when no message sink is installed.
#pragma once

#include <string_view>

namespace qm {

// Standard error on POSIX; the debugger's output (OutputDebugStringA) on
// Windows, where a program started from Explorer has no standard error.
void WriteToDebugger(std::string_view text);

}  // namespace qm
