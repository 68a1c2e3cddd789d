// quillmere: the dialog. It runs modally and the program ends when it closes
// ("キャンセル", Esc or the close box). No settings are stored.
#include <QApplication>

#include "app/app_icon.h"
#include "app/converter_dialog.h"
#include "app/dialog_units.h"
#include "app/qt_text.h"
#include "platform/messages.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(qm::ToQString(qm::msg::kOrganization));
    QApplication::setApplicationName(qm::ToQString(qm::msg::kAppTitle));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    QApplication::setDesktopFileName(QStringLiteral("quillmere"));
    QApplication::setWindowIcon(qm::AppIcon());
    // Message boxes share the dialog's font.
    QApplication::setFont(qm::ChooseDialogFont());

    qm::ConverterDialog dialog;
    dialog.exec();
    return 0;
}
