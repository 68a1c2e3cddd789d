#include "cli/interruption.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>

#include "platform/file_io.h"

namespace qm::cli {

namespace {

constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> received{0};
std::atomic<bool> progressShown{false};
std::array<struct sigaction, kSignals.size()> previous{};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "read and written by a signal handler");

// Only async-signal-safe calls here.
void OnSignal(int signal) {
    int none = 0;
    if (received.compare_exchange_strong(none, signal)) {
        return;  // the batch stops after the files in progress
    }
    RemovePendingTemporaries();
    if (progressShown.load()) {
        static constexpr char kClearLine[] = "\r\033[K";
        [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, kClearLine, 4);
    }
    ::_exit(128 + received.load());
}

}  // namespace

InterruptionHandlers::InterruptionHandlers() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        sigaddset(&action.sa_mask, signal);  // one handler at a time
    }
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &action, &previous[i]);
        if (previous[i].sa_handler == SIG_IGN) {
            // Ignored by whoever started us (nohup, a background job): stays so.
            ::sigaction(kSignals[i], &previous[i], nullptr);
        }
    }
}

InterruptionHandlers::~InterruptionHandlers() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &previous[i], nullptr);
    }
}

int InterruptionHandlers::Received() {
    return received.load();
}

void InterruptionHandlers::SetProgressShown(bool shown) {
    progressShown.store(shown);
}

}  // namespace qm::cli
