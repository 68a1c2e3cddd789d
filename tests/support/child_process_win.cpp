// Windows has no fork, no resource limits and no user to drop to: the tests
// that need a child are POSIX-only (and say so in their names). This stand-in
// keeps the rest of the suites building there.
#include "support/child_process.h"

namespace qm::test {

ChildResult RunInChild(const ChildLimits& /*limits*/,
                       const std::function<std::string()>& /*body*/) {
    ChildResult result;
    result.problem = "not on Windows";
    return result;
}

Outcome OutcomeInChild(const ChildLimits& limits, const std::function<Outcome()>& /*body*/,
                       ChildResult* raw) {
    const ChildResult result = RunInChild(limits, nullptr);
    if (raw != nullptr) {
        *raw = result;
    }
    return Outcome{};
}

bool UnderAddressSanitizer() {
    return false;
}

}  // namespace qm::test
