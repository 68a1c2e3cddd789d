#include "texture/status_messages.h"

#include "platform/messages.h"
#include "texture/pvz_header.h"

namespace qm {

std::string_view DecodeMessage(Status status, std::uint8_t dataFormat) {
    const bool oneByte = dataFormat == data_format::kPalette8;
    switch (status) {
        case Status::kOk:
            return {};
        case Status::kFileTooLarge:
        case Status::kHeaderTooShort:
            return msg::kError;
        case Status::kPictureTooLarge:
            return msg::kTooLarge;
        case Status::kPaletteMissing:
            return msg::kPaletteOpenFailed;
        case Status::kPaletteShort:
            return msg::kPaletteError;
        case Status::kPaletteCount:
            return msg::kPaletteCount;
        case Status::kPaletteIndex:
            return msg::kBadPaletteIndex;
        case Status::kUnknownPixelFormat:
            return oneByte ? msg::kBadColor1Byte : msg::kBadColor2Byte;
        case Status::kTooManyTexels:
            return oneByte ? msg::kTooManyTexels1Byte : msg::kTooManyTexels2Byte;
        case Status::kShapeNotPlaceable:
            return msg::kCreatePngUnsupported;
        default:
            return msg::kCreateFailed;  // memory, or a file that cannot be written
    }
}

std::string_view EncodeMessage(Status status) {
    switch (status) {
        case Status::kOk:
            return {};
        case Status::kPictureTooLarge:
            return msg::kTooLarge;
        case Status::kRectNotOnSurface:
            return msg::kRectError;
        case Status::kNotSquare:
            return msg::kNotSquare;
        case Status::kSideNotPowerOfTwo:
            return msg::kSquareNotPowerOfTwo;
        case Status::kSquareNotOnSurface:
            return msg::kSquError;
        case Status::kWidthNotPowerOfTwo:
            return msg::kWidthNotPowerOfTwo;
        case Status::kHeightNotPowerOfTwo:
            return msg::kHeightNotPowerOfTwo;
        case Status::kBadAspectRatio:
            return msg::kBadRatio;
        case Status::kTwoSquaresNotOnSurface:
            return msg::kSquExError;
        case Status::kUnknownPixelFormat:
            return msg::kColorEncodeError;
        default:
            return msg::kCreateFailed;  // memory, or a file that cannot be written
    }
}

}  // namespace qm
