#include "app/converter_window_win.h"

#include <shellapi.h>

#include <algorithm>
#include <filesystem>
#include <tuple>
#include <utility>

#include "app/resource_ids.h"
#include "platform/debug_output.h"
#include "platform/messages.h"
#include "platform/utf16_win.h"

namespace qm {

namespace {

// The dialog's width in dialog units (resources/quillmere.rc) and the margin
// its buttons keep from the right edge.
constexpr LONG kDialogWidth = 299;
constexpr LONG kDialogMargin = 7;

// The low four bits of a system command are the system's own.
constexpr WPARAM kSystemCommandMask = 0xFFF0;

HINSTANCE ThisModule() {
    return ::GetModuleHandleW(nullptr);
}

void SetText(HWND window, std::string_view text) {
    ::SetWindowTextW(window, Utf16FromUtf8(text).c_str());
}

void SetItemText(HWND dialog, int id, std::string_view text) {
    SetText(::GetDlgItem(dialog, id), text);
}

std::string TextOf(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return Utf8FromUtf16(text);
}

// A control's place in its dialog's client area.
RECT PlaceOf(HWND control) {
    RECT bounds{};
    ::GetWindowRect(control, &bounds);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

// The width text takes in control's font.
LONG TextWidth(HWND control, std::string_view text) {
    const HDC dc = ::GetDC(control);
    const HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    const std::wstring wide = Utf16FromUtf8(text);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    ::SelectObject(dc, previous);
    ::ReleaseDC(control, dc);
    return size.cx;
}

// A caption that its font makes wider than its place grows to the left, so
// that it still ends where the control it names begins.
void FitCaption(HWND dialog, int id, std::string_view text) {
    const HWND caption = ::GetDlgItem(dialog, id);
    SetText(caption, text);
    const RECT bounds = PlaceOf(caption);
    const LONG needed = TextWidth(caption, text);
    if (needed > bounds.right - bounds.left) {
        const LONG left = std::max(LONG{0}, bounds.right - needed);
        ::SetWindowPos(caption, nullptr, left, bounds.top, bounds.right - left,
                       bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            SetText(window, msg::kAboutTitle);
            SetItemText(window, QM_IDC_ABOUT_VERSION, msg::kAboutVersion);
            SetItemText(window, QM_IDC_ABOUT_COPYRIGHT, msg::kAboutCopyright);
            SetItemText(window, IDOK, msg::kButtonOk);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(window, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void ShowAboutBox(HWND owner) {
    ::DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(QM_IDD_ABOUT), owner, AboutProc, 0);
}

ConverterWindow::ConverterWindow(ConversionDriver pvzToPng, ConversionDriver pngToPvz,
                                 MessageFunction showMessage)
    : controller_(*this, std::move(pvzToPng), std::move(pngToPvz)),
      showMessage_(std::move(showMessage)) {}

ConverterWindow::~ConverterWindow() {
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
    for (HICON icon : {bigIcon_, smallIcon_}) {
        if (icon != nullptr) {
            ::DestroyIcon(icon);
        }
    }
}

void ConverterWindow::RunModal() {
    modeless_ = false;
    ::DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(QM_IDD_CONVERTER), nullptr, DialogProc,
                      reinterpret_cast<LPARAM>(this));
}

HWND ConverterWindow::CreateModeless() {
    modeless_ = true;
    return ::CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(QM_IDD_CONVERTER), nullptr,
                                DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ConverterWindow::DialogProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* self = reinterpret_cast<ConverterWindow*>(lParam);
        self->window_ = window;
        self->OnInitDialog();
        return TRUE;  // the focus goes to the first tab stop, "キャンセル"
    }
    auto* self = reinterpret_cast<ConverterWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        self->window_ = nullptr;
        return FALSE;
    }
    return self->OnMessage(message, wParam, lParam);
}

void ConverterWindow::OnInitDialog() {
    SetText(window_, msg::kAppTitle);
    SetItemText(window_, IDCANCEL, msg::kButtonCancel);
    SetItemText(window_, QM_IDC_PVZ_TO_PNG, msg::kButtonPvzToPng);
    SetItemText(window_, QM_IDC_PNG_TO_PVZ, msg::kButtonPngToPvz);
    FitCaption(window_, QM_IDC_FILE_NAME_CAPTION, msg::kLabelFileName);
    FitCaption(window_, QM_IDC_STATUS_CAPTION, msg::kLabelStatus);

    if (HMENU menu = ::GetSystemMenu(window_, FALSE)) {
        const std::wstring item = Utf16FromUtf8(msg::kAboutMenuItem);
        if (!item.empty()) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(menu, MF_STRING, ConverterController::kAboutCommandId, item.c_str());
        }
    }
    for (const auto& [size, kind, icon] : {std::tuple{SM_CXICON, ICON_BIG, &bigIcon_},
                                           std::tuple{SM_CXSMICON, ICON_SMALL, &smallIcon_}}) {
        const int pixels = ::GetSystemMetrics(size);
        *icon = static_cast<HICON>(::LoadImageW(ThisModule(), MAKEINTRESOURCEW(QM_IDI_APP),
                                                IMAGE_ICON, pixels, pixels, 0));
        ::SendMessageW(window_, WM_SETICON, static_cast<WPARAM>(kind),
                       reinterpret_cast<LPARAM>(*icon));
    }
    FitStatusLine();
    ::DragAcceptFiles(window_, TRUE);
    if (launch_) {
        OpenFile(launch_->folder, launch_->name);
    }
}

// The status line is wide enough for its longest text, up to the margin the
// buttons keep from the dialog's right edge.
void ConverterWindow::FitStatusLine() {
    const HWND status = ::GetDlgItem(window_, QM_IDC_STATUS);
    const RECT bounds = PlaceOf(status);
    RECT limit{0, 0, kDialogWidth - kDialogMargin, 0};
    ::MapDialogRect(window_, &limit);
    LONG width = bounds.right - bounds.left;
    for (const std::string_view text : ConverterController::kStatusTexts) {
        width = std::max(width, TextWidth(status, text));
    }
    width = std::min(width, limit.right - bounds.left);
    ::SetWindowPos(status, nullptr, 0, 0, width, bounds.bottom - bounds.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR ConverterWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:  // Enter: neither converts nor closes
                    return TRUE;
                case IDCANCEL:  // "キャンセル", Esc, the close box
                    Close();
                    return TRUE;
                case QM_IDC_PVZ_TO_PNG:
                    if (HIWORD(wParam) == BN_CLICKED) {
                        controller_.OnPvzToPng();
                    }
                    return TRUE;
                case QM_IDC_PNG_TO_PVZ:
                    if (HIWORD(wParam) == BN_CLICKED) {
                        controller_.OnPngToPvz();
                    }
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_SYSCOMMAND:
            if ((wParam & kSystemCommandMask) == ConverterController::kAboutCommandId) {
                ShowAboutBox(window_);
                return TRUE;
            }
            return FALSE;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return TRUE;
        default:
            (void)lParam;
            return FALSE;
    }
}

void ConverterWindow::Close() {
    if (modeless_) {
        ::DestroyWindow(window_);
    } else {
        ::EndDialog(window_, IDCANCEL);
    }
}

// The first dropped item that is a file makes its folder the current one
// and its name the field's text; nothing is converted until a button is
// pressed.
void ConverterWindow::OnDropFiles(HDROP drop) {
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        path.resize(::DragQueryFileW(drop, i, path.data(), length + 1));
        const std::filesystem::path file(path);
        std::error_code error;
        if (std::filesystem::is_regular_file(file, error) &&
            OpenFile(Utf8FromUtf16(file.parent_path().wstring()),
                     Utf8FromUtf16(file.filename().wstring()))) {
            break;
        }
    }
    ::DragFinish(drop);
}

bool ConverterWindow::OpenFile(const std::string& folder, const std::string& name) {
    const std::filesystem::path place(Utf16FromUtf8(folder));
    std::error_code error;
    if (std::filesystem::is_directory(place / Utf16FromUtf8(name), error) ||
        !::SetCurrentDirectoryW(place.wstring().c_str())) {
        return false;
    }
    SetItemText(window_, QM_IDC_FILE_NAME, name);
    return true;
}

std::string ConverterWindow::FileNameText() const {
    return TextOf(::GetDlgItem(window_, QM_IDC_FILE_NAME));
}

void ConverterWindow::SetStatus(std::string_view text) {
    SetItemText(window_, QM_IDC_STATUS, text);
}

void ConverterWindow::ShowStatusNow(std::string_view text) {
    const HWND status = ::GetDlgItem(window_, QM_IDC_STATUS);
    SetText(status, text);
    ::UpdateWindow(status);
}

void ConverterWindow::ShowModalMessage(std::string_view text) {
    if (showMessage_) {
        showMessage_(text);
        return;
    }
    ::MessageBoxW(window_, Utf16FromUtf8(text).c_str(), Utf16FromUtf8(msg::kAppTitle).c_str(),
                  MB_OK);
}

void ConverterWindow::WriteDiagnostic(std::string_view text) {
    WriteToDebugger(text);
}

}  // namespace qm
