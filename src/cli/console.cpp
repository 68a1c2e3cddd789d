#include "cli/console.h"

#include <unistd.h>

namespace qm::cli {

void PrepareConsole() {}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void WriteAndFlush(std::FILE* stream, std::string_view text) {
    if (!text.empty()) {
        std::fwrite(text.data(), 1, text.size(), stream);
    }
    std::fflush(stream);
}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

void WaitInOwnWindow(std::string_view /*prompt*/) {}

}  // namespace qm::cli
