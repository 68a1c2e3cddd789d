#include "app/converter_controller.h"

#include <exception>
#include <utility>

#include "platform/message_sink.h"

namespace qm {

namespace {

// Runs a driver; an exception ends the conversion with a message instead of
// ending the program.
bool RunDriver(const ConversionDriver& driver, std::string& name) {
    try {
        return driver && driver(name);
    } catch (const std::exception& error) {
        std::string text(msg::kUnexpectedError);
        text += "\r\n";
        text += error.what();
        ShowMessage(text);
        return false;
    } catch (...) {
        ShowMessage(msg::kUnexpectedError);
        return false;
    }
}

}  // namespace

ConverterController::ConverterController(ConverterView& view, ConversionDriver pvzToPng,
                                         ConversionDriver pngToPvz)
    : view_(view), pvzToPng_(std::move(pvzToPng)), pngToPvz_(std::move(pngToPvz)) {}

void ConverterController::OnPvzToPng() {
    Convert(pvzToPng_, msg::kPvzToPngBusy);
}

void ConverterController::OnPngToPvz() {
    Convert(pngToPvz_, msg::kPngToPvzBusy);
}

void ConverterController::Convert(const ConversionDriver& driver, std::string_view busyText) {
    // The driver gets a copy it may rewrite; the field keeps what was typed.
    std::string name = view_.FileNameText();

    // The conversion keeps the event loop until it ends: paint the text now.
    view_.ShowStatusNow(busyText);

    // Like a C string, the name ends at its first NUL.
    if (const std::size_t end = name.find('\0'); end != std::string::npos) {
        name.resize(end);
    }

    std::string_view finalText = msg::kFailed;
    {
        const ScopedMessageSink sink(
            [this](std::string_view text) { view_.ShowModalMessage(text); },
            [this](std::string_view text) { view_.WriteDiagnostic(text); });
        // Files are converted in the current folder only.
        if (name.find_first_of("\\/") != std::string::npos) {
            ShowMessage(msg::kPathNotAllowed);
        } else if (RunDriver(driver, name)) {
            finalText = msg::kDone;
        }
    }
    view_.SetStatus(finalText);
}

}  // namespace qm
