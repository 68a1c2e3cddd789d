// Saves a picture of the Windows dialog (docs/dialog-windows.png), with a
// name in the field and the longest status text, as Windows (or Wine) draws
// it: dialog_screenshot_win OUT.png
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/converter_window_win.h"
#include "app/resource_ids.h"
#include "platform/image_surface.h"
#include "platform/messages.h"
#include "platform/png_file.h"
#include "platform/utf16_win.h"

namespace {

void Pump() {
    MSG message;
    for (int i = 0; i < 20; ++i) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::Sleep(25);
    }
}

// The window's client area, as drawn on the screen.
bool Capture(HWND window, qm::ImageSurface& picture) {
    RECT client{};
    ::GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0 || !picture.Create(width, height, 24, false)) {
        return false;
    }
    const HDC screen = ::GetDC(window);
    const HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    const bool copied = ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != 0;
    ::GdiFlush();
    const int stride = (width * 3 + 3) & ~3;
    for (int y = 0; copied && y < height; ++y) {
        std::memcpy(
            picture.GetBits() + static_cast<std::ptrdiff_t>(y) * picture.GetPitch(),
            static_cast<const std::uint8_t*>(bits) + static_cast<std::ptrdiff_t>(y) * stride,
            static_cast<std::size_t>(width) * 3);
    }
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(window, screen);
    return copied;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialog_screenshot_win OUT.png\n");
        return 2;
    }
    qm::ConverterWindow window(nullptr, nullptr);
    const HWND dialog = window.CreateModeless();
    if (dialog == nullptr) {
        std::fprintf(stderr, "the dialog could not be made\n");
        return 1;
    }
    ::SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetDlgItemTextW(dialog, QM_IDC_FILE_NAME, L"wall.pvz");
    window.SetStatus(qm::msg::kPvzToPngBusy);
    Pump();
    qm::ImageSurface picture;
    if (!Capture(dialog, picture) || !SavePngFile(picture, argv[1])) {
        std::fprintf(stderr, "the picture could not be saved\n");
        return 1;
    }
    return 0;
}
