// What a front end may ask of a conversion beyond the conversion itself, and
// what a conversion tells it that is not a failure. The messages a conversion
// shows are the same whatever is asked here.
#pragma once

#include <cstdint>
#include <string>

namespace qm {

struct ConversionOptions {
    // Texture to PNG: a PNG newer than its texture (edited since it was
    // extracted, since extraction gives it the texture's time) is left as
    // it is and reported as kept.
    bool keepNewerPng = false;
};

struct ConversionReport {
    std::string written;  // the file produced, on success
    bool kept = false;    // keepNewerPng applied: nothing was written
    // Texture to PNG: texels the stream left out, made transparent black.
    std::uint64_t paddedTexels = 0;
    // PNG to texture: pixels that were not opaque, written opaque because
    // the pixel format has no alpha.
    std::uint64_t madeOpaque = 0;
};

}  // namespace qm
