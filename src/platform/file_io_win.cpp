// Whole-file reads and all-or-nothing writes through the wide Win32 calls.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/file_io.h"
#include "platform/path_separators.h"
#include "platform/utf16_win.h"

namespace qm {

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t end = path.find_last_of(kPathSeparators);
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

std::string BaseOf(const std::string& path) {
    const std::size_t end = path.find_last_of(kPathSeparators);
    return end == std::string::npos ? path : path.substr(end + 1);
}

// A name no other writer in this or another process picks at the same time.
std::string TemporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%lx-%x-%llx", ::GetCurrentProcessId(),
                  counter.fetch_add(1), static_cast<unsigned long long>(::GetTickCount64()));
    return FolderOf(target) + "." + BaseOf(target) + suffix;
}

// FILETIME counts 100-nanosecond ticks from 1601; FileTime counts from 1970.
constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kNanosecondsPerTick = 100;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

FileTime FileTimeOf(const FILETIME& stamp) {
    const auto ticks = static_cast<std::int64_t>((std::uint64_t{stamp.dwHighDateTime} << 32) |
                                                 stamp.dwLowDateTime);
    return FileTime{ticks / kTicksPerSecond - kSecondsFrom1601To1970,
                    ticks % kTicksPerSecond * kNanosecondsPerTick};
}

FILETIME StampOf(const FileTime& time) {
    const auto ticks =
        static_cast<std::uint64_t>((time.seconds + kSecondsFrom1601To1970) * kTicksPerSecond +
                                   time.nanoseconds / kNanosecondsPerTick);
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

HANDLE HandleOf(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
}

}  // namespace

// The temporaries that exist on disk, for RemovePendingTemporaries. The
// console's interruption handler runs on a thread of its own, so a lock is
// allowed here (unlike in a POSIX signal handler).
class AtomicFileWriter::PendingName {
  public:
    static PendingName* Take(const std::string& name) {
        const std::lock_guard lock(mutex_);
        auto* pending = new PendingName(Utf16FromUtf8(name));
        names_.push_back(pending);
        return pending;
    }
    static void GiveBack(PendingName* pending) {
        const std::lock_guard lock(mutex_);
        names_.erase(std::remove(names_.begin(), names_.end(), pending), names_.end());
        delete pending;
    }
    static void RemoveAll() {
        const std::lock_guard lock(mutex_);
        for (const PendingName* pending : names_) {
            // Opened with FILE_SHARE_DELETE: the file goes when its writer
            // closes it, at the latest when the process ends.
            ::DeleteFileW(pending->name_.c_str());
        }
    }

  private:
    explicit PendingName(std::wstring name) : name_(std::move(name)) {}
    std::wstring name_;
    static std::mutex mutex_;
    static std::vector<PendingName*> names_;
};

std::mutex AtomicFileWriter::PendingName::mutex_;
std::vector<AtomicFileWriter::PendingName*> AtomicFileWriter::PendingName::names_;

void RemovePendingTemporaries() {
    AtomicFileWriter::PendingName::RemoveAll();
}

bool ModificationTime(const std::string& path, FileTime& time) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Utf16FromUtf8(path).c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    time = FileTimeOf(data.ftLastWriteTime);
    return true;
}

int OpenForReading(const std::string& path) {
    // Folders open too (backup semantics), so that the caller's regular-file
    // check refuses them as on POSIX.
    const HANDLE handle =
        ::CreateFileW(Utf16FromUtf8(path).c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
    }
    return fd;
}

FileReader::~FileReader() {
    if (fd_ >= 0) {
        ::_close(fd_);
    }
}

std::uint64_t FileReader::RegularFileSize() const {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd_));
    BY_HANDLE_FILE_INFORMATION info{};
    if (fd_ < 0 || ::GetFileType(handle) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return 0;
    }
    return (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

std::optional<std::size_t> FileReader::Read(std::span<std::uint8_t> out) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd_));
    std::size_t done = 0;
    while (done < out.size()) {
        constexpr std::size_t kMostPerCall = 1u << 30;
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min(out.size() - done, kMostPerCall));
        if (!::ReadFile(handle, out.data() + done, want, &got, nullptr)) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        done += got;
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
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    BY_HANDLE_FILE_INFORMATION info{};
    ReadStatus status = ReadStatus::kOk;
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        status = ReadStatus::kReadFailed;
    } else {
        const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
        if (size == 0) {
            status = ReadStatus::kReadFailed;
        } else if (size > maxBytes) {
            status = ReadStatus::kTooLarge;
        } else {
            bytes.resize(static_cast<std::size_t>(size));
            std::size_t done = 0;
            while (done < bytes.size()) {
                constexpr std::size_t kMostPerCall = 1u << 30;
                DWORD got = 0;
                const auto want = static_cast<DWORD>(std::min(bytes.size() - done, kMostPerCall));
                if (!::ReadFile(handle, bytes.data() + done, want, &got, nullptr) || got == 0) {
                    status = ReadStatus::kReadFailed;
                    break;
                }
                done += got;
            }
        }
    }
    ::_close(fd);
    if (status != ReadStatus::kOk) {
        bytes.clear();
        bytes.shrink_to_fit();
    } else if (modified != nullptr) {
        *modified = FileTimeOf(info.ftLastWriteTime);
    }
    return status;
}

bool AtomicFileWriter::Open() {
    Discard();
    failed_ = false;
    // A target that is a folder, or a read-only file, is never replaced: the
    // move would not ask.
    const std::wstring target = Utf16FromUtf8(target_);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return false;
    }
    replacing_ = attributes != INVALID_FILE_ATTRIBUTES;
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::string name;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        name = TemporaryName(target_);
        handle = ::CreateFileW(Utf16FromUtf8(name).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                               nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    temporary_ = name;
    pending_ = PendingName::Take(name);
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        Discard();
        return false;
    }
    stream_ = ::_fdopen(fd, "wb");
    if (stream_ == nullptr) {
        ::_close(fd);
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
    const HANDLE handle = HandleOf(stream_);
    bool ok = !failed_ && std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    if (ok && timed_) {
        const FILETIME stamp = StampOf(modified_);
        ::SetFileTime(handle, nullptr, nullptr, &stamp);
    }
    // A replaced file is gone once the move is done: its successor's data
    // must be on the disk first. A new file has nothing to lose.
    if (ok && replacing_) {
        ok = ::FlushFileBuffers(handle) != 0;
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
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    // Fails, leaving the target as it was, while another program holds the
    // target open without sharing it.
    if (!closed || !::MoveFileExW(Utf16FromUtf8(temporary_).c_str(), Utf16FromUtf8(target_).c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Discard();
        return false;
    }
    temporary_.clear();
    Discard();
    return true;
}

void AtomicFileWriter::Discard() {
    finished_ = false;
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty()) {
        ::DeleteFileW(Utf16FromUtf8(temporary_).c_str());
        temporary_.clear();
    }
    if (pending_ != nullptr) {
        PendingName::GiveBack(pending_);
        pending_ = nullptr;
    }
}

}  // namespace qm
