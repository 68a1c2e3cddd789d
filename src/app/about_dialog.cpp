#include "app/about_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/app_icon.h"
#include "app/dialog_units.h"
#include "app/qt_text.h"
#include "platform/messages.h"

namespace qm {

namespace {

// Layout in dialog units.
constexpr int kWidth = 235;
constexpr int kHeight = 55;
constexpr int kIconSize = 32;  // pixels: an icon control shows the icon at its own size

QLabel* AddText(QWidget* parent, const char* name, std::string_view text, QRect geometry) {
    auto* label = new QLabel(ToQString(text), parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);  // shown as written, "&" included
    // A font wider than the layout's lets a line run on to the right rather
    // than cut it.
    geometry.setWidth(std::max(geometry.width(), label->sizeHint().width()));
    label->setGeometry(geometry);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(ToQString(msg::kAboutTitle));
    setFont(ChooseDialogFont());
    const DialogUnits units(font());

    auto* icon = new QLabel(this);
    icon->setObjectName(QLatin1String(kIconName));
    icon->setPixmap(AppIcon().pixmap(kIconSize, kIconSize));
    icon->setGeometry(QRect(units.ToPixels(11, 17, 20, 20).topLeft(), QSize(kIconSize, kIconSize)));

    AddText(this, kVersionName, msg::kAboutVersion, units.ToPixels(40, 10, 119, 8));
    AddText(this, kCopyrightName, msg::kAboutCopyright, units.ToPixels(40, 25, 119, 8));

    auto* ok = new QPushButton(ToQString(msg::kButtonOk), this);
    ok->setObjectName(QLatin1String(kOkName));
    ok->setGeometry(units.ToPixels(178, 7, 50, 16));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(units.ToPixels(0, 0, kWidth, kHeight).size());
}

}  // namespace qm
