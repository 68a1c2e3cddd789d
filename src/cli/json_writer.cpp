#include "cli/json_writer.h"

#include <cstdio>

namespace qm::cli {

namespace {

// Length of the well-formed UTF-8 sequence at the start of text, or 0.
// Overlong forms, surrogates and values above U+10FFFF are not well formed.
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;  // bounds of the second byte
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text[0]);
        const std::size_t length = Utf8SequenceLength(text);
        if (length == 0) {
            out += "\\ufffd";
            text.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return out + "\"";
}

JsonObject& JsonObject::AddRaw(std::string_view key, std::string_view value) {
    if (text_.size() > 1) {
        text_ += ',';
    }
    text_ += JsonString(key);
    text_ += ':';
    text_ += value;
    return *this;
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view value) {
    return AddRaw(key, JsonString(value));
}

JsonObject& JsonObject::Add(std::string_view key, std::int64_t value) {
    return AddRaw(key, std::to_string(value));
}

JsonObject& JsonObject::Add(std::string_view key, std::uint64_t value) {
    return AddRaw(key, std::to_string(value));
}

}  // namespace qm::cli
