#include "platform/file_io.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>

namespace qm {

// A slot of the list of temporary names that exist on disk, which a signal
// handler may walk at any moment. Slots are taken and given back by the
// writers; they are made in blocks that are never freed, so the handler never
// reads freed memory, and it takes no lock.
class AtomicFileWriter::PendingName {
  public:
    // Takes a free slot; null when every slot is in use (the name is then
    // not listed, and only the writer itself removes it).
    static PendingName* Take();
    // Lists name instead of the name listed before (or, when too long,
    // lists nothing).
    void Arm(const std::string& name);
    // Unlists the name; waits while a handler is removing it.
    void Disarm();
    void GiveBack() {
        Disarm();
        state_.store(kFree, std::memory_order_release);
    }
    static void RemoveAll();

  private:
    enum State : int { kFree, kTaken, kListed, kRemoving };
    static constexpr std::size_t kBlocks = 64;
    static constexpr std::size_t kSlotsPerBlock = 32;  // 64 x 32 covers -j 1024 twice over

    std::atomic<int> state_{kFree};
    std::array<char, PATH_MAX> name_{};

    static std::array<std::atomic<PendingName*>, kBlocks> blocks_;
    static std::mutex growing_;
};

static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<AtomicFileWriter::PendingName*>::is_always_lock_free);

std::array<std::atomic<AtomicFileWriter::PendingName*>, AtomicFileWriter::PendingName::kBlocks>
    AtomicFileWriter::PendingName::blocks_{};
std::mutex AtomicFileWriter::PendingName::growing_;

AtomicFileWriter::PendingName* AtomicFileWriter::PendingName::Take() {
    for (std::size_t b = 0; b < kBlocks; ++b) {
        PendingName* block = blocks_[b].load(std::memory_order_acquire);
        if (block == nullptr) {
            const std::lock_guard lock(growing_);
            block = blocks_[b].load(std::memory_order_acquire);
            if (block == nullptr) {
                block = new (std::nothrow) PendingName[kSlotsPerBlock];
                if (block == nullptr) {
                    return nullptr;
                }
                blocks_[b].store(block, std::memory_order_release);
            }
        }
        for (std::size_t i = 0; i < kSlotsPerBlock; ++i) {
            int expected = kFree;
            if (block[i].state_.compare_exchange_strong(expected, kTaken,
                                                        std::memory_order_acq_rel)) {
                return &block[i];
            }
        }
    }
    return nullptr;
}

void AtomicFileWriter::PendingName::Arm(const std::string& name) {
    Disarm();
    if (name.size() < name_.size()) {
        std::memcpy(name_.data(), name.c_str(), name.size() + 1);
        state_.store(kListed, std::memory_order_release);
    }
}

void AtomicFileWriter::PendingName::Disarm() {
    int expected = kListed;
    while (!state_.compare_exchange_weak(expected, kTaken, std::memory_order_acq_rel)) {
        if (expected != kListed && expected != kRemoving) {
            return;  // not listed
        }
        expected = kListed;
        ::sched_yield();  // a handler on another thread is removing it
    }
}

void AtomicFileWriter::PendingName::RemoveAll() {
    for (std::atomic<PendingName*>& entry : blocks_) {
        PendingName* block = entry.load(std::memory_order_acquire);
        if (block == nullptr) {
            return;
        }
        for (std::size_t i = 0; i < kSlotsPerBlock; ++i) {
            int expected = kListed;
            if (block[i].state_.compare_exchange_strong(expected, kRemoving,
                                                        std::memory_order_acq_rel)) {
                ::unlink(block[i].name_.data());
                block[i].state_.store(kListed, std::memory_order_release);
            }
        }
    }
}

void RemovePendingTemporaries() {
    AtomicFileWriter::PendingName::RemoveAll();
}

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

// A fresh temporary name beside target: ".NAME.tmp-" and six random letters
// or digits.
std::string TemporaryNameFor(const std::string& target) {
    static constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name = FolderOf(target) + "." + BaseOf(target) + ".tmp-";
    for (int i = 0; i < 6; ++i) {
        name += kLetters[random() % kLetters.size()];
    }
    return name;
}

// Whether a descriptor can be linked by its /proc/self/fd name, which is
// how a file written without a name gets one.
bool CanLinkDescriptors() {
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

std::string DescriptorPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

FileTime ModificationTimeOf(const struct stat& info) {
    return {static_cast<std::int64_t>(info.st_mtim.tv_sec),
            static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
}

}  // namespace

bool ModificationTime(const std::string& path, FileTime& time) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return false;
    }
    time = ModificationTimeOf(info);
    return true;
}

int OpenForReading(const std::string& path) {
    // O_NONBLOCK only matters for what is not a regular file; reads of a
    // regular file still block as usual.
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

FileReader::~FileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::uint64_t FileReader::RegularFileSize() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::size_t> FileReader::Read(std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = ::read(fd_, out.data() + done, out.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

ReadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                         std::uint64_t maxBytes, FileTime* modified) {
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
    } else if (modified != nullptr) {
        *modified = ModificationTimeOf(info);
    }
    return status;
}

bool AtomicFileWriter::Open() {
    Discard();
    failed_ = false;
    // A target that is a folder (or anything but a regular file) is never
    // replaced, nor one we may not write: the rename would ignore its
    // permissions.
    struct stat existing {};
    mode_t mode = DefaultFileMode();
    replacing_ = ::stat(target_.c_str(), &existing) == 0;
    if (replacing_) {
        if (!S_ISREG(existing.st_mode) || ::access(target_.c_str(), W_OK) != 0) {
            return false;
        }
        mode = existing.st_mode & 07777;
    }
    int fd = -1;
#if defined(O_TMPFILE)
    if (CanLinkDescriptors()) {
        const std::string folder = FolderOf(target_);
        fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    }
#endif
    if (fd < 0) {
        // The folder's file system cannot make a file without a name.
        return OpenNamed(mode);
    }
    anonymous_ = true;
    ::fchmod(fd, mode);
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) {
        ::close(fd);
        return false;
    }
    return true;
}

bool AtomicFileWriter::OpenNamed(unsigned mode) {
    anonymous_ = false;
    pending_ = PendingName::Take();
    // The name is listed before the file exists, so that there is no moment
    // when a handler could miss it. A name that exists already (O_EXCL
    // fails) is another writer's temporary, which such a handler removes
    // anyway.
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary_ = TemporaryNameFor(target_);
        if (pending_ != nullptr) {
            pending_->Arm(temporary_);
        }
        fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        temporary_.clear();
        Discard();
        return false;
    }
    ::fchmod(fd, static_cast<mode_t>(mode));
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) {
        ::close(fd);
        Discard();
        return false;
    }
    return true;
}

bool AtomicFileWriter::Finish() {
    if (stream_ == nullptr) {
        return false;
    }
    if (finished_) {
        return true;
    }
    const int fd = ::fileno(stream_);
    bool ok = !failed_ && std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    if (ok && timed_) {
        const struct timespec times[2] = {
            {0, UTIME_OMIT},
            {static_cast<time_t>(modified_.seconds), static_cast<long>(modified_.nanoseconds)}};
        ::futimens(fd, times);
    }
    // A replaced file is gone once the rename is done: its successor's data
    // must be on the disk first. A new file has nothing to lose.
    if (ok && replacing_) {
        ok = ::fdatasync(fd) == 0;
    }
    if (!ok) {
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
    bool ok = anonymous_ ? PlaceAnonymous() : ::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (ok && !anonymous_) {
        temporary_.clear();  // renamed: nothing left to remove
    }
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    // A failed close may mean lost data (NFS reports write errors there). A
    // replacement was synced above; a new file is ours to take back.
    if (ok && !closed && !replacing_) {
        ::unlink(target_.c_str());
    }
    ok = ok && (closed || replacing_);
    Discard();
    return ok;
}

bool AtomicFileWriter::PlaceAnonymous() {
    const std::string self = DescriptorPath(::fileno(stream_));
    if (!replacing_) {
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
        // The target appeared while we wrote: replace it as below.
        replacing_ = true;
        if (::fdatasync(::fileno(stream_)) != 0) {
            return false;
        }
    }
    // A link cannot replace a name: link under a temporary name, listed for
    // a handler for the moment it exists, and rename that over the target.
    pending_ = PendingName::Take();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = TemporaryNameFor(target_);
        if (pending_ != nullptr) {
            pending_->Arm(temporary_);
        }
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary_.c_str(), AT_SYMLINK_FOLLOW) ==
            0) {
            if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
                return false;  // Discard removes the temporary
            }
            temporary_.clear();
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    temporary_.clear();
    return false;
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
    if (pending_ != nullptr) {
        pending_->GiveBack();
        pending_ = nullptr;
    }
}

}  // namespace qm
