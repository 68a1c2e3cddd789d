#include "pvz_image_plugin.h"

#include "pvz_image_handler.h"

namespace qm {

QImageIOPlugin::Capabilities PvzImagePlugin::capabilities(QIODevice* device,
                                                          const QByteArray& format) const {
    // Qt asks with the suffix, lowercased, before it looks at any content:
    // a file named .pvz is read as the command line reads it, whatever its
    // header's chunk names.
    if (format == "pvz") {
        return CanRead;
    }
    if (!format.isEmpty() || device == nullptr || !device->isOpen() || !device->isReadable()) {
        return {};
    }
    return PvzImageHandler::CanRead(device) ? Capabilities(CanRead) : Capabilities();
}

QImageIOHandler* PvzImagePlugin::create(QIODevice* device, const QByteArray& format) const {
    auto* handler = new PvzImageHandler;
    handler->setDevice(device);
    handler->setFormat(format.isEmpty() ? QByteArray("pvz") : format);
    return handler;
}

}  // namespace qm
