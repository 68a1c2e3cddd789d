// What a step of the codec reports: one value per cause. The values below
// kFirstInternal are those of the C API's qm_status (include/quillmere/
// quillmere.h) and keep their numbers forever; the internal ones say which
// step refused so that the file drivers can show the program's own message.
#pragma once

#include <cstdint>

namespace qm {

enum class Status : std::int32_t {
    kOk = 0,
    kInvalidArgument = 1,     // a null pointer, a size or an option out of range
    kOutOfMemory = 2,         // an allocation failed
    kFileTooLarge = 3,        // .pvz bytes beyond the limit
    kHeaderTooShort = 4,      // fewer bytes than the 36-byte header
    kPictureTooLarge = 5,     // width x height (or a side) beyond the limit
    kUnknownPixelFormat = 6,  // a pixel-format code without a colour layout
    kTooManyTexels = 7,       // the stream holds more texels than the picture
    kPaletteMissing = 8,      // a palette texture without its .pvp
    kPaletteShort = 9,        // a .pvp shorter than its 16-byte header
    kPaletteCount = 10,       // a .pvp whose entries differ from its count
    kPaletteIndex = 11,       // a texel's index beyond the palette
    kShapeNotPlaceable = 12,  // sides that are neither rows nor twiddled squares
    kSideNotPowerOfTwo = 13,  // a square whose side is no power of two from 2 to 16384
    kWidthNotPowerOfTwo = 14,
    kHeightNotPowerOfTwo = 15,
    kBadAspectRatio = 16,  // two squares that are not 2:1 or 1:2
    kBadPngName = 17,      // a PNG name without the header suffix
    kNotPvzName = 18,      // a texture name without ".pvz"
    kBufferTooSmall = 19,  // a caller's buffer too short for the answer
    kFileOpenFailed = 20,  // a texture file missing or not to be opened (C API only)
    kFileReadFailed = 21,  // a texture file empty, not regular, or unreadable (C API only)
    kStatusCount,          // the number of public values

    kFirstInternal = 100,
    kNotSquare = kFirstInternal,  // one twiddled square asked of a non-square picture
    kRectNotOnSurface,            // the picture's sides do not lie on its surface
    kSquareNotOnSurface,
    kTwoSquaresNotOnSurface,
    kWriteFailed,  // a byte sink (a file being written) refused the bytes
};

}  // namespace qm
