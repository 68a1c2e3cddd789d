// The dialog with the real drivers, in a temporary folder: a small texture
// typed by name converts to a PNG named after its header and back.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "app/converter_dialog.h"
#include "app/qt_text.h"
#include "platform/messages.h"

using qm::ConverterDialog;

namespace {

// A 4 x 4 RGB565 texture stored row by row (data-format code 9): the
// 36-byte header, then one run record of 16 white texels.
QByteArray WhiteTexture() {
    QByteArray bytes(36, '\0');
    bytes[0] = 4 * 4 * 2 + 32;  // expanded size, little-endian
    bytes.replace(4, 4, "GBIX");
    for (int i = 0; i < 12; ++i) {
        bytes[8 + i] = static_cast<char>(0xA0 + i);
    }
    bytes.replace(20, 4, "PVRT");
    bytes[28] = 1;                    // RGB565
    bytes[29] = 9;                    // row by row
    bytes[32] = 4;                    // width
    bytes[34] = 4;                    // height
    bytes.append("\xFF\xFF\x0F", 3);  // colour 0xFFFF, repeated 15 more times
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void textureToPngAndBack();
};

void EndToEndTest::textureToPngAndBack() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(saved); });

    const QByteArray texture = WhiteTexture();
    QVERIFY(WriteFile(QStringLiteral("white.pvz"), texture));

    std::vector<std::string> messages;
    ConverterDialog dialog(qm::PvzToPngDriver(), qm::PngToPvzDriver(),
                           [&](std::string_view text) { messages.emplace_back(text); });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* field = dialog.findChild<QLineEdit*>(ConverterDialog::kFileNameName);
    auto* status = dialog.findChild<QLabel*>(ConverterDialog::kStatusName);
    QVERIFY(field != nullptr && status != nullptr);

    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("white.pvz"));
    QTest::mouseClick(dialog.findChild<QPushButton*>(ConverterDialog::kPvzToPngName),
                      Qt::LeftButton);
    QVERIFY2(messages.empty(), messages.empty() ? "" : messages.front().c_str());
    QCOMPARE(status->text(), qm::ToQString(qm::msg::kDone));
    QCOMPARE(field->text(), QStringLiteral("white.pvz"));

    const QString png = QStringLiteral("white_a0a1a2a3a4a5a6a7a8a9aaab0109.png");
    QVERIFY2(QFile::exists(png), qPrintable(QDir().entryList(QDir::Files).join(' ')));
    const QImage image(png);
    QCOMPARE(image.size(), QSize(4, 4));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            QCOMPARE(image.pixel(x, y), qRgba(255, 255, 255, 255));
        }
    }

    // And back: the texture is written again from the PNG and its name.
    QVERIFY(QFile::remove(QStringLiteral("white.pvz")));
    field->clear();
    QTest::keyClicks(field, png);
    QTest::mouseClick(dialog.findChild<QPushButton*>(ConverterDialog::kPngToPvzName),
                      Qt::LeftButton);
    QVERIFY2(messages.empty(), messages.empty() ? "" : messages.front().c_str());
    QCOMPARE(status->text(), qm::ToQString(qm::msg::kDone));
    const QByteArray back = ReadFile(QStringLiteral("white.pvz"));
    QVERIFY(back.size() >= 36);
    QCOMPARE(back.mid(8, 12), texture.mid(8, 12));  // header bytes
    QCOMPARE(back.mid(28, 2), texture.mid(28, 2));  // format codes
    QCOMPARE(back.mid(32, 4), texture.mid(32, 4));  // width, height
    QCOMPARE(back.mid(36), texture.mid(36));        // texel stream
}

QTEST_MAIN(EndToEndTest)
#include "end_to_end_test.moc"
