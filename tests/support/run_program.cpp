#include "support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace qm::test {

ProgramRun RunProgram(const std::string& program, const Texts& args, const std::string& folder,
                      const std::string& input, std::uint64_t addressSpace) {
    ProgramRun run;
    int in[2], out[2], err[2];  // [0] read end, [1] write end; the child's copies survive exec
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        return run;
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const rlimit limit{addressSpace, addressSpace};
    const pid_t pid = ::fork();
    if (pid == 0) {  // only async-signal-safe calls from here
        if ((folder.empty() || ::chdir(folder.c_str()) == 0) &&
            (addressSpace == 0 || ::setrlimit(RLIMIT_AS, &limit) == 0) && ::dup2(in[0], 0) == 0 &&
            ::dup2(out[1], 1) == 1 && ::dup2(err[1], 2) == 2) {
            ::execv(program.c_str(), argv.data());
        }
        ::_exit(127);
    }
    for (const int end : {in[0], out[1], err[1]}) ::close(end);
    ::signal(SIGPIPE, SIG_IGN);  // a program that does not read its input
    for (std::size_t done = 0; pid > 0 && done < input.size();) {
        const ssize_t n = ::write(in[1], input.data() + done, input.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(in[1]);
    pollfd ends[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&run.out, &run.err};
    for (int open = 2; pid > 0 && open > 0;) {
        if (::poll(ends, 2, -1) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (ends[i].fd < 0 || ends[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(ends[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                texts[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ends[i].fd = -1;  // poll skips it
                --open;
            }
        }
    }
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (pid > 0) run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

}  // namespace qm::test
