#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include "cli/console.h"
#include "platform/utf16_win.h"

namespace qm::cli {

namespace {

// The console behind stream, or null when it goes to a file or a pipe.
HANDLE ConsoleOf(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

void PrepareConsole() {
    for (std::FILE* stream : {stdout, stderr}) {
        // Redirected output is the same bytes as on Linux: UTF-8, LF line ends.
        ::_setmode(::_fileno(stream), _O_BINARY);
        // The progress bar redraws its line with an escape sequence.
        if (const HANDLE console = ConsoleOf(stream)) {
            DWORD mode = 0;
            ::GetConsoleMode(console, &mode);
            ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        }
    }
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(Utf8FromUtf16(wide[i]));
    }
    ::LocalFree(wide);
    return arguments;
}

void WriteAndFlush(std::FILE* stream, std::string_view text) {
    if (const HANDLE console = ConsoleOf(stream)) {
        std::fflush(stream);
        const std::wstring wide = Utf16FromUtf8(text);
        std::size_t done = 0;
        while (done < wide.size()) {
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
            if (!::WriteConsoleW(console, wide.data() + done, chunk, &written, nullptr) ||
                written == 0) {
                break;
            }
            done += written;
        }
        return;
    }
    if (!text.empty()) {
        std::fwrite(text.data(), 1, text.size(), stream);
    }
    std::fflush(stream);
}

bool IsTerminal(std::FILE* stream) {
    return ConsoleOf(stream) != nullptr;
}

std::size_t TerminalColumns(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    const HANDLE console = ConsoleOf(stream);
    if (console != nullptr && ::GetConsoleScreenBufferInfo(console, &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0) {
            return static_cast<std::size_t>(columns);
        }
    }
    return 80;
}

void WaitInOwnWindow(std::string_view prompt) {
    // A command prompt shares the console and stays open; input from a
    // file or a pipe has no one to press Enter.
    DWORD processes[2];
    if (::GetConsoleProcessList(processes, 2) != 1 || !IsTerminal(stdin)) {
        return;
    }
    WriteAndFlush(stdout, prompt);
    for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
    }
}

}  // namespace qm::cli
