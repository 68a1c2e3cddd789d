// Whole-file reads and all-or-nothing writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qm {

// A file's modification time, to the nanosecond.
struct FileTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    friend auto operator<=>(const FileTime&, const FileTime&) = default;
};

// The modification time of path (links followed). False when it cannot be
// examined.
bool ModificationTime(const std::string& path, FileTime& time);

enum class ReadStatus {
    kOk,
    kOpenFailed,  // missing, no access
    kReadFailed,  // not a regular file, empty, or a read error
    kTooLarge,    // longer than the caller's limit
};

// Opens path for reading without waiting: a FIFO with no writer (or a
// device) opens at once, and the caller's regular-file check refuses it.
// Returns the descriptor, or -1.
int OpenForReading(const std::string& path);

// A file read in pieces (a report that looks at a file's start), closed on
// destruction. Opened as OpenForReading opens, so a named pipe cannot hang.
class FileReader {
  public:
    explicit FileReader(const std::string& path) : fd_(OpenForReading(path)) {}
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // The length of a regular file; 0 for anything else (a folder, a pipe, a
    // device) and for an empty file.
    std::uint64_t RegularFileSize() const;
    // Fills as much of out as the file still holds; nothing on a read error.
    std::optional<std::size_t> Read(std::span<std::uint8_t> out);

  private:
    int fd_;
};

// Reads the whole file into bytes with one read. An empty file is kReadFailed.
// Files longer than maxBytes are not read at all. When modified is not null
// it receives the file's modification time on success.
ReadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                         std::uint64_t maxBytes, FileTime* modified = nullptr);

// Writes a file that appears under the target's name only when everything
// was written. If the writer is destroyed before Commit succeeds, nothing is
// left behind and an existing target stays exactly as it was.
//
// Where the folder allows it (Linux, O_TMPFILE), the file is written without
// a name, so that no temporary can be left even when the process is killed;
// elsewhere it is written under a temporary name ".NAME.tmp-XXXXXX" beside
// the target. A new target is linked in place; an existing one is replaced
// by a rename, after the new data has been flushed to the disk, so that a
// power cut leaves either the old file or the new one, never an empty one.
class AtomicFileWriter {
  public:
    explicit AtomicFileWriter(std::string target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file. False when the folder cannot take it.
    bool Open();
    // The temporary file's stream, valid between Open and Commit.
    std::FILE* Stream() const { return stream_; }
    bool Write(std::span<const std::uint8_t> bytes);
    // The file gets this modification time when it is put in place.
    void SetModificationTime(const FileTime& time);
    // Flushes the file (to the disk too when it replaces one) without putting
    // it in place, so that two files can be written whole before either is.
    // False (and the temporary removed) when any write failed.
    bool Finish();
    // Finishes if not done yet, puts the file in place and closes it. False
    // when any write failed.
    bool Commit();

    class PendingName;

  private:
    void Discard();
    bool OpenNamed(unsigned mode);
    bool PlaceAnonymous();

    std::string target_;
    std::string temporary_;  // the visible temporary's name, while it exists
    PendingName* pending_ = nullptr;
    std::FILE* stream_ = nullptr;
    bool anonymous_ = false;  // written without a name (O_TMPFILE)
    bool replacing_ = false;  // the target existed when the file was opened
    bool failed_ = false;
    bool timed_ = false;
    FileTime modified_;
    bool finished_ = false;  // flushed by Finish, not yet in place
};

// Removes the temporary files that writers of this process have made
// visible and not yet put in place. Async-signal-safe, for a signal handler
// that ends the process; a writer whose temporary it removed fails at Commit.
void RemovePendingTemporaries();

// Convenience: all of bytes to path, atomically.
bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace qm
