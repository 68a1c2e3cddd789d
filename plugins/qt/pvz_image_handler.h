// Reads .pvz textures for Qt's image readers (QImageReader, and so every
// program that opens pictures through Qt): the same pixels the command line
// writes to PNG, as QImage::Format_ARGB32. A palette texture takes the .pvp
// beside the file the device reads, found as the command line finds it.
#pragma once

#include <QImageIOHandler>

namespace qm {

class PvzImageHandler : public QImageIOHandler {
  public:
    bool canRead() const override;
    bool read(QImage* image) override;
    // Size and ImageFormat, from the header alone.
    QVariant option(ImageOption option) const override;
    bool supportsOption(ImageOption option) const override;

    // True when the device's next bytes carry the header's two chunk names;
    // nothing is consumed.
    static bool CanRead(QIODevice* device);
};

}  // namespace qm
