#include "pvz_image_handler.h"

#include <QFile>
#include <QFileDevice>
#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QVariant>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codec/limits.h"
#include "codec/pvz_decode.h"
#include "convert/sibling_names.h"
#include "platform/file_io.h"
#include "texture/palette.h"
#include "texture/pixel_word.h"

namespace qm {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What is left of the device, read whole; false (nothing read) when a
// device of known size holds more than maxBytes, or once a stream has
// delivered more.
bool ReadRest(QIODevice& device, std::uint64_t maxBytes, Bytes& bytes) {
    bytes.clear();
    if (!device.isSequential()) {
        const qint64 left = device.size() - device.pos();
        if (left <= 0 || static_cast<std::uint64_t>(left) > maxBytes) {
            return false;
        }
        bytes.resize(static_cast<std::size_t>(left));
        return device.read(reinterpret_cast<char*>(bytes.data()), left) == left;
    }
    constexpr qint64 kChunk = 64 * 1024;
    for (;;) {
        const std::size_t used = bytes.size();
        bytes.resize(used + kChunk);
        const qint64 got = device.read(reinterpret_cast<char*>(bytes.data() + used), kChunk);
        if (got < 0) {
            return false;
        }
        bytes.resize(used + static_cast<std::size_t>(got));
        if (bytes.size() > maxBytes) {
            return false;
        }
        if (got == 0) {
            return !bytes.empty();
        }
    }
}

// The header of the texture at the device's position, without consuming it:
// what ReadPvzInfo accepts, on a device no longer than the codec reads.
std::optional<TextureInfo> PeekInfo(QIODevice* device) {
    if (device == nullptr ||
        (!device->isSequential() &&
         static_cast<std::uint64_t>(device->size() - device->pos()) > kMaxPvzFileSize)) {
        return std::nullopt;
    }
    const QByteArray head = device->peek(static_cast<qint64>(kPvzHeaderSize));
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(head.data()),
                                              static_cast<std::size_t>(head.size()));
    TextureInfo info;
    if (ReadPvzInfo(bytes, Limits{}, info) != Status::kOk) {
        return std::nullopt;
    }
    return info;
}

// The .pvp beside the file the device reads, named as the command line
// names it (in any letter case); none for a device that is not a file.
std::optional<Bytes> PaletteBeside(QIODevice& device) {
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    if (file == nullptr || file->fileName().isEmpty()) {
        return std::nullopt;
    }
    const std::string palette = PaletteFileFor(QFile::encodeName(file->fileName()).toStdString());
    Bytes bytes;
    if (ReadWholeFile(palette, bytes, kMaxPaletteFileSize) != ReadStatus::kOk) {
        return std::nullopt;
    }
    return bytes;
}

// Qt 6 refuses pictures above its allocation limit (QImageReader, in MiB)
// before it allocates them; so does this reader, before decoding.
bool WithinQtAllocationLimit([[maybe_unused]] const TextureInfo& info) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const int limitMiB = QImageReader::allocationLimit();
    const std::uint64_t bytes =
        4 * static_cast<std::uint64_t>(std::max<std::int64_t>(PixelCount(info), 0));
    return limitMiB <= 0 || bytes <= static_cast<std::uint64_t>(limitMiB) * 1024 * 1024;
#else
    return true;
#endif
}

void DeleteDecoded(void* decoded) {
    delete static_cast<DecodedPvz*>(decoded);
}

// The decoded surface's pixel words as QRgb values in place; the image then
// owns the surface.
QImage ImageOf(std::unique_ptr<DecodedPvz> decoded) {
    ImageSurface& surface = decoded->surface;
    for (int y = 0; y < surface.GetHeight(); ++y) {
        std::uint8_t* p = surface.GetBits() + y * surface.GetPitch();
        for (int x = 0; x < surface.GetWidth(); ++x, p += 4) {
            const PixelBytes b = BytesOf(LoadPixelWord(p));  // blue, green, red, alpha
            const QRgb rgb = qRgba(b[2], b[1], b[0], b[3]);
            std::memcpy(p, &rgb, sizeof rgb);
        }
    }
    QImage image(surface.GetBits(), surface.GetWidth(), surface.GetHeight(),
                 static_cast<int>(surface.GetPitch()), QImage::Format_ARGB32, DeleteDecoded,
                 decoded.get());
    if (!image.isNull()) {
        decoded.release();
    }
    return image;
}

QImage Decode(QIODevice& device) {
    Bytes pvz;
    TextureInfo info;
    if (!ReadRest(device, kMaxPvzFileSize, pvz) ||
        ReadPvzInfo(pvz, Limits{}, info) != Status::kOk || !WithinQtAllocationLimit(info)) {
        return {};
    }
    std::optional<Bytes> pvp;
    if (info.dataFormat == data_format::kPalette8) {
        pvp = PaletteBeside(device);
    }
    auto decoded = std::make_unique<DecodedPvz>();
    if (DecodePvz(pvz, pvp ? std::optional<std::span<const std::uint8_t>>(*pvp) : std::nullopt,
                  Limits{}, *decoded) != Status::kOk) {
        return {};
    }
    return ImageOf(std::move(decoded));
}

}  // namespace

bool PvzImageHandler::CanRead(QIODevice* device) {
    if (device == nullptr) {
        return false;
    }
    const QByteArray head = device->peek(static_cast<qint64>(kPvrtOffset + kPvrtMagic.size()));
    auto chunk = [&](std::size_t offset, std::string_view magic) {
        return head.size() >= static_cast<qsizetype>(offset + magic.size()) &&
               std::equal(magic.begin(), magic.end(), head.constData() + offset);
    };
    return chunk(kGbixOffset, kGbixMagic) && chunk(kPvrtOffset, kPvrtMagic);
}

bool PvzImageHandler::canRead() const {
    if (!CanRead(device())) {
        return false;
    }
    setFormat("pvz");
    return true;
}

bool PvzImageHandler::read(QImage* image) {
    if (image == nullptr || device() == nullptr) {
        return false;
    }
    try {
        QImage decoded = Decode(*device());
        if (decoded.isNull()) {
            return false;
        }
        *image = std::move(decoded);
        return true;
    } catch (...) {  // memory: nothing else throws here
        return false;
    }
}

QVariant PvzImageHandler::option(ImageOption option) const {
    if (option == ImageFormat) {
        return QImage::Format_ARGB32;
    }
    if (option == Size) {
        try {
            const std::optional<TextureInfo> info = PeekInfo(device());
            if (info && info->width > 0 && info->height > 0) {
                return QSize(info->width, info->height);
            }
        } catch (...) {  // memory, for the header's text
        }
    }
    return {};
}

bool PvzImageHandler::supportsOption(ImageOption option) const {
    return option == Size || option == ImageFormat;
}

}  // namespace qm
