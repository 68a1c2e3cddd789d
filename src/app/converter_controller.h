// What the converter window does when a button is pressed, without any GUI
// toolkit. Each view (Qt widgets, Win32) lends its controls through a
// ConverterView and calls the controller's handlers from its two buttons.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "platform/messages.h"

namespace qm {

// A conversion driver: converts the named file in the current folder and
// reports success. It may rewrite the name it is given.
using ConversionDriver = std::function<bool(std::string&)>;

// The real drivers (convert/pvz_to_png.h, convert/png_to_pvz.h), in
// conversion_drivers.cpp.
ConversionDriver PvzToPngDriver();
ConversionDriver PngToPvzDriver();

// The window's controls, as the controller uses them.
class ConverterView {
  public:
    virtual ~ConverterView() = default;

    // The file-name field's text in UTF-8, NULs included.
    virtual std::string FileNameText() const = 0;
    // Sets the status line's text; it is painted when the window next is.
    virtual void SetStatus(std::string_view text) = 0;
    // Sets the status line's text and paints it before returning: a
    // conversion keeps the event loop until it ends.
    virtual void ShowStatusNow(std::string_view text) = 0;
    // Shows a message modally and returns once the user has seen it.
    virtual void ShowModalMessage(std::string_view text) = 0;
    // Writes a diagnostic line that the user does not see.
    virtual void WriteDiagnostic(std::string_view text) = 0;
};

class ConverterController {
  public:
    // Command id of the about item in the Windows system menu.
    static constexpr unsigned kAboutCommandId = 0x0010;
    // Every text of the status line; it is made wide enough for the longest.
    static constexpr std::array<std::string_view, 4> kStatusTexts = {
        msg::kPvzToPngBusy, msg::kPngToPvzBusy, msg::kDone, msg::kFailed};

    // view must outlive the controller.
    ConverterController(ConverterView& view, ConversionDriver pvzToPng, ConversionDriver pngToPvz);

    // The two buttons. Each converts the file named in the field, shows the
    // conversion's messages in turn and ends with "変換終了" or "失敗しました"
    // in the status line.
    void OnPvzToPng();
    void OnPngToPvz();

  private:
    void Convert(const ConversionDriver& driver, std::string_view busyText);

    ConverterView& view_;
    ConversionDriver pvzToPng_;
    ConversionDriver pngToPvz_;
};

}  // namespace qm
