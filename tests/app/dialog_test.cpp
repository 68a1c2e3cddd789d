// The dialog as a user sees it: texts looked for as written, each box that
// opens read and closed with its "OK" button, drivers that log their calls.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <filesystem>

#include "app/converter_dialog.h"
#include "support/texture_bytes.h"

void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace qm {
namespace {

using test::Texts;

// The control or action of window that shows text, or null.
QObject* Find(const QObject* window, const char* text) {
    for (QObject* control : window->findChildren<QObject*>())
        if (control->property("text").toString() == QString::fromUtf8(text)) return control;
    return nullptr;
}

// Clicks the button that shows text; false when there is none.
bool Click(const QObject* window, const char* text) {
    return QMetaObject::invokeMethod(Find(window, text), "click");
}

// The dialog, shown. log gets "button name" from each driver and "title: texts"
// from each box, in order; painted gets the status line's texts as painted.
class Dialog : public ::testing::Test, public QObject {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFontMetrics(dialog.font()).inFont(QChar(u'状')))
            << "the dialog's font cannot write Japanese: is a Japanese font installed?";
        status->installEventFilter(this);
        startTimer(10);  // closes boxes from their own event loops
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog))
            << "no active window on the platform " << QGuiApplication::platformName().toStdString();
    }
    ConversionDriver Driver(const char* button, ConversionDriver real) {
        return [=, this](std::string& name) {
            log.push_back(std::string(button) + " " + name);
            during();
            return realDrivers ? real(name) : result;
        };
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted << status->text();
        return false;
    }
    void timerEvent(QTimerEvent*) override {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        QStringList texts = {box->windowTitle() + ":"};
        for (const QLabel* label : box->findChildren<QLabel*>()) texts << label->text();
        texts.removeAll(QString());
        log.push_back(texts.join(' ').toStdString() + (Click(box, "OK") ? "" : " (no OK button)"));
        box->reject();  // if it is still open
    }
    Texts log;
    QStringList painted;
    bool result = true, realDrivers = false;
    std::function<void()> during = [] {};
    ConverterDialog dialog{Driver("pvz→png", PvzToPngDriver()),
                           Driver("png→pvz", PngToPvzDriver())};
    QLabel* status = dialog.findChild<QLabel*>(ConverterDialog::kStatusName);
    QLineEdit* field = dialog.findChild<QLineEdit*>();
};

// The busy text is painted before the driver runs; the outcome follows. What
// the buttons do with names, drivers and their exceptions is the
// controller's (controller_test.cpp).
TEST_F(Dialog, PaintsTheBusyTextThenShowsTheOutcome) {
    const std::tuple<const char*, const char*, bool, const char*> rows[] = {
        {"pvz→png", "pvzからpngへ変換中 しばらくお待ちください", true, "変換終了"},
        {"png→pvz", "pngからpvzへ変換中 しばらくお待ちください", false, "失敗しました"}};
    for (const auto& [button, busy, ok, outcome] : rows) {
        SCOPED_TRACE(button);
        result = ok;
        log.clear();
        painted.clear();
        field->setText("石.pvz");
        ASSERT_TRUE(Click(&dialog, button));
        EXPECT_EQ(painted, QStringList{busy});
        EXPECT_EQ(log, Texts{std::string(button) + " 石.pvz"});
        EXPECT_EQ(status->text(), outcome);
    }
}

TEST_F(Dialog, ShowsEachMessageInItsOwnBoxInTurn) {
    during = [this] {
        ShowMessage("一行目\r\n二行目");
        log.push_back("between the boxes");
        ShowMessage("二つ目");
    };
    ASSERT_TRUE(Click(&dialog, "pvz→png"));
    EXPECT_EQ(log, (Texts{"pvz→png ", "Quillmere: 一行目\n二行目", "between the boxes",
                          "Quillmere: 二つ目"}));
}

TEST_F(Dialog, ShowsItsTextsAndTheAboutBoxFromItsMenuOrOnF1) {
    EXPECT_EQ(dialog.windowTitle(), "Quillmere");
    for (const char* text : {"ファイル名：", "状態：", "バージョン情報 Quillmere(&A)..."})
        EXPECT_NE(Find(&dialog, text), nullptr) << text;
    QTest::keyClick(&dialog, Qt::Key_F1);
    EXPECT_EQ(log, Texts{"バージョン情報 Quillmere: Quillmere Version 1.0 "
                         "Copyright (C) 2026 the Quillmere developers"});
}

TEST_F(Dialog, EnterInTheFieldDoesNothingWhileEscCancelAndTheCloseBoxClose) {
    const std::tuple<const char*, bool, std::function<void()>> rows[] = {
        {"Enter", false, [&] { QTest::keyClick(field, Qt::Key_Return); }},
        {"keypad Enter", false, [&] { QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier); }},
        {"Esc", true, [&] { QTest::keyClick(field, Qt::Key_Escape); }},
        {"キャンセル", true, [&] { EXPECT_TRUE(Click(&dialog, "キャンセル")); }},
        {"close box", true, [&] { dialog.close(); }}};
    for (const auto& [name, closes, press] : rows) {
        SCOPED_TRACE(name);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        press();
        EXPECT_EQ(dialog.isVisible(), !closes);
    }
    EXPECT_EQ(log, Texts{});
}

// The real drivers in a fresh current folder, to a PNG named after the header
// and back; the field keeps the name as typed though the driver rewrites it.
TEST_F(Dialog, ConvertsATextureToPngAndBack) {
    const test::TempDir folder;
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const auto restore = qScopeGuard([&] { std::filesystem::current_path(saved); });
    const test::Bytes texture = test::Pvz(1, 9, 4, 4, {0x34, 0x12, 15}, test::kHeaderBytes);
    test::WriteFile("stone.PVZ", texture);
    const std::string png = "stone_" + test::kHeaderText + "0109.png";
    realDrivers = true;
    field->setText("stone.PVZ");
    ASSERT_TRUE(Click(&dialog, "pvz→png"));
    EXPECT_EQ(field->text(), "stone.PVZ");
    field->setText(QString::fromStdString(png));
    ASSERT_TRUE(Click(&dialog, "png→pvz"));
    // The texture is replaced in place, under its own letter case.
    EXPECT_EQ(folder.List(), (Texts{"stone.PVZ", png}));
    EXPECT_EQ(test::ReadFile("stone.PVZ"), texture);
    EXPECT_EQ(log, (Texts{"pvz→png stone.PVZ", "png→pvz " + png}));
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
