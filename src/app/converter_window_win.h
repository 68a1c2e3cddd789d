// The converter dialog as Windows draws it: dialog template 102 of
// resources/quillmere.rc, mapped onto the shared ConverterController.
#pragma once

#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <optional>
#include <string>
#include <string_view>

#include "app/converter_controller.h"
#include "app/launch_file.h"
#include "platform/message_sink.h"

namespace qm {

class ConverterWindow final : public ConverterView {
  public:
    // showMessage receives every message of a conversion and must return
    // only once the user has seen it; when empty, each message is shown in
    // a message box owned by the dialog, so that it is modal.
    ConverterWindow(ConversionDriver pvzToPng, ConversionDriver pngToPvz,
                    MessageFunction showMessage = {});
    ~ConverterWindow() override;
    ConverterWindow(const ConverterWindow&) = delete;
    ConverterWindow& operator=(const ConverterWindow&) = delete;

    // Runs the dialog until "キャンセル", Esc or the close box ends it.
    void RunModal();
    // Creates the dialog without running it (for a caller with its own
    // message loop); Close destroys it. Null when it cannot be made.
    HWND CreateModeless();
    HWND Handle() const { return window_; }

    // The file the dialog opens with (OpenFile) once it is shown.
    void SetLaunchFile(LaunchFile file) { launch_ = std::move(file); }

    // Makes folder the current one and puts name in the field, as a dropped
    // file does; nothing is converted. False (and nothing changed) when the
    // folder cannot be entered or the name is a folder there.
    bool OpenFile(const std::string& folder, const std::string& name);

    // ConverterView
    std::string FileNameText() const override;
    void SetStatus(std::string_view text) override;
    void ShowStatusNow(std::string_view text) override;
    void ShowModalMessage(std::string_view text) override;
    void WriteDiagnostic(std::string_view text) override;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void FitStatusLine();
    void OnDropFiles(HDROP drop);
    void Close();

    ConverterController controller_;
    MessageFunction showMessage_;
    HWND window_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    bool modeless_ = false;
    std::optional<LaunchFile> launch_;
};

// Shows the about box (template 100) modally over owner.
void ShowAboutBox(HWND owner);

}  // namespace qm
