// Whole-file reads and all-or-nothing writes through the wide Win32 calls.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>

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

}  // namespace

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

ReadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                         std::uint64_t maxBytes) {
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
    // A target that is a folder, or a read-only file, is never replaced: the
    // move would not ask.
    const std::wstring target = Utf16FromUtf8(target_);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return false;
    }
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::string name;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        name = TemporaryName(target_);
        handle = ::CreateFileW(Utf16FromUtf8(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    temporary_ = name;
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

bool AtomicFileWriter::Write(std::span<const std::uint8_t> bytes) {
    if (stream_ == nullptr) {
        return false;
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) {
        failed_ = true;
    }
    return !failed_;
}

bool AtomicFileWriter::Commit() {
    if (stream_ == nullptr) {
        return false;
    }
    const bool flushed = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    // Fails, leaving the target as it was, while another program holds the
    // target open without sharing it.
    if (failed_ || !flushed || !closed ||
        !::MoveFileExW(Utf16FromUtf8(temporary_).c_str(), Utf16FromUtf8(target_).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void AtomicFileWriter::Discard() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty()) {
        ::DeleteFileW(Utf16FromUtf8(temporary_).c_str());
        temporary_.clear();
    }
}

bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    AtomicFileWriter writer(path);
    return writer.Open() && writer.Write(bytes) && writer.Commit();
}

}  // namespace qm
