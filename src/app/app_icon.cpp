#include "app/app_icon.h"

#include <QString>

// The resources live in a static library, so they are registered by hand;
// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterAppResources() {
    Q_INIT_RESOURCE(quillmere);
}

namespace qm {

QIcon AppIcon() {
    static const bool registered = (RegisterAppResources(), true);
    (void)registered;
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/quillmere/quillmere-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace qm
