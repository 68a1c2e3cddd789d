// The plugin Qt finds under imageformats/: it offers PvzImageHandler for the
// key "pvz" (a file name's suffix) and for devices whose header it sniffs.
#pragma once

#include <QImageIOPlugin>

namespace qm {

class PvzImagePlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "pvz.json")

  public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device,
                            const QByteArray& format = QByteArray()) const override;
};

}  // namespace qm
