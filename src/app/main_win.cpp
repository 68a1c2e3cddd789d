// quillmere.exe: the dialog. It runs modally and the program ends when it
// closes ("キャンセル", Esc or the close box). No settings are stored.
// "quillmere FILE" starts with FILE in the field and its folder current, as
// a drop does.
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/converter_window_win.h"
#include "app/launch_file.h"
#include "platform/utf16_win.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    ::InitCommonControls();
    std::vector<std::string> arguments;
    int count = 0;
    if (LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) {
            arguments.push_back(qm::Utf8FromUtf16(wide[i]));
        }
        ::LocalFree(wide);
    }
    qm::ConverterWindow window(qm::PvzToPngDriver(), qm::PngToPvzDriver());
    if (const auto file = qm::LaunchFileFromArguments(arguments)) {
        window.SetLaunchFile(*file);
    }
    window.RunModal();
    return 0;
}
