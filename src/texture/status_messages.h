// The program's message for each status of the codec: what the file drivers
// show (platform/messages.h) where a step returned a status.
#pragma once

#include <cstdint>
#include <string_view>

#include "codec/status.h"

namespace qm {

// Texture to PNG: the message for a status of the header, palette, texel or
// placement steps; dataFormat chooses between the texts of the 1-byte and
// the 2-byte decoder. Empty for kOk.
std::string_view DecodeMessage(Status status, std::uint8_t dataFormat);

// PNG to texture: the message for a status of the gathering or writing
// steps. Empty for kOk.
std::string_view EncodeMessage(Status status);

}  // namespace qm
