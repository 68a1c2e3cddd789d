#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace qm {

namespace {

// Permission bits a newly created file would get: 0666 less the umask.
mode_t DefaultFileMode() {
    static const mode_t mode = [] {
        const mode_t mask = ::umask(022);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int OpenForReading(const std::string& path) {
    // O_NONBLOCK only matters for what is not a regular file; reads of a
    // regular file still block as usual.
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

ReadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                         std::uint64_t maxBytes) {
    bytes.clear();
    const int fd = OpenForReading(path);
    if (fd < 0) {
        return ReadStatus::kOpenFailed;
    }
    struct stat info {};
    ReadStatus status = ReadStatus::kOk;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        status = ReadStatus::kReadFailed;
    } else if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        status = ReadStatus::kTooLarge;
    } else {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                status = ReadStatus::kReadFailed;
                break;
            }
            done += static_cast<std::size_t>(got);
        }
    }
    ::close(fd);
    if (status != ReadStatus::kOk) {
        bytes.clear();
        bytes.shrink_to_fit();
    }
    return status;
}

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(std::move(target)) {}

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

bool AtomicFileWriter::Open() {
    Discard();
    failed_ = false;
    // A target that is a folder (or anything but a regular file) is never
    // replaced, nor one we may not write: the rename would ignore its
    // permissions.
    struct stat existing {};
    mode_t mode = DefaultFileMode();
    if (::stat(target_.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode) || ::access(target_.c_str(), W_OK) != 0) {
            return false;
        }
        mode = existing.st_mode & 07777;
    }
    std::string pattern = FolderOf(target_) + "." + BaseOf(target_) + ".tmp-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return false;
    }
    temporary_ = pattern;
    ::fchmod(fd, mode);
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) {
        ::close(fd);
        Discard();
        return false;
    }
    return true;
}

bool AtomicFileWriter::Write(std::span<const std::uint8_t> bytes) {
    if (stream_ == nullptr) {
        return false;
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) {
        failed_ = true;
    }
    return !failed_;
}

bool AtomicFileWriter::Finish() {
    if (finished_) {
        return true;
    }
    if (stream_ == nullptr) {
        return false;
    }
    const bool flushed = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (failed_ || !flushed || !closed) {
        Discard();
        return false;
    }
    finished_ = true;
    return true;
}

bool AtomicFileWriter::Commit() {
    if (!Finish()) {
        return false;
    }
    finished_ = false;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void AtomicFileWriter::Discard() {
    finished_ = false;
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    AtomicFileWriter writer(path);
    return writer.Open() && writer.Write(bytes) && writer.Commit();
}

}  // namespace qm
