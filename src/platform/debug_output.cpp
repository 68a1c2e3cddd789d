#include "platform/debug_output.h"

#include <cstdio>
#include <string>

namespace qm {

void WriteToDebugger(std::string_view text) {
    std::string line(text);
    if (line.empty() || line.back() != '\n') {
        line += '\n';
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace qm
