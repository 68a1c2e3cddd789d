#include "app/message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "app/qt_text.h"
#include "platform/messages.h"

namespace qm {

QString MessageBoxText(std::string_view text) {
    QString result = ToQString(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

void ShowMessageBox(QWidget* parent, std::string_view text) {
    QMessageBox box(parent);
    box.setWindowTitle(ToQString(msg::kAppTitle));
    box.setTextFormat(Qt::PlainText);
    box.setText(MessageBoxText(text));
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(ToQString(msg::kButtonOk));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace qm
