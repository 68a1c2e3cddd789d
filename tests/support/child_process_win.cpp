// Windows has no fork, no resource limits and no user to drop to: a body
// without limits runs in the test's own process, and the tests that need
// limits are POSIX-only (and say so in their names).
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include "support/child_process.h"

namespace qm::test {

ChildResult RunInChild(const ChildLimits& limits, const std::function<std::string()>& body) {
    ChildResult result;
    if (limits.fileSizeBytes != 0 || limits.extraAddressSpace != 0 ||
        limits.unprivilegedIn != nullptr) {
        result.problem = "no limits on Windows";
        return result;
    }
    try {
        result.report = body();
        result.finished = true;
    } catch (...) {
        result.problem = "the child's work threw an exception";
    }
    return result;
}

Outcome OutcomeInChild(const ChildLimits& limits, const std::function<Outcome()>& body,
                       ChildResult* raw) {
    Outcome outcome;
    const ChildResult result = RunInChild(limits, [&] {
        outcome = body();
        return std::string();
    });
    if (raw != nullptr) *raw = result;
    if (!result.finished) outcome.shown = {"(child: " + result.problem + ")"};
    return outcome;
}

bool UnderAddressSanitizer() {
    return false;
}

std::uint64_t PeakMemoryKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize / 1024;
}

}  // namespace qm::test
