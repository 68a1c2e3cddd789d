// The parts of the file functions that are the same on every platform.
#include <cstdio>

#include "platform/file_io.h"

namespace qm {

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(std::move(target)) {}

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
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

void AtomicFileWriter::SetModificationTime(const FileTime& time) {
    modified_ = time;
    timed_ = true;
}

bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    AtomicFileWriter writer(path);
    return writer.Open() && writer.Write(bytes) && writer.Commit();
}

}  // namespace qm
