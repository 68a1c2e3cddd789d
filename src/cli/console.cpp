#include "cli/console.h"

#include <sys/ioctl.h>
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

std::size_t TerminalColumns(std::FILE* stream) {
    struct winsize size {};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

void WaitInOwnWindow(std::string_view /*prompt*/) {}

}  // namespace qm::cli
