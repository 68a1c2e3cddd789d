// Saves a picture of the dialog for the documentation: the window after a
// successful conversion of stone.pvz (the drivers here only pretend).
//
//   usage: quillmere_dialog_screenshot OUTPUT.png
//
// Run by the "dialog-screenshot" target on the offscreen platform, with the
// real fonts.
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "app/about_dialog.h"
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
    {
        qm::AboutDialog a(&dialog);
        a.show();
        (void)QTest::qWaitForWindowExposed(&a);
        a.grab().save("/tmp/qmprev/about.png");
    }
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
