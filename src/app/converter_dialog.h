// The main window: a file-name field, the two conversion buttons, a cancel
// button and a status line. A conversion runs synchronously inside the
// button's handler; its messages are shown one by one in modal boxes. What
// the buttons do is the ConverterController's; this is its Qt view.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

#include "app/converter_controller.h"
#include "platform/message_sink.h"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qm {

class ConverterDialog : public QDialog, private ConverterView {
    Q_OBJECT

  public:
    // Control ids, kept as the controls' object names.
    static constexpr const char* kCancelName = "2";
    static constexpr const char* kPvzToPngName = "1001";
    static constexpr const char* kFileNameName = "1002";
    static constexpr const char* kStatusName = "1003";
    static constexpr const char* kPngToPvzName = "1004";
    // The captions without an id.
    static constexpr const char* kFileNameCaptionName = "fileNameCaption";
    static constexpr const char* kStatusCaptionName = "statusCaption";

    // Command id of the about item in the Windows system menu.
    static constexpr unsigned kAboutCommandId = ConverterController::kAboutCommandId;

    // showMessage receives every message of a conversion and must return
    // only once the user has seen it; when empty, each message is shown in
    // a modal box over this dialog.
    explicit ConverterDialog(ConversionDriver pvzToPng = PvzToPngDriver(),
                             ConversionDriver pngToPvz = PngToPvzDriver(),
                             MessageFunction showMessage = {}, QWidget* parent = nullptr);
    ~ConverterDialog() override;

    // Makes folder the current one and puts name in the field, as a dropped
    // file does; nothing is converted. False (and nothing changed) when the
    // folder cannot be entered or the name is a folder there.
    bool OpenFile(const QString& folder, const QString& name);

    // "バージョン情報 Quillmere(&A)..." in the context menu, on F1.
    QAction* aboutAction() const { return aboutAction_; }

  public slots:
    void OnPvzToPng();
    void OnPngToPvz();
    // Shows the about box modally.
    void ShowAbout();

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

  private:
    // ConverterView
    std::string FileNameText() const override;
    void SetStatus(std::string_view text) override;
    void ShowStatusNow(std::string_view text) override;
    void ShowModalMessage(std::string_view text) override;
    void WriteDiagnostic(std::string_view text) override;

    void AddAboutToSystemMenu();

    ConverterController controller_;
    MessageFunction showMessage_;
    QLineEdit* fileName_ = nullptr;
    QLabel* status_ = nullptr;
    QAction* aboutAction_ = nullptr;
};

}  // namespace qm
