// A library preloaded into quillmere-cli by the tests (LD_PRELOAD) that
// writes down, in the order they happen, the calls that decide whether a
// replaced file survives a power cut or an interruption: flushes to the disk,
// renames and links. It can also take away files without a name (O_TMPFILE),
// and hold the program at its first rename, so that a test can send signals
// while a temporary file is visible.
//
// Set by the environment:
//   QM_IO_TRACE_FD=N        lines go to descriptor N (inherited from the test)
//   QM_IO_TRACE_NO_TMPFILE  opening with O_TMPFILE fails with EOPNOTSUPP
//   QM_IO_TRACE_HOLD        the first rename waits for ever (until a signal
//                           ends the program), after writing "held"
//
// Lines:
//   flush DEV:INO SIZE                  fsync or fdatasync of that file
//   rename DEV:INO SIZE EXISTED TARGET  before a rename; EXISTED 1 when it replaces
//   link TARGET                         after a successful link
//   held                                the first rename waits
//   handled SIGNAL                      the program's handler for SIGNAL returned
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

int TraceFd() {
    static const int fd = [] {
        const char* text = std::getenv("QM_IO_TRACE_FD");
        return text != nullptr ? std::atoi(text) : -1;
    }();
    return fd;
}

bool Set(const char* name) {
    return std::getenv(name) != nullptr;
}

// One line in one write, so that lines of two threads never mix.
void Line(const char* format, ...) {
    if (TraceFd() < 0) return;
    char text[4352];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length > 0 && static_cast<std::size_t>(length) < sizeof text) {
        [[maybe_unused]] const ssize_t ignored =
            ::write(TraceFd(), text, static_cast<std::size_t>(length));
    }
}

void Flushing(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) == 0) {
        Line("flush %llu:%llu %lld\n", static_cast<unsigned long long>(info.st_dev),
             static_cast<unsigned long long>(info.st_ino), static_cast<long long>(info.st_size));
    }
}

void Renaming(int fromDir, const char* from, int toDir, const char* to) {
    struct stat source {
    }, target{};
    if (::fstatat(fromDir, from, &source, AT_SYMLINK_NOFOLLOW) != 0) return;
    const bool existed = ::fstatat(toDir, to, &target, AT_SYMLINK_NOFOLLOW) == 0;
    Line("rename %llu:%llu %lld %d %s\n", static_cast<unsigned long long>(source.st_dev),
         static_cast<unsigned long long>(source.st_ino), static_cast<long long>(source.st_size),
         existed ? 1 : 0, to);
    static std::atomic<bool> held{false};
    if (Set("QM_IO_TRACE_HOLD") && !held.exchange(true)) {
        Line("held\n");
        for (;;) ::pause();  // a handler that returns lets it wait on
    }
}

bool RefusedTemporary(int flags) {
    if ((flags & O_TMPFILE) == O_TMPFILE && Set("QM_IO_TRACE_NO_TMPFILE")) {
        errno = EOPNOTSUPP;
        return true;
    }
    return false;
}

// The third argument of open: there only when the file may be created.
mode_t ModeArgument(int flags, va_list args) {
    const bool creates = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
    return creates ? static_cast<mode_t>(va_arg(args, unsigned)) : 0;
}

// The program's handlers for these signals, called by Handled.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
std::atomic<void (*)(int)> handlers[NSIG];

void Handled(int signal) {
    handlers[signal].load()(signal);
    char text[] = "handled   \n";  // async-signal-safe formatting
    text[8] = static_cast<char>('0' + signal / 10);
    text[9] = static_cast<char>('0' + signal % 10);
    [[maybe_unused]] const ssize_t ignored = ::write(TraceFd(), text, sizeof text - 1);
}

}  // namespace

extern "C" {

int fsync(int fd) {
    Flushing(fd);
    return Next<int (*)(int)>("fsync")(fd);
}

int fdatasync(int fd) {
    Flushing(fd);
    return Next<int (*)(int)>("fdatasync")(fd);
}

int rename(const char* from, const char* to) {
    Renaming(AT_FDCWD, from, AT_FDCWD, to);
    return Next<int (*)(const char*, const char*)>("rename")(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    Renaming(fromDir, from, toDir, to);
    return Next<int (*)(int, const char*, int, const char*)>("renameat")(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    Renaming(fromDir, from, toDir, to);
    return Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2")(
        fromDir, from, toDir, to, flags);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    const int done = Next<int (*)(int, const char*, int, const char*, int)>("linkat")(
        fromDir, from, toDir, to, flags);
    if (done == 0) Line("link %s\n", to);
    return done;
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeArgument(flags, args);
    va_end(args);
    if (RefusedTemporary(flags)) return -1;
    return Next<int (*)(const char*, int, ...)>("open")(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeArgument(flags, args);
    va_end(args);
    if (RefusedTemporary(flags)) return -1;
    return Next<int (*)(const char*, int, ...)>("open64")(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeArgument(flags, args);
    va_end(args);
    if (RefusedTemporary(flags)) return -1;
    return Next<int (*)(int, const char*, int, ...)>("openat")(dir, path, flags, mode);
}

// The program's handlers for the interrupting signals run inside Handled,
// which says when one returned: then a test knows the first signal was taken
// before it sends the second.
int sigaction(int signal, const struct sigaction* action, struct sigaction* previous) {
    const auto real = Next<int (*)(int, const struct sigaction*, struct sigaction*)>("sigaction");
    const bool wrapped =
        std::find(std::begin(kSignals), std::end(kSignals), signal) != std::end(kSignals);
    if (!wrapped || action == nullptr || (action->sa_flags & SA_SIGINFO) != 0 ||
        action->sa_handler == SIG_IGN || action->sa_handler == SIG_DFL) {
        return real(signal, action, previous);
    }
    TraceFd();  // read now: Handled runs in a signal handler
    handlers[signal].store(action->sa_handler);
    struct sigaction wrapper = *action;
    wrapper.sa_handler = Handled;
    return real(signal, &wrapper, previous);
}

}  // extern "C"
