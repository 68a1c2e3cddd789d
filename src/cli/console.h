// Where quillmere-cli meets its console, one .cpp per platform: the
// arguments as UTF-8, text out, and whether a stream is a terminal.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace qm::cli {

// Readies standard output and error once, before anything is written.
void PrepareConsole();

// The program's arguments, argv[0] first, as UTF-8 (on Windows, from the
// UTF-16 command line).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Writes all of text (UTF-8) to stream and flushes it. A Windows console
// gets the text as UTF-16, so that Japanese shows; elsewhere the bytes go
// out as they are.
void WriteAndFlush(std::FILE* stream, std::string_view text);

// True when stream is a terminal (a console on Windows).
bool IsTerminal(std::FILE* stream);

// Columns of the terminal (console window) behind stream; 80 when it does
// not say.
std::size_t TerminalColumns(std::FILE* stream);

// When the program has its console window to itself (Windows started it
// for files dropped on the program in Explorer), shows prompt and waits for
// Enter before the window closes. Elsewhere it does nothing.
void WaitInOwnWindow(std::string_view prompt);

}  // namespace qm::cli
