// Runs inputs through a fuzz target's entry point without libFuzzer, so the
// seed corpora and every input that ever broke something are replayed by the
// ordinary test suites (and under their sanitizers).
//
//   fuzz_replay_<name> [--damage] PATH...
//
// A folder stands for its regular files in name order (names starting with a
// dot are skipped), a file for itself. Every path must exist, and at least
// one input must be run. Exit status 0 when every input ran through; a
// failed property or a sanitizer report ends the process, after the name of
// the input that caused it (and its damage) has been printed.
//
// With --damage, every input of at most kDamageMaxInput bytes also runs cut
// at every length and with each single bit of its first kDamageFlipBytes
// bytes flipped: the repeatable damage pass that a fuzzer only samples.
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

// Inputs up to this size are damaged: every seed today is far smaller.
constexpr std::size_t kDamageMaxInput = 4096;
// Bits are flipped in this many leading bytes (or the whole input): the
// signature and headers, where a flip changes the most; the cuts reach the
// rest. Measured in the dev build on 2 busy cores, the PNG corpus (35 seeds of
// 70 to 263 bytes, about 22,000 runs) takes 5 to 15 s, mostly waiting for the
// target's file writes (about 2 s of CPU), the others 4 s at most;
// AddressSanitizer makes the CPU time 2-3x longer: each test stays well under 60 s.
constexpr std::size_t kDamageFlipBytes = 64;

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

// Runs the target on a heap copy of exactly size bytes (never a null
// pointer, as under libFuzzer), so that reading past its end is caught by the
// sanitizers.
void RunOne(const std::uint8_t* bytes, std::size_t size) {
    const std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[size]);
    std::copy(bytes, bytes + size, data.get());
    LLVMFuzzerTestOneInput(data.get(), size);
}

// The input cut at every length, then with each bit of its head flipped.
std::size_t RunDamaged(const std::filesystem::path& file, std::vector<std::uint8_t> bytes) {
    std::size_t runs = 0;
    for (std::size_t cut = 0; cut < bytes.size(); ++cut, ++runs) {
        std::snprintf(current, sizeof current, "%s cut to %zu bytes", file.c_str(), cut);
        RunOne(bytes.data(), cut);
    }
    for (std::size_t at = 0; at < std::min(bytes.size(), kDamageFlipBytes); ++at) {
        for (int bit = 0; bit < 8; ++bit, ++runs) {
            std::snprintf(current, sizeof current, "%s with bit %d of byte %zu flipped",
                          file.c_str(), bit, at);
            bytes[at] = static_cast<std::uint8_t>(bytes[at] ^ (1u << bit));
            RunOne(bytes.data(), bytes.size());
            bytes[at] = static_cast<std::uint8_t>(bytes[at] ^ (1u << bit));
        }
    }
    return runs;
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
    const bool damage = argc > 1 && std::strcmp(argv[1], "--damage") == 0;
    const int first = damage ? 2 : 1;
    if (argc <= first) {
        std::fprintf(stderr, "usage: %s [--damage] PATH...\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> files;
    for (int i = first; i < argc; ++i) {
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
    std::size_t damaged = 0;
    std::size_t damagedRuns = 0;
    for (const std::filesystem::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>()};
        if (in.bad()) {
            std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
            return 2;
        }
        std::snprintf(current, sizeof current, "%s", file.c_str());
        RunOne(bytes.data(), bytes.size());
        if (damage && bytes.size() <= kDamageMaxInput) {
            damagedRuns += RunDamaged(file, bytes);
            ++damaged;
        }
    }
    std::printf("replay: %zu inputs ran through", files.size());
    if (damage) {
        std::printf(", %zu of them damaged in %zu more runs", damaged, damagedRuns);
    }
    std::printf("\n");
    return 0;
}
