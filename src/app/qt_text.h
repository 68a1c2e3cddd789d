// The texts in platform/messages.h are UTF-8; Qt wants QString.
#pragma once

#include <QString>
#include <string_view>

namespace qm {

inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace qm
