#include "target_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace qm::fuzz {

namespace {

// Owns the scratch folder; the static instance removes it when the process
// exits normally (libFuzzer ends a timed run through exit()).
class Scratch {
  public:
    Scratch() {
        std::error_code error;
        std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error) {
            base = "/tmp";
        }
        std::string pattern = (base / "qm-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("qm-fuzz: mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace

const std::string& ScratchFolder() {
    static const Scratch scratch;
    return scratch.path();
}

std::string ScratchPath(const std::string& name) {
    return ScratchFolder() + "/" + name;
}

bool WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    // A fresh file each time: truncating one makes the file system write the
    // old contents out first, which made damage passes I/O-bound.
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 && done == bytes.size();
}

void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}

void CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "qm-fuzz: check failed: %s (%s:%d)\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}

}  // namespace qm::fuzz
