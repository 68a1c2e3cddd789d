// The main window with injected drivers and message function: what each
// button does, in which order, and how the window behaves to keyboard, mouse
// and drops.
#include "app/converter_dialog.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QtMath>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/dialog_units.h"
#include "app/message_box.h"
#include "app/qt_text.h"
#include "modal_poller.h"
#include "platform/message_sink.h"
#include "platform/messages.h"

using qm::ConverterDialog;
using qm::ToQString;
using qm::test::Poller;
using qm::test::VisibleWindow;

namespace {

// What the injected drivers and message function saw.
struct Calls {
    std::vector<std::string> pvzToPng;  // names given to each driver
    std::vector<std::string> pngToPvz;
    std::vector<std::string> messages;
    bool result = true;                               // what the drivers return
    std::function<void(std::string&)> during;         // runs inside either driver
    std::function<void(std::string_view)> onMessage;  // runs inside the message function
};

std::unique_ptr<ConverterDialog> MakeDialog(Calls& calls) {
    return std::make_unique<ConverterDialog>(
        [&calls](std::string& name) {
            calls.pvzToPng.push_back(name);
            if (calls.during) calls.during(name);
            return calls.result;
        },
        [&calls](std::string& name) {
            calls.pngToPvz.push_back(name);
            if (calls.during) calls.during(name);
            return calls.result;
        },
        [&calls](std::string_view text) {
            calls.messages.emplace_back(text);
            if (calls.onMessage) calls.onMessage(text);
        });
}

template <typename T>
T* Child(QWidget* parent, const char* name) {
    return parent->findChild<T*>(QLatin1String(name));
}

QString Status(QWidget* dialog) {
    return Child<QLabel>(dialog, ConverterDialog::kStatusName)->text();
}

QLineEdit* Field(QWidget* dialog) {
    return Child<QLineEdit>(dialog, ConverterDialog::kFileNameName);
}

// Texts of a label at each of its paint events.
class PaintLog : public QObject {
  public:
    QStringList painted;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted.push_back(static_cast<QLabel*>(watched)->text());
        }
        return false;
    }
};

// Restores the current folder on leaving a test.
class CurrentFolderGuard {
  public:
    CurrentFolderGuard() : saved_(QDir::currentPath()) {}
    ~CurrentFolderGuard() { QDir::setCurrent(saved_); }
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

  private:
    QString saved_;
};

// What a poller saw of the about box before it pressed OK.
struct AboutSeen {
    int count = 0;
    QString title;
    QString version;
    QString copyright;
    bool okIsDefault = false;
    bool modal = false;
    bool hasIcon = false;
};

void CloseAboutBox(AboutSeen& seen) {
    auto* about = VisibleWindow<qm::AboutDialog>();
    if (about == nullptr) {
        return;
    }
    ++seen.count;
    seen.title = about->windowTitle();
    seen.version = Child<QLabel>(about, qm::AboutDialog::kVersionName)->text();
    seen.copyright = Child<QLabel>(about, qm::AboutDialog::kCopyrightName)->text();
    auto* ok = Child<QPushButton>(about, qm::AboutDialog::kOkName);
    seen.okIsDefault = ok->isDefault();
    seen.modal = about->isModal();
    seen.hasIcon = !Child<QLabel>(about, qm::AboutDialog::kIconName)->pixmap().isNull();
    ok->click();
}

void CheckAboutSeen(const AboutSeen& seen) {
    QCOMPARE(seen.count, 1);
    QCOMPARE(seen.title, ToQString(qm::msg::kAboutTitle));
    QCOMPARE(seen.version, ToQString(qm::msg::kAboutVersion));
    QCOMPARE(seen.copyright, ToQString(qm::msg::kAboutCopyright));
    QVERIFY(seen.okIsDefault);
    QVERIFY(seen.modal);
    QVERIFY(seen.hasIcon);
}

}  // namespace

class ConverterDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void controlsCarryTheirIdsAndTexts();
    void layoutFollowsDialogUnits();
    void dialogUnitsComeFromTheFont();
    void textsFitAndControlsDoNotOverlap();
    void fixedSizeWithoutMinimiseOrMaximise();
    void iconAtThreeSizes();
    void fontWritesEveryText();

    void busyTextIsPaintedBeforeTheDriverRuns_data();
    void busyTextIsPaintedBeforeTheDriverRuns();
    void finalStatusFollowsTheDriver_data();
    void finalStatusFollowsTheDriver();
    void namesWithSeparatorsAreRefused_data();
    void namesWithSeparatorsAreRefused();
    void emptyNameReachesTheDriver();
    void driverGetsACopyAndTheFieldKeepsItsText();
    void nameIsPassedAsUtf8UpToAnyNul();
    void messagesGoToTheDialogOnlyDuringAConversion();
    void driverExceptionBecomesAMessage();

    void enterInTheFieldDoesNothing_data();
    void enterInTheFieldDoesNothing();
    void escapeCloses();
    void cancelCloses();
    void closeBoxCloses();
    void modalRunEndsOnCancel();
    void focusStartsOnCancelAndTabFollowsTheLayout();
    void noButtonIsDefault();

    void aboutBoxOpensOnF1();
    void aboutBoxOpensFromTheContextMenu();
    void messageBoxIsModalAndTheConversionWaitsForIt();
    void messageBoxTextKeepsLineBreaks();

    void dropSetsFolderAndName();
    void dropOfAnythingButAFileIsRefused_data();
    void dropOfAnythingButAFileIsRefused();
};

void ConverterDialogTest::controlsCarryTheirIdsAndTexts() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    QCOMPARE(dialog->windowTitle(), ToQString(qm::msg::kAppTitle));
    const struct {
        const char* name;
        std::string_view text;
    } buttons[] = {{ConverterDialog::kCancelName, qm::msg::kButtonCancel},
                   {ConverterDialog::kPvzToPngName, qm::msg::kButtonPvzToPng},
                   {ConverterDialog::kPngToPvzName, qm::msg::kButtonPngToPvz}};
    for (const auto& button : buttons) {
        auto* widget = Child<QPushButton>(dialog.get(), button.name);
        QVERIFY2(widget != nullptr, button.name);
        QCOMPARE(widget->text(), ToQString(button.text));
    }
    QVERIFY(Field(dialog.get()) != nullptr);
    QCOMPARE(Field(dialog.get())->text(), QString());
    QCOMPARE(Status(dialog.get()), QString());
    QCOMPARE(Child<QLabel>(dialog.get(), ConverterDialog::kFileNameCaptionName)->text(),
             ToQString(qm::msg::kLabelFileName));
    QCOMPARE(Child<QLabel>(dialog.get(), ConverterDialog::kStatusCaptionName)->text(),
             ToQString(qm::msg::kLabelStatus));
}

void ConverterDialogTest::layoutFollowsDialogUnits() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    const qm::DialogUnits units(dialog->font());
    QCOMPARE(dialog->size(), units.ToPixels(0, 0, 299, 94).size());
    QCOMPARE(Child<QWidget>(dialog.get(), "2")->geometry(), units.ToPixels(242, 7, 50, 16));
    QCOMPARE(Child<QWidget>(dialog.get(), "1001")->geometry(), units.ToPixels(242, 29, 50, 14));
    QCOMPARE(Child<QWidget>(dialog.get(), "1002")->geometry(), units.ToPixels(49, 21, 189, 13));
    QCOMPARE(Child<QWidget>(dialog.get(), "1004")->geometry(), units.ToPixels(242, 49, 50, 14));
    // Captions keep their right edge and line; the status line its left edge.
    const QRect fileCaption = units.ToPixels(14, 23, 31, 8);
    const QWidget* fileCaptionWidget =
        Child<QWidget>(dialog.get(), ConverterDialog::kFileNameCaptionName);
    QCOMPARE(fileCaptionWidget->geometry().right(), fileCaption.right());
    QCOMPARE(fileCaptionWidget->geometry().top(), fileCaption.top());
    QVERIFY(fileCaptionWidget->geometry().left() <= fileCaption.left());
    const QRect statusCaption = units.ToPixels(17, 59, 18, 8);
    const QWidget* statusCaptionWidget =
        Child<QWidget>(dialog.get(), ConverterDialog::kStatusCaptionName);
    QCOMPARE(statusCaptionWidget->geometry().right(), statusCaption.right());
    QCOMPARE(statusCaptionWidget->geometry().top(), statusCaption.top());
    const QRect status = units.ToPixels(39, 59, 120, 8);
    const QWidget* statusWidget = Child<QWidget>(dialog.get(), ConverterDialog::kStatusName);
    QCOMPARE(statusWidget->geometry().topLeft(), status.topLeft());
    QCOMPARE(statusWidget->height(), status.height());
    QVERIFY(statusWidget->width() >= status.width());
}

void ConverterDialogTest::dialogUnitsComeFromTheFont() {
    QFont font = qm::ChooseDialogFont();
    const QFontMetricsF metrics(font);
    const qm::DialogUnits units(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    QCOMPARE(units.averageCharWidth(), metrics.horizontalAdvance(alphabet) / 52);
    QCOMPARE(units.lineHeight(), qCeil(metrics.ascent() + metrics.descent()));
    // Four horizontal units are one average character, eight vertical ones a line.
    QCOMPARE(units.ToPixelsX(4), qRound(units.averageCharWidth()));
    QCOMPARE(units.ToPixelsY(8), units.lineHeight());
    QCOMPARE(units.ToPixelsX(400), qRound(100 * units.averageCharWidth()));
    // A bigger font gives bigger units.
    font.setPointSize(font.pointSize() * 2);
    const qm::DialogUnits bigger(font);
    QVERIFY(bigger.ToPixelsX(100) > units.ToPixelsX(100));
    QVERIFY(bigger.ToPixelsY(100) > units.ToPixelsY(100));
    // Touching rectangles still touch.
    QCOMPARE(units.ToPixels(3, 5, 7, 11).right() + 1, units.ToPixels(10, 5, 1, 1).left());
    QCOMPARE(units.ToPixels(3, 5, 7, 11).bottom() + 1, units.ToPixels(3, 16, 1, 1).top());
}

void ConverterDialogTest::textsFitAndControlsDoNotOverlap() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    const QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), 7);
    for (QWidget* control : controls) {
        QVERIFY2(dialog->rect().contains(control->geometry()), qPrintable(control->objectName()));
        for (QWidget* other : controls) {
            if (other != control) {
                QVERIFY2(!control->geometry().intersects(other->geometry()),
                         qPrintable(control->objectName() + " / " + other->objectName()));
            }
        }
        if (auto* label = qobject_cast<QLabel*>(control)) {
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
            QVERIFY2(label->fontMetrics().height() <= label->height(), qPrintable(label->text()));
        } else if (auto* button = qobject_cast<QPushButton*>(control)) {
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width(),
                     qPrintable(button->text()));
        }
    }
    auto* status = Child<QLabel>(dialog.get(), ConverterDialog::kStatusName);
    for (const std::string_view text :
         {qm::msg::kPvzToPngBusy, qm::msg::kPngToPvzBusy, qm::msg::kDone, qm::msg::kFailed}) {
        status->setText(ToQString(text));
        QVERIFY2(status->sizeHint().width() <= status->width(), qPrintable(status->text()));
    }
}

void ConverterDialogTest::fixedSizeWithoutMinimiseOrMaximise() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    QCOMPARE(dialog->minimumSize(), dialog->size());
    QCOMPARE(dialog->maximumSize(), dialog->size());
    const Qt::WindowFlags flags = dialog->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
}

void ConverterDialogTest::iconAtThreeSizes() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    const QIcon icon = dialog->windowIcon();
    for (const int size : {16, 32, 48}) {
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
                 qPrintable(QString::number(size)));
        const QImage image = icon.pixmap(size, size).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        // Opaque in the middle, transparent in the corner.
        QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    }
}

void ConverterDialogTest::fontWritesEveryText() {
    if (QFontDatabase::families(QFontDatabase::Japanese).isEmpty()) {
        QSKIP("no font on this system writes Japanese");
    }
    Calls calls;
    auto dialog = MakeDialog(calls);
    if (QFontDatabase::families().contains(QStringLiteral("VL PGothic"))) {
        QCOMPARE(QFontInfo(dialog->font()).family(), QStringLiteral("VL PGothic"));
    }
    QCOMPARE(QFontInfo(dialog->font()).pointSize(), 9);
    const QFontMetrics metrics(dialog->font());
    for (const std::string_view text :
         {qm::msg::kButtonCancel, qm::msg::kButtonPvzToPng, qm::msg::kButtonPngToPvz,
          qm::msg::kLabelFileName, qm::msg::kLabelStatus, qm::msg::kPvzToPngBusy,
          qm::msg::kPngToPvzBusy, qm::msg::kDone, qm::msg::kFailed, qm::msg::kAboutTitle}) {
        for (const char32_t c : ToQString(text).toUcs4()) {
            QVERIFY2(metrics.inFontUcs4(c), qPrintable(ToQString(text)));
        }
    }
}

void ConverterDialogTest::busyTextIsPaintedBeforeTheDriverRuns_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("busy");
    QTest::addColumn<bool>("pvzToPng");
    QTest::newRow("pvz→png") << "1001" << ToQString(qm::msg::kPvzToPngBusy) << true;
    QTest::newRow("png→pvz") << "1004" << ToQString(qm::msg::kPngToPvzBusy) << false;
}

void ConverterDialogTest::busyTextIsPaintedBeforeTheDriverRuns() {
    QFETCH(QString, button);
    QFETCH(QString, busy);
    QFETCH(bool, pvzToPng);
    Calls calls;
    auto dialog = MakeDialog(calls);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    auto* status = Child<QLabel>(dialog.get(), ConverterDialog::kStatusName);
    PaintLog log;
    status->installEventFilter(&log);
    QString textDuring;
    QString lastPaintedDuring;
    calls.during = [&](std::string&) {
        textDuring = status->text();
        lastPaintedDuring = log.painted.isEmpty() ? QString() : log.painted.last();
    };
    Field(dialog.get())->setText(QStringLiteral("a.pvz"));
    Child<QPushButton>(dialog.get(), qPrintable(button))->click();
    QCOMPARE(calls.pvzToPng.size(), pvzToPng ? 1u : 0u);
    QCOMPARE(calls.pngToPvz.size(), pvzToPng ? 0u : 1u);
    QCOMPARE(textDuring, busy);
    QCOMPARE(lastPaintedDuring, busy);
}

void ConverterDialogTest::finalStatusFollowsTheDriver_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("status");
    QTest::newRow("pvz→png done") << "1001" << true << ToQString(qm::msg::kDone);
    QTest::newRow("pvz→png failed") << "1001" << false << ToQString(qm::msg::kFailed);
    QTest::newRow("png→pvz done") << "1004" << true << ToQString(qm::msg::kDone);
    QTest::newRow("png→pvz failed") << "1004" << false << ToQString(qm::msg::kFailed);
}

void ConverterDialogTest::finalStatusFollowsTheDriver() {
    QFETCH(QString, button);
    QFETCH(bool, result);
    QFETCH(QString, status);
    Calls calls;
    calls.result = result;
    auto dialog = MakeDialog(calls);
    Field(dialog.get())->setText(QStringLiteral("stone.pvz"));
    Child<QPushButton>(dialog.get(), qPrintable(button))->click();
    QCOMPARE(calls.pvzToPng.size() + calls.pngToPvz.size(), 1u);
    QCOMPARE(Status(dialog.get()), status);
    QVERIFY(calls.messages.empty());
}

void ConverterDialogTest::namesWithSeparatorsAreRefused_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("name");
    for (const char* button : {"1001", "1004"}) {
        const QString prefix = QLatin1String(button) + QLatin1Char(' ');
        QTest::newRow(qPrintable(prefix + "slash")) << button << "sub/a.pvz";
        QTest::newRow(qPrintable(prefix + "drive")) << button << "C:\\a.pvz";
        QTest::newRow(qPrintable(prefix + "absolute")) << button << "/tmp/a.png";
        QTest::newRow(qPrintable(prefix + "trailing")) << button << "a\\";
        QTest::newRow(qPrintable(prefix + "only")) << button << "/";
    }
}

void ConverterDialogTest::namesWithSeparatorsAreRefused() {
    QFETCH(QString, button);
    QFETCH(QString, name);
    Calls calls;
    auto dialog = MakeDialog(calls);
    QString statusAtMessage;
    calls.onMessage = [&](std::string_view) { statusAtMessage = Status(dialog.get()); };
    Field(dialog.get())->setText(name);
    Child<QPushButton>(dialog.get(), qPrintable(button))->click();
    QVERIFY(calls.pvzToPng.empty());
    QVERIFY(calls.pngToPvz.empty());
    QCOMPARE(calls.messages, std::vector<std::string>{std::string(qm::msg::kPathNotAllowed)});
    QCOMPARE(statusAtMessage,
             ToQString(button == "1001" ? qm::msg::kPvzToPngBusy : qm::msg::kPngToPvzBusy));
    QCOMPARE(Status(dialog.get()), ToQString(qm::msg::kFailed));
    QCOMPARE(Field(dialog.get())->text(), name);
}

void ConverterDialogTest::emptyNameReachesTheDriver() {
    Calls calls;
    calls.result = false;
    auto dialog = MakeDialog(calls);
    Child<QPushButton>(dialog.get(), "1001")->click();
    Child<QPushButton>(dialog.get(), "1004")->click();
    QCOMPARE(calls.pvzToPng, std::vector<std::string>{""});
    QCOMPARE(calls.pngToPvz, std::vector<std::string>{""});
    QCOMPARE(Status(dialog.get()), ToQString(qm::msg::kFailed));
}

void ConverterDialogTest::driverGetsACopyAndTheFieldKeepsItsText() {
    Calls calls;
    calls.during = [](std::string& name) { name = "rewritten_by_the_driver.png"; };
    auto dialog = MakeDialog(calls);
    Field(dialog.get())->setText(QStringLiteral("tex.PVZ"));
    Child<QPushButton>(dialog.get(), "1001")->click();
    QCOMPARE(Field(dialog.get())->text(), QStringLiteral("tex.PVZ"));
    Child<QPushButton>(dialog.get(), "1001")->click();
    Child<QPushButton>(dialog.get(), "1004")->click();
    QCOMPARE(calls.pvzToPng, (std::vector<std::string>{"tex.PVZ", "tex.PVZ"}));
    QCOMPARE(calls.pngToPvz, std::vector<std::string>{"tex.PVZ"});
    QCOMPARE(Field(dialog.get())->text(), QStringLiteral("tex.PVZ"));
    QCOMPARE(Status(dialog.get()), ToQString(qm::msg::kDone));
}

void ConverterDialogTest::nameIsPassedAsUtf8UpToAnyNul() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    Field(dialog.get())->setText(QStringLiteral("石.pvz"));
    Child<QPushButton>(dialog.get(), "1001")->click();
    Field(dialog.get())->setText(QStringLiteral("a.pvz") + QChar(0) + QStringLiteral("/b"));
    Child<QPushButton>(dialog.get(), "1001")->click();
    QCOMPARE(calls.pvzToPng, (std::vector<std::string>{"\xE7\x9F\xB3.pvz", "a.pvz"}));
}

void ConverterDialogTest::messagesGoToTheDialogOnlyDuringAConversion() {
    std::vector<std::string> outside;
    const qm::ScopedMessageSink outer([&](std::string_view text) { outside.emplace_back(text); },
                                      [&](std::string_view text) { outside.emplace_back(text); });
    Calls calls;
    calls.result = false;
    calls.during = [](std::string&) {
        qm::ShowMessage("first");
        qm::WriteDebugLine("a diagnostic line\n");
        qm::ShowMessage("second");
    };
    auto dialog = MakeDialog(calls);
    qm::ShowMessage("before");
    Child<QPushButton>(dialog.get(), "1004")->click();
    qm::ShowMessage("after");
    QCOMPARE(calls.messages, (std::vector<std::string>{"first", "second"}));
    QCOMPARE(outside, (std::vector<std::string>{"before", "after"}));
    QCOMPARE(Status(dialog.get()), ToQString(qm::msg::kFailed));
}

void ConverterDialogTest::driverExceptionBecomesAMessage() {
    Calls calls;
    bool throwBadAlloc = false;
    calls.during = [&](std::string&) {
        if (throwBadAlloc) throw std::bad_alloc();
        throw std::runtime_error("broken");
    };
    auto dialog = MakeDialog(calls);
    Child<QPushButton>(dialog.get(), "1001")->click();
    QCOMPARE(calls.messages.size(), 1u);
    QCOMPARE(calls.messages[0], std::string(qm::msg::kUnexpectedError) + "\r\nbroken");
    QCOMPARE(Status(dialog.get()), ToQString(qm::msg::kFailed));
    throwBadAlloc = true;
    Child<QPushButton>(dialog.get(), "1004")->click();
    QCOMPARE(calls.messages.size(), 2u);
    QVERIFY(calls.messages[1].starts_with(qm::msg::kUnexpectedError));
    QCOMPARE(Status(dialog.get()), ToQString(qm::msg::kFailed));
    // The window still works.
    calls.during = nullptr;
    Child<QPushButton>(dialog.get(), "1001")->click();
    QCOMPARE(Status(dialog.get()), ToQString(qm::msg::kDone));
}

void ConverterDialogTest::enterInTheFieldDoesNothing_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
}

void ConverterDialogTest::enterInTheFieldDoesNothing() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    Calls calls;
    auto dialog = MakeDialog(calls);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QLineEdit* field = Field(dialog.get());
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("stone.pvz"));
    QTest::keyClick(field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTest::keyClick(dialog.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(calls.pvzToPng.empty());
    QVERIFY(calls.pngToPvz.empty());
    QVERIFY(calls.messages.empty());
    QVERIFY(dialog->isVisible());
    QCOMPARE(Status(dialog.get()), QString());
    QCOMPARE(field->text(), QStringLiteral("stone.pvz"));
    QCOMPARE(QApplication::focusWidget(), field);
}

void ConverterDialogTest::escapeCloses() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    Field(dialog.get())->setFocus();
    QTest::keyClick(Field(dialog.get()), Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(calls.pvzToPng.empty() && calls.pngToPvz.empty());
}

void ConverterDialogTest::cancelCloses() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QTest::mouseClick(Child<QPushButton>(dialog.get(), "2"), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(calls.pvzToPng.empty() && calls.pngToPvz.empty());
}

void ConverterDialogTest::closeBoxCloses() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QVERIFY(dialog->close());
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
}

void ConverterDialogTest::modalRunEndsOnCancel() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    int clicks = 0;
    const Poller poller([&] {
        if (dialog->isVisible() && clicks == 0) {
            ++clicks;
            Child<QPushButton>(dialog.get(), "2")->click();
        }
    });
    QCOMPARE(dialog->exec(), int(QDialog::Rejected));
    QCOMPARE(clicks, 1);
}

void ConverterDialogTest::focusStartsOnCancelAndTabFollowsTheLayout() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QCOMPARE(QApplication::focusWidget(), Child<QWidget>(dialog.get(), "2"));
    for (const char* next : {"1001", "1002", "1004", "2"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Child<QWidget>(dialog.get(), next));
    }
    for (const char* previous : {"1004", "1002", "1001", "2"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), Child<QWidget>(dialog.get(), previous));
    }
}

void ConverterDialogTest::noButtonIsDefault() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    // The first button that is or may become the default one, or null.
    const auto defaultButton = [&]() -> const QPushButton* {
        for (const QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->isDefault() || button->autoDefault()) {
                return button;
            }
        }
        return nullptr;
    };
    QCOMPARE(dialog->findChildren<QPushButton*>().size(), 3);
    QCOMPARE(defaultButton(), nullptr);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QCOMPARE(defaultButton(), nullptr);
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(defaultButton(), nullptr);
    }
}

void ConverterDialogTest::aboutBoxOpensOnF1() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QCOMPARE(dialog->aboutAction()->shortcut(), QKeySequence(Qt::Key_F1));
    AboutSeen seen;
    {
        const Poller poller([&] { CloseAboutBox(seen); });
        QTest::keyClick(dialog.get(), Qt::Key_F1);
    }
    CheckAboutSeen(seen);
    if (QTest::currentTestFailed()) {
        return;
    }
    QVERIFY(dialog->isVisible());
    // From the field too, once the window is active again (the offscreen
    // platform does not hand activation back when a box closes).
    seen = {};
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    Field(dialog.get())->setFocus();
    {
        const Poller poller([&] { CloseAboutBox(seen); });
        QTest::keyClick(Field(dialog.get()), Qt::Key_F1);
    }
    QCOMPARE(seen.count, 1);
}

void ConverterDialogTest::aboutBoxOpensFromTheContextMenu() {
    Calls calls;
    auto dialog = MakeDialog(calls);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QCOMPARE(dialog->contextMenuPolicy(), Qt::ActionsContextMenu);
    QVERIFY(dialog->actions().contains(dialog->aboutAction()));

    QStringList menuItems;
    AboutSeen seen;
    bool chosen = false;
    {
        const Poller poller([&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                menu != nullptr && !chosen) {
                chosen = true;
                for (const QAction* action : menu->actions()) {
                    menuItems.push_back(action->text());
                }
                // Chosen from the menu's own loop: the about box it opens
                // must not run inside this poller.
                QMetaObject::invokeMethod(
                    menu,
                    [menu] {
                        menu->setActiveAction(menu->actions().value(0));
                        QTest::keyClick(menu, Qt::Key_Return);
                    },
                    Qt::QueuedConnection);
            }
            CloseAboutBox(seen);
        });
        const QPoint where(5, 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, where, dialog->mapToGlobal(where));
        QApplication::sendEvent(dialog.get(), &event);
    }
    QCOMPARE(menuItems, QStringList{ToQString(qm::msg::kAboutMenuItem)});
    CheckAboutSeen(seen);
}

void ConverterDialogTest::messageBoxIsModalAndTheConversionWaitsForIt() {
    bool driverWentOn = false;
    ConverterDialog dialog(
        [&](std::string&) {
            qm::ShowMessage("一行目\r\n二行目");
            driverWentOn = true;
            return false;
        },
        [](std::string&) { return true; });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    int boxes = 0;
    QString text;
    QString title;
    bool modal = false;
    bool waited = false;
    QStringList buttons;
    {
        const Poller poller([&] {
            auto* box = VisibleWindow<QMessageBox>();
            if (box == nullptr) {
                return;
            }
            ++boxes;
            text = box->text();
            title = box->windowTitle();
            modal = box->isModal();
            waited = !driverWentOn;
            for (const QAbstractButton* button : box->buttons()) {
                buttons.push_back(button->text());
            }
            box->button(QMessageBox::Ok)->click();
        });
        Field(&dialog)->setText(QStringLiteral("a.pvz"));
        Child<QPushButton>(&dialog, "1001")->click();
    }
    QCOMPARE(boxes, 1);
    QCOMPARE(text, QStringLiteral("一行目\n二行目"));
    QCOMPARE(title, ToQString(qm::msg::kAppTitle));
    QVERIFY(modal);
    QVERIFY(waited);
    QCOMPARE(buttons, QStringList{ToQString(qm::msg::kButtonOk)});
    QVERIFY(driverWentOn);
    QCOMPARE(Status(&dialog), ToQString(qm::msg::kFailed));
}

void ConverterDialogTest::messageBoxTextKeepsLineBreaks() {
    QCOMPARE(qm::MessageBoxText("a\r\nb"), QStringLiteral("a\nb"));
    QCOMPARE(qm::MessageBoxText("a\rb\nc"), QStringLiteral("a\nb\nc"));
    QCOMPARE(qm::MessageBoxText(qm::msg::kBadPngName),
             QStringLiteral("拡張子がpngではない or\n '_' 以下の文字列がおかしい"));
    QCOMPARE(qm::MessageBoxText("&a<b>"), QStringLiteral("&a<b>"));
}

void ConverterDialogTest::dropSetsFolderAndName() {
    const CurrentFolderGuard guard;
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("石 stone.pvz"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    Calls calls;
    auto dialog = MakeDialog(calls);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QVERIFY(!Field(dialog.get())->acceptDrops());  // drops on the field reach the window

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint where = Field(dialog.get())->geometry().center();
    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &drop);
    QVERIFY(drop.isAccepted());

    QCOMPARE(Field(dialog.get())->text(), QStringLiteral("石 stone.pvz"));
    QCOMPARE(QDir::current().canonicalPath(), QDir(folder.path()).canonicalPath());
    QVERIFY(calls.pvzToPng.empty() && calls.pngToPvz.empty());
    QCOMPARE(Status(dialog.get()), QString());
}

void ConverterDialogTest::dropOfAnythingButAFileIsRefused_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("missing file") << "missing";
    QTest::newRow("web address") << "web";
    QTest::newRow("plain text") << "text";
}

void ConverterDialogTest::dropOfAnythingButAFileIsRefused() {
    QFETCH(QString, kind);
    const CurrentFolderGuard guard;
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QMimeData data;
    if (kind == "folder") {
        data.setUrls({QUrl::fromLocalFile(folder.path())});
    } else if (kind == "missing") {
        data.setUrls({QUrl::fromLocalFile(folder.filePath(QStringLiteral("gone.pvz")))});
    } else if (kind == "web") {
        data.setUrls({QUrl(QStringLiteral("https://example.invalid/a.pvz"))});
    } else {
        data.setText(folder.filePath(QStringLiteral("a.pvz")));
    }
    Calls calls;
    auto dialog = MakeDialog(calls);
    Field(dialog.get())->setText(QStringLiteral("kept.pvz"));
    const QString before = QDir::currentPath();
    const QPoint where(5, 5);
    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(dialog.get(), &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    drop.ignore();
    QApplication::sendEvent(dialog.get(), &drop);
    QVERIFY(!drop.isAccepted());
    QCOMPARE(Field(dialog.get())->text(), QStringLiteral("kept.pvz"));
    QCOMPARE(QDir::currentPath(), before);
}

QTEST_MAIN(ConverterDialogTest)
#include "converter_dialog_test.moc"
