// Runs a piece of a test in a forked child: with a file-size or memory
// limit, or as an unprivileged user (tests run as root in CI, and root
// ignores file permissions). The child reports a string back through a pipe;
// assertions stay in the parent. On Windows only a body without limits runs
// (in the test's own process); with limits it reports a problem.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "support/test_support.h"

namespace qm::test {

struct ChildLimits {
    std::uint64_t fileSizeBytes = 0;      // RLIMIT_FSIZE, SIGXFSZ ignored; 0: none
    std::uint64_t extraAddressSpace = 0;  // RLIMIT_AS above what is in use; 0: none
    // When set and running as root: the folder is given to the user nobody
    // (65534), then the child drops to that user and group.
    const TempDir* unprivilegedIn = nullptr;
    unsigned timeoutSeconds = 20;  // SIGALRM after that
};

struct ChildResult {
    bool finished = false;  // exited normally after reporting
    int signal = 0;         // the signal that ended it, if any
    std::string report;
    std::string problem;  // why the child could not run its body
};

ChildResult RunInChild(const ChildLimits& limits, const std::function<std::string()>& body);

// A driver outcome through a child: ok flag and shown messages.
Outcome OutcomeInChild(const ChildLimits& limits, const std::function<Outcome()>& body,
                       ChildResult* raw = nullptr);

// True in builds with AddressSanitizer, whose shadow memory makes an
// address-space limit meaningless.
bool UnderAddressSanitizer();

// The most memory the process (the child, in a body) has held so far.
std::uint64_t PeakMemoryKiB();

}  // namespace qm::test
