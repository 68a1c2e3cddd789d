// Saves a picture of the dialog for the documentation: the window after a
// successful conversion of stone.pvz (the drivers here only pretend, so no
// file but the picture is written).
//
//   usage: quillmere_dialog_screenshot OUTPUT.png
//
// Run by the "dialog-screenshot" target on the offscreen platform, with the
// real fonts.
#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "app/app_icon.h"
#include "app/converter_dialog.h"
#include "app/dialog_units.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QApplication::setWindowIcon(qm::AppIcon());
    QApplication::setFont(qm::ChooseDialogFont());
    if (!QFontMetrics(QApplication::font()).inFont(QChar(u'状'))) {
        std::fprintf(stderr, "no installed font writes Japanese: the picture would show boxes\n");
        return 1;
    }

    const auto pretend = [](std::string&) { return true; };
    qm::ConverterDialog dialog(pretend, pretend, [](std::string_view) {});
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    dialog.findChild<QLineEdit*>(qm::ConverterDialog::kFileNameName)
        ->setText(QStringLiteral("stone.pvz"));
    dialog.findChild<QPushButton*>(qm::ConverterDialog::kPvzToPngName)->click();
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
