// quillmere: the dialog. It runs modally and the program ends when it closes
// ("キャンセル", Esc or the close box). No settings are stored. "quillmere FILE"
// starts with FILE in the field and its folder current, as a drop does.
#include <QApplication>
#include <QFile>
#include <string>
#include <vector>

#include "app/app_icon.h"
#include "app/converter_dialog.h"
#include "app/dialog_units.h"
#include "app/launch_file.h"
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
    // "quillmere FILE" opens as if FILE had been dropped on the dialog.
    std::vector<std::string> arguments;
    for (const QString& argument : QApplication::arguments().mid(1)) {
        arguments.push_back(QFile::encodeName(argument).toStdString());
    }
    if (const auto file = qm::LaunchFileFromArguments(arguments)) {
        dialog.OpenFile(QFile::decodeName(file->folder.c_str()),
                        QFile::decodeName(file->name.c_str()));
    }
    dialog.exec();
    return 0;
}
