// Just enough JSON for one object per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qm::cli {

// text as a JSON string literal, quotes included. Quotes, backslashes and
// control characters are escaped; bytes that are not valid UTF-8 (a file
// name may hold any bytes) become U+FFFD, so the output is always valid.
std::string JsonString(std::string_view text);

// Builds {"key":value,...} in the order the members are added.
class JsonObject {
  public:
    JsonObject& Add(std::string_view key, std::string_view value);
    JsonObject& Add(std::string_view key, const char* value) {
        return Add(key, std::string_view(value));
    }
    JsonObject& Add(std::string_view key, std::int64_t value);
    JsonObject& Add(std::string_view key, std::uint64_t value);
    // value must already be JSON (a number, null, an array or an object).
    JsonObject& AddRaw(std::string_view key, std::string_view value);
    std::string Finish() const { return text_ + "}"; }

  private:
    std::string text_ = "{";
};

}  // namespace qm::cli
