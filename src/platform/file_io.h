// Whole-file reads and all-or-nothing writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace qm {

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

// Reads the whole file into bytes with one read. An empty file is kReadFailed.
// Files longer than maxBytes are not read at all.
ReadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                         std::uint64_t maxBytes);

// Writes a file under a temporary name in the target's folder and renames it
// over the target only when everything was written. If the writer is
// destroyed before Commit succeeds, the temporary is removed and an existing
// target stays exactly as it was.
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
    // Flushes and closes the temporary without renaming it, so that two
    // files can be written whole before either is put in place. False (and
    // the temporary removed) when any write failed.
    bool Finish();
    // Finishes if not done yet, then renames. False when any write failed.
    bool Commit();

  private:
    void Discard();

    std::string target_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
    bool failed_ = false;
    bool finished_ = false;  // closed by Finish, not yet renamed
};

// Convenience: all of bytes to path, atomically.
bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace qm
