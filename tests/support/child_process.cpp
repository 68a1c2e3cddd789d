#include "support/child_process.h"

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#if defined(__SANITIZE_ADDRESS__)
#define QM_TEST_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_TEST_UNDER_ASAN 1
#endif
#endif

namespace qm::test {

namespace {

constexpr uid_t kNobody = 65534;

// Exit codes of a child that could not run its body.
constexpr int kReportFailed = 3;
constexpr int kDropFailed = 4;
constexpr int kLimitFailed = 5;
constexpr int kThrew = 6;

bool GiveToNobody(const std::filesystem::path& folder) {
    if (::chown(folder.c_str(), kNobody, kNobody) != 0) return false;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (::lchown(entry.path().c_str(), kNobody, kNobody) != 0) return false;
    }
    return true;
}

bool DropPrivileges(const TempDir& folder) {
    if (::geteuid() != 0) return true;
    return GiveToNobody(folder.path()) && ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 &&
           ::setuid(kNobody) == 0 && ::geteuid() == kNobody;
}

bool ApplyLimits(const ChildLimits& limits) {
    if (limits.fileSizeBytes != 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{limits.fileSizeBytes, limits.fileSizeBytes};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    }
    if (limits.extraAddressSpace != 0 && !UnderAddressSanitizer()) {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t bytes =
            static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) +
            limits.extraAddressSpace;
        const rlimit limit{bytes, bytes};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) return false;
    }
    return true;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool UnderAddressSanitizer() {
#ifdef QM_TEST_UNDER_ASAN
    return true;
#else
    return false;
#endif
}

std::uint64_t PeakMemoryKiB() {
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    return static_cast<std::uint64_t>(use.ru_maxrss);  // in KiB on Linux
}

ChildResult RunInChild(const ChildLimits& limits, const std::function<std::string()>& body) {
    ChildResult result;
    int fds[2];
    if (::pipe(fds) != 0) {
        result.problem = "pipe failed";
        return result;
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        result.problem = "fork failed";
        return result;
    }
    if (child == 0) {
        ::close(fds[0]);
        ::alarm(limits.timeoutSeconds);
        if (limits.unprivilegedIn != nullptr && !DropPrivileges(*limits.unprivilegedIn)) {
            ::_exit(kDropFailed);
        }
        if (!ApplyLimits(limits)) ::_exit(kLimitFailed);
        // Nothing may escape into the child's copy of the test runner.
        try {
            ::_exit(WriteAll(fds[1], body()) ? 0 : kReportFailed);
        } catch (...) {
            ::_exit(kThrew);
        }
    }
    ::close(fds[1]);
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            result.report.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
        result.problem = "child ended by signal " + std::to_string(result.signal);
    } else if (WEXITSTATUS(status) == kDropFailed) {
        result.problem = "could not drop to the unprivileged user 65534";
    } else if (WEXITSTATUS(status) == kLimitFailed) {
        result.problem = "could not set the resource limit";
    } else if (WEXITSTATUS(status) == kThrew) {
        result.problem = "the child's work threw an exception";
    } else if (WEXITSTATUS(status) != 0) {
        result.problem = "child exited with status " + std::to_string(WEXITSTATUS(status));
    } else {
        result.finished = true;
    }
    return result;
}

Outcome OutcomeInChild(const ChildLimits& limits, const std::function<Outcome()>& body,
                       ChildResult* raw) {
    // Report: the ok flag, then each message followed by a NUL.
    const ChildResult child = RunInChild(limits, [&body] {
        const Outcome out = body();
        std::string report(1, out.ok ? '1' : '0');
        for (const std::string& text : out.shown) {
            report += text;
            report += '\0';
        }
        return report;
    });
    if (raw != nullptr) *raw = child;
    Outcome outcome;
    if (!child.finished || child.report.empty()) {
        outcome.shown.push_back("(child: " + child.problem + ")");
        return outcome;
    }
    outcome.ok = child.report[0] == '1';
    for (std::size_t at = 1; at < child.report.size();) {
        const std::size_t end = child.report.find('\0', at);
        outcome.shown.push_back(child.report.substr(at, end - at));
        at = end + 1;
    }
    return outcome;
}

}  // namespace qm::test
