// Shared pieces of the fuzz targets: quiet and recording message sinks, a
// scratch folder for the few calls that only work on files, a reader that
// takes fields from the front of an input, and a check that stops the run
// when a property does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_sink.h"

namespace qm::fuzz {

// Discards every message and diagnostic line while alive.
class QuietMessages {
  public:
    QuietMessages() : sink_(MessageFunction{}, MessageFunction{}) {}

  private:
    ScopedMessageSink sink_;
};

// Keeps the messages shown while alive (diagnostic lines are discarded), for
// properties about which message a refusal gives.
class RecordedMessages {
  public:
    RecordedMessages()
        : sink_([this](std::string_view text) { shown.emplace_back(text); }, MessageFunction{}) {}
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    std::vector<std::string> shown;

  private:
    ScopedMessageSink sink_;
};

// A folder made once per process (mkdtemp) and removed at exit. The path has
// no trailing slash.
const std::string& ScratchFolder();

// ScratchFolder() + "/" + name.
std::string ScratchPath(const std::string& name);

// Writes bytes to path as they are (no atomic replace: the targets own the
// folder). Returns false when the file could not be written whole.
bool WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes);

// Removes path if it exists.
void RemoveFile(const std::string& path);

// Prints what failed and where, then aborts, so that libFuzzer and the replay
// test both report the input.
[[noreturn]] void CheckFailed(const char* condition, const char* file, int line);

// Takes fixed-size fields from the front of an input; past the end every
// field reads as zero.
class InputReader {
  public:
    explicit InputReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::uint8_t Byte() { return at_ < data_.size() ? data_[at_++] : 0; }
    std::uint16_t Le16() {
        const std::uint16_t lo = Byte();
        return static_cast<std::uint16_t>(lo | (Byte() << 8));
    }
    // Up to count bytes (fewer at the end of the input).
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        const std::size_t n = count < Remaining() ? count : Remaining();
        const std::span<const std::uint8_t> part = data_.subspan(at_, n);
        at_ += n;
        return part;
    }
    std::span<const std::uint8_t> Rest() { return Bytes(Remaining()); }
    std::size_t Remaining() const { return data_.size() - at_; }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t at_ = 0;
};

}  // namespace qm::fuzz

// A property of the code under test; unlike assert it holds in every build.
#define QM_FUZZ_CHECK(condition)                                     \
    do {                                                             \
        if (!(condition)) {                                          \
            ::qm::fuzz::CheckFailed(#condition, __FILE__, __LINE__); \
        }                                                            \
    } while (false)
