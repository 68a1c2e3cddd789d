#include "app/dialog_units.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>
#include <cmath>

namespace qm {

namespace {

constexpr int kDialogFontPoints = 9;
constexpr const char* kPreferredFamily = "VL PGothic";
constexpr int kAlphabetLength = 52;
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

QFont ChooseDialogFont() {
    QString family;
    const QStringList all = QFontDatabase::families();
    for (const QString& name : all) {
        if (name.compare(QLatin1String(kPreferredFamily), Qt::CaseInsensitive) == 0) {
            family = name;
            break;
        }
    }
    if (family.isEmpty()) {
        const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
        if (!japanese.isEmpty()) {
            family = japanese.first();
        }
    }
    QFont font = family.isEmpty() ? QApplication::font() : QFont(family);
    font.setPointSize(kDialogFontPoints);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    averageCharWidth_ = metrics.horizontalAdvance(QLatin1String(kAlphabet)) / kAlphabetLength;
    lineHeight_ = static_cast<int>(std::ceil(metrics.ascent() + metrics.descent()));
}

int DialogUnits::ToPixelsX(int units) const {
    return static_cast<int>(std::lround(units * averageCharWidth_ / 4.0));
}

int DialogUnits::ToPixelsY(int units) const {
    return static_cast<int>(std::lround(units * lineHeight_ / 8.0));
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    const int left = ToPixelsX(x);
    const int top = ToPixelsY(y);
    return QRect(left, top, ToPixelsX(x + width) - left, ToPixelsY(y + height) - top);
}

}  // namespace qm
