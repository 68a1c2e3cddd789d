// The application icon, drawn at 16, 32 and 48 pixels (resources/).
#pragma once

#include <QIcon>

namespace qm {

QIcon AppIcon();

}  // namespace qm
