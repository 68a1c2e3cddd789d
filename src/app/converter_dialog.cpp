#include "app/converter_dialog.h"

#include <QAction>
#include <QDebug>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

#include "app/about_dialog.h"
#include "app/app_icon.h"
#include "app/dialog_units.h"
#include "app/message_box.h"
#include "app/qt_text.h"
#include "platform/messages.h"

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace qm {

namespace {

// The window's layout in dialog units: client size, then each control's
// x, y, width and height. Controls are created in this order, which is
// also the tab order.
constexpr int kWidth = 299;
constexpr int kHeight = 94;
constexpr QRect kCancelRect(242, 7, 50, 16);
constexpr QRect kPvzToPngRect(242, 29, 50, 14);
constexpr QRect kFileNameRect(49, 21, 189, 13);
constexpr QRect kFileNameCaptionRect(14, 23, 31, 8);
constexpr QRect kStatusRect(39, 59, 120, 8);
constexpr QRect kStatusCaptionRect(17, 59, 18, 8);
constexpr QRect kPngToPvzRect(242, 49, 50, 14);
constexpr int kMargin = 7;

QRect ToPixels(const DialogUnits& units, const QRect& rect) {
    return units.ToPixels(rect.x(), rect.y(), rect.width(), rect.height());
}

QPushButton* AddButton(QWidget* parent, const char* name, std::string_view text, QRect geometry) {
    auto* button = new QPushButton(ToQString(text), parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    // No button is the default one: Enter in the field must not press any.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLabel* AddLabel(QWidget* parent, const char* name, std::string_view text, QRect geometry) {
    auto* label = new QLabel(ToQString(text), parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    return label;
}

// A caption that its font makes wider than its place grows to the left, so
// that it still ends where the control it names begins.
void FitCaption(QLabel* caption) {
    QRect geometry = caption->geometry();
    const int needed = caption->sizeHint().width();
    if (needed > geometry.width()) {
        geometry.setLeft(std::max(0, geometry.right() + 1 - needed));
        caption->setGeometry(geometry);
    }
}

// The first dropped item that is an existing local file, or an empty string.
QString DroppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) {
        return {};
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            const QFileInfo info(url.toLocalFile());
            if (info.isFile()) {
                return info.absoluteFilePath();
            }
        }
    }
    return {};
}

}  // namespace

ConverterDialog::ConverterDialog(ConversionDriver pvzToPng, ConversionDriver pngToPvz,
                                 MessageFunction showMessage, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      controller_(*this, std::move(pvzToPng), std::move(pngToPvz)),
      showMessage_(std::move(showMessage)) {
    if (!showMessage_) {
        showMessage_ = [this](std::string_view text) { ShowMessageBox(this, text); };
    }
    setWindowTitle(ToQString(msg::kAppTitle));
    setWindowIcon(AppIcon());
    setFont(ChooseDialogFont());
    const DialogUnits units(font());

    QPushButton* cancel =
        AddButton(this, kCancelName, msg::kButtonCancel, ToPixels(units, kCancelRect));
    QPushButton* pvzToPngButton =
        AddButton(this, kPvzToPngName, msg::kButtonPvzToPng, ToPixels(units, kPvzToPngRect));
    fileName_ = new QLineEdit(this);
    fileName_->setObjectName(QLatin1String(kFileNameName));
    fileName_->setGeometry(ToPixels(units, kFileNameRect));
    // A file dropped on the field is handled by the window, not pasted as text.
    fileName_->setAcceptDrops(false);
    FitCaption(AddLabel(this, kFileNameCaptionName, msg::kLabelFileName,
                        ToPixels(units, kFileNameCaptionRect)));
    status_ = AddLabel(this, kStatusName, {}, ToPixels(units, kStatusRect));
    FitCaption(
        AddLabel(this, kStatusCaptionName, msg::kLabelStatus, ToPixels(units, kStatusCaptionRect)));
    QPushButton* pngToPvzButton =
        AddButton(this, kPngToPvzName, msg::kButtonPngToPvz, ToPixels(units, kPngToPvzRect));

    // The status line is wide enough for its longest text, up to the margin.
    int statusWidth = status_->width();
    for (const std::string_view text : ConverterController::kStatusTexts) {
        statusWidth =
            std::max(statusWidth, status_->fontMetrics().horizontalAdvance(ToQString(text)));
    }
    const int statusLimit = units.ToPixelsX(kWidth - kMargin) - status_->x();
    status_->resize(std::min(statusWidth, statusLimit), status_->height());

    setTabOrder(cancel, pvzToPngButton);
    setTabOrder(pvzToPngButton, fileName_);
    setTabOrder(fileName_, pngToPvzButton);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(pvzToPngButton, &QPushButton::clicked, this, &ConverterDialog::OnPvzToPng);
    connect(pngToPvzButton, &QPushButton::clicked, this, &ConverterDialog::OnPngToPvz);

    aboutAction_ = new QAction(ToQString(msg::kAboutMenuItem), this);
    aboutAction_->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction_->setShortcutContext(Qt::WindowShortcut);
    connect(aboutAction_, &QAction::triggered, this, &ConverterDialog::ShowAbout);
    addAction(aboutAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    setAcceptDrops(true);
    setFixedSize(units.ToPixels(0, 0, kWidth, kHeight).size());
    cancel->setFocus();
    AddAboutToSystemMenu();
}

ConverterDialog::~ConverterDialog() = default;

void ConverterDialog::OnPvzToPng() {
    controller_.OnPvzToPng();
}

void ConverterDialog::OnPngToPvz() {
    controller_.OnPngToPvz();
}

std::string ConverterDialog::FileNameText() const {
    const QByteArray encoded = QFile::encodeName(fileName_->text());
    return {encoded.constData(), static_cast<std::size_t>(encoded.size())};
}

void ConverterDialog::SetStatus(std::string_view text) {
    status_->setText(ToQString(text));
}

void ConverterDialog::ShowStatusNow(std::string_view text) {
    status_->setText(ToQString(text));
    status_->repaint();
}

void ConverterDialog::ShowModalMessage(std::string_view text) {
    showMessage_(text);
}

// Diagnostic lines of a conversion go to Qt's debug output.
void ConverterDialog::WriteDiagnostic(std::string_view text) {
    qDebug().noquote() << ToQString(text).trimmed();
}

void ConverterDialog::ShowAbout() {
    AboutDialog about(this);
    about.exec();
}

void ConverterDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

// A dropped file makes its folder the current one and its name the field's
// text; nothing is converted until a button is pressed.
void ConverterDialog::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    const QFileInfo info(path);
    if (OpenFile(info.absolutePath(), info.fileName())) {
        event->acceptProposedAction();
    }
}

bool ConverterDialog::OpenFile(const QString& folder, const QString& name) {
    if (QFileInfo(QDir(folder), name).isDir() || !QDir::setCurrent(folder)) {
        return false;
    }
    fileName_->setText(name);
    return true;
}

void ConverterDialog::AddAboutToSystemMenu() {
#ifdef Q_OS_WIN
    const QString text = ToQString(msg::kAboutMenuItem);
    HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu != nullptr && !text.isEmpty()) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, kAboutCommandId, reinterpret_cast<LPCWSTR>(text.utf16()));
    }
#endif
}

#ifdef Q_OS_WIN
// The system menu's about item; the low four bits of a system command are
// the system's own.
bool ConverterDialog::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    if (eventType == "windows_generic_MSG") {
        const auto* native = static_cast<const MSG*>(message);
        if (native->message == WM_SYSCOMMAND && (native->wParam & 0xFFF0) == kAboutCommandId) {
            ShowAbout();
            *result = 0;
            return true;
        }
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

}  // namespace qm
