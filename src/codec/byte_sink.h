// Where an encoder's bytes go: a growing array in memory, or a file being
// written (the file drivers' sink). The encoder opens the sink once it knows
// it can encode, writes in pieces, and asks at the end whether every piece
// was taken.
#pragma once

#include <cstdint>
#include <new>
#include <span>
#include <vector>

namespace qm {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Before the first byte; false when the sink cannot take any.
    virtual bool Open() = 0;
    // A failed write makes Good() false; later writes are ignored.
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    virtual bool Good() const = 0;
};

// The bytes appended to an array; an allocation that fails marks the sink
// bad instead of throwing.
class MemoryByteSink final : public ByteSink {
  public:
    bool Open() override { return true; }
    void Write(std::span<const std::uint8_t> bytes) override {
        if (!good_) return;
        try {
            bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        } catch (const std::bad_alloc&) {
            good_ = false;
        }
    }
    bool Good() const override { return good_; }
    std::vector<std::uint8_t>& Bytes() { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    bool good_ = true;
};

}  // namespace qm
