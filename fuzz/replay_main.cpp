// Runs inputs through a fuzz target's entry point without libFuzzer, so the
// seed corpora and every input that ever broke something are replayed by the
// ordinary test suites (and under their sanitizers).
//
//   fuzz_replay_<name> PATH...
//
// A folder stands for its regular files in name order (names starting with a
// dot are skipped), a file for itself. Every path must exist, and at least
// one input must be run. Exit status 0 when every input ran through; a
// failed property or a sanitizer report ends the process, after the name of
// the input that caused it has been printed.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// The input being run, for the crash handler (which may only call
// async-signal-safe functions, hence a fixed buffer).
char current[4096];

void PrintCurrentAndDie(int signal) {
    static const char kPrefix[] = "replay: crashed while running ";
    ssize_t ignored = ::write(STDERR_FILENO, kPrefix, sizeof kPrefix - 1);
    ignored = ::write(STDERR_FILENO, current, std::strlen(current));
    ignored = ::write(STDERR_FILENO, "\n", 1);
    static_cast<void>(ignored);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void InstallCrashHandlers() {
    for (const int s : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        ::signal(s, PrintCurrentAndDie);
    }
}

bool Collect(const std::filesystem::path& path, std::vector<std::filesystem::path>& files) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
            if (entry.is_regular_file() && entry.path().filename().string().front() != '.') {
                found.push_back(entry.path());
            }
        }
        if (error) {
            return false;
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
        return true;
    }
    if (std::filesystem::is_regular_file(path, error)) {
        files.push_back(path);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH...\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        if (!Collect(argv[i], files)) {
            std::fprintf(stderr, "replay: cannot read %s\n", argv[i]);
            return 2;
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "replay: no inputs found\n");
        return 2;
    }
    InstallCrashHandlers();
    for (const std::filesystem::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
        if (in.bad()) {
            std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
            return 2;
        }
        std::snprintf(current, sizeof current, "%s", file.c_str());
        // A heap copy of exactly the input's size (never a null pointer, as
        // under libFuzzer), so that reading past its end is caught by the
        // sanitizers.
        const std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[bytes.size()]);
        std::copy(bytes.begin(), bytes.end(), data.get());
        LLVMFuzzerTestOneInput(data.get(), bytes.size());
    }
    std::printf("replay: %zu inputs ran through\n", files.size());
    return 0;
}
