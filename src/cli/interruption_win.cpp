// Ctrl-C, Ctrl-Break and the console window's close box on Windows. The
// console runs the handler on a thread of its own, so plain calls are
// allowed here; the exit statuses are those of the POSIX signals (INT for
// Ctrl-C and Ctrl-Break, HUP for a closed window or an ended session).
#include <windows.h>

#include <atomic>

#include "cli/interruption.h"
#include "platform/file_io.h"

namespace qm::cli {

namespace {

constexpr int kInterrupt = 2;  // SIGINT
constexpr int kHangUp = 1;     // SIGHUP

std::atomic<int> received{0};
std::atomic<bool> progressShown{false};

void EndNow(int signal) {
    RemovePendingTemporaries();
    if (progressShown.load()) {
        static constexpr char kClearLine[] = "\r\033[K";
        DWORD written = 0;
        ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), kClearLine, 4, &written, nullptr);
    }
    ::ExitProcess(static_cast<UINT>(128 + signal));
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        int none = 0;
        if (received.compare_exchange_strong(none, kInterrupt)) {
            return TRUE;  // the batch stops after the files in progress
        }
        EndNow(received.load());
    }
    // The window is closing or the user is leaving: Windows ends the
    // process a few seconds after this returns, so end it cleanly now.
    int none = 0;
    received.compare_exchange_strong(none, kHangUp);
    EndNow(received.load());
    return TRUE;
}

}  // namespace

InterruptionHandlers::InterruptionHandlers() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptionHandlers::~InterruptionHandlers() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

int InterruptionHandlers::Received() {
    return received.load();
}

void InterruptionHandlers::SetProgressShown(bool shown) {
    progressShown.store(shown);
}

}  // namespace qm::cli
