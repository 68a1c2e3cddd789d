// The Windows dialog driven as a user would, through its messages: typed
// names, button clicks, Enter and Esc, the system menu and dropped files.
// The drivers are doubles that record what they were given and what the
// status line showed (and whether it was painted) when they ran. Runs under
// Wine with a display.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h:
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/converter_window_win.h"
#include "app/launch_file.h"
#include "app/resource_ids.h"
#include "platform/message_sink.h"
#include "platform/utf16_win.h"
#include "support/test_support.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

std::string TextOf(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return Utf8FromUtf16(text);
}

std::string ItemText(HWND dialog, int id) {
    return TextOf(::GetDlgItem(dialog, id));
}

void SetItemText(HWND dialog, int id, const std::string& text) {
    ::SetDlgItemTextW(dialog, id, Utf16FromUtf8(text).c_str());
}

// Runs the messages that are waiting, as a modeless dialog's loop does.
void Pump(HWND dialog) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!::IsWindow(dialog) || !::IsDialogMessageW(dialog, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

// A key pressed in the file-name field, through the dialog's navigation.
void PressKey(HWND dialog, WPARAM key) {
    MSG message{::GetDlgItem(dialog, QM_IDC_FILE_NAME), WM_KEYDOWN, key, 0, 0, {}};
    if (!::IsDialogMessageW(dialog, &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    Pump(dialog);
}

struct DriverCall {
    std::string driver;
    std::string name;
    std::string status;  // the status line's text at the time
    bool painted;        // and whether it had been painted
};

// A dialog with recording drivers; each driver shows its messages, then
// returns its result.
struct Recorded {
    std::vector<DriverCall> calls;
    std::vector<std::string> shown;
    bool result = true;
    Texts messages;
    ConverterWindow window;
    HWND dialog = nullptr;

    Recorded()
        : window(Driver("pvz→png"), Driver("png→pvz"),
                 [this](std::string_view text) { shown.emplace_back(text); }) {
        dialog = window.CreateModeless();
        Pump(dialog);
    }

    ConversionDriver Driver(std::string label) {
        return [this, label](std::string& name) {
            const HWND status = ::GetDlgItem(dialog, QM_IDC_STATUS);
            calls.push_back(
                {label, name, TextOf(status), !::GetUpdateRect(status, nullptr, FALSE)});
            for (const std::string& text : messages) {
                ShowMessage(text);
            }
            name = "rewritten";
            return result;
        };
    }
};

struct ButtonCase {
    std::string name;
    int button;
    std::string typed;
    bool result;
    Texts messages;
    std::vector<DriverCall> calls;  // what the drivers saw
    Texts shown;                    // message boxes, in order
    std::string finalStatus;
    friend void PrintTo(const ButtonCase& c, std::ostream* os) { *os << c.name; }
};

const std::string kPvzBusy = "pvzからpngへ変換中 しばらくお待ちください";
const std::string kPngBusy = "pngからpvzへ変換中 しばらくお待ちください";

const ButtonCase kButtonCases[] = {
    {"PvzToPngDone",
     QM_IDC_PVZ_TO_PNG,
     "a.pvz",
     true,
     {},
     {{"pvz→png", "a.pvz", kPvzBusy, true}},
     {},
     "変換終了"},
    {"PngToPvzFailedWithMessages",
     QM_IDC_PNG_TO_PVZ,
     "b_0.png",
     false,
     {"one", "two\r\nlines"},
     {{"png→pvz", "b_0.png", kPngBusy, true}},
     {"one", "two\r\nlines"},
     "失敗しました"},
    {"JapaneseName",
     QM_IDC_PVZ_TO_PNG,
     "石の壁.pvz",
     true,
     {},
     {{"pvz→png", "石の壁.pvz", kPvzBusy, true}},
     {},
     "変換終了"},
    {"EmptyNameGoesToTheDriver",
     QM_IDC_PVZ_TO_PNG,
     "",
     false,
     {},
     {{"pvz→png", "", kPvzBusy, true}},
     {},
     "失敗しました"},
    {"SlashRefused",
     QM_IDC_PVZ_TO_PNG,
     "sub/a.pvz",
     true,
     {},
     {},
     {"絶対パスは使えません"},
     "失敗しました"},
    {"DriveAndBackslashRefused",
     QM_IDC_PNG_TO_PVZ,
     "C:\\a.pvz",
     true,
     {},
     {},
     {"絶対パスは使えません"},
     "失敗しました"},
};

class Buttons : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(Buttons, ConvertOrRefuseAndEndWithTheStatus) {
    const ButtonCase& c = GetParam();
    Recorded r;
    r.result = c.result;
    r.messages = c.messages;
    SetItemText(r.dialog, QM_IDC_FILE_NAME, c.typed);
    ::SendMessageW(::GetDlgItem(r.dialog, c.button), BM_CLICK, 0, 0);
    Pump(r.dialog);
    ASSERT_EQ(r.calls.size(), c.calls.size());
    for (std::size_t i = 0; i < c.calls.size(); ++i) {
        EXPECT_EQ(r.calls[i].driver, c.calls[i].driver);
        EXPECT_EQ(r.calls[i].name, c.calls[i].name);
        EXPECT_EQ(r.calls[i].status, c.calls[i].status);
        EXPECT_TRUE(r.calls[i].painted) << "the busy text was not painted before the work";
    }
    EXPECT_EQ(r.shown, c.shown);
    EXPECT_EQ(ItemText(r.dialog, QM_IDC_STATUS), c.finalStatus);
    EXPECT_EQ(ItemText(r.dialog, QM_IDC_FILE_NAME), c.typed) << "the field keeps what was typed";
}

INSTANTIATE_TEST_SUITE_P(Table, Buttons, ::testing::ValuesIn(kButtonCases),
                         [](const auto& row) { return row.param.name; });

TEST(Texts, AreTheDialogsOwn) {
    Recorded r;
    EXPECT_EQ(TextOf(r.dialog), "Quillmere");
    const std::pair<int, std::string> expected[] = {{IDCANCEL, "キャンセル"},
                                                    {QM_IDC_PVZ_TO_PNG, "pvz→png"},
                                                    {QM_IDC_PNG_TO_PVZ, "png→pvz"},
                                                    {QM_IDC_FILE_NAME_CAPTION, "ファイル名："},
                                                    {QM_IDC_STATUS_CAPTION, "状態："},
                                                    {QM_IDC_FILE_NAME, ""},
                                                    {QM_IDC_STATUS, ""}};
    for (const auto& [id, text] : expected) {
        EXPECT_EQ(ItemText(r.dialog, id), text) << id;
    }
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(r.dialog, IDCANCEL)) << "focus on the first tab stop";
    // No default push button: Enter in the field asks for IDOK, which does nothing.
    EXPECT_EQ(::GetWindowLongW(::GetDlgItem(r.dialog, QM_IDC_PVZ_TO_PNG), GWL_STYLE) & 0x0F,
              BS_PUSHBUTTON);
    // The status line fits its longest text.
    RECT status{};
    ::GetClientRect(::GetDlgItem(r.dialog, QM_IDC_STATUS), &status);
    const HWND item = ::GetDlgItem(r.dialog, QM_IDC_STATUS);
    const HDC dc = ::GetDC(item);
    ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(item, WM_GETFONT, 0, 0)));
    SIZE busy{};
    const std::wstring text = Utf16FromUtf8(kPvzBusy);
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &busy);
    ::ReleaseDC(item, dc);
    EXPECT_GE(status.right, busy.cx);
}

TEST(Keys, EnterDoesNothingEscCloses) {
    Recorded r;
    SetItemText(r.dialog, QM_IDC_FILE_NAME, "a.pvz");
    PressKey(r.dialog, VK_RETURN);
    EXPECT_TRUE(::IsWindow(r.dialog));
    EXPECT_TRUE(r.calls.empty());
    EXPECT_EQ(ItemText(r.dialog, QM_IDC_STATUS), "");
    PressKey(r.dialog, VK_ESCAPE);
    EXPECT_FALSE(::IsWindow(r.dialog));
}

TEST(Keys, CloseBoxAndCancelClose) {
    for (const auto& [message, wParam] :
         {std::pair<UINT, WPARAM>{WM_SYSCOMMAND, SC_CLOSE}, {WM_COMMAND, IDCANCEL}}) {
        Recorded r;
        ::SendMessageW(r.dialog, message, wParam, 0);
        Pump(r.dialog);
        EXPECT_FALSE(::IsWindow(r.dialog)) << message;
    }
}

// What the about box showed, read by a timer inside its modal loop, which
// then presses its OK button.
struct AboutSeen {
    int opened = 0;
    std::vector<std::string> texts;
    HWND owner = nullptr;
};
AboutSeen aboutSeen;

void CALLBACK CloseAbout(HWND, UINT, UINT_PTR, DWORD) {
    const HWND about = ::FindWindowW(L"#32770", Utf16FromUtf8("バージョン情報 Quillmere").c_str());
    if (about == nullptr) {
        return;
    }
    ++aboutSeen.opened;
    aboutSeen.texts = {ItemText(about, QM_IDC_ABOUT_VERSION), ItemText(about, IDOK)};
    aboutSeen.owner = ::GetWindow(about, GW_OWNER);
    ::SendMessageW(about, WM_COMMAND, IDOK, 0);
}

TEST(SystemMenu, HasTheAboutItemAndItsCommandsOpenTheAboutBox) {
    Recorded r;
    const HMENU menu = ::GetSystemMenu(r.dialog, FALSE);
    wchar_t item[128] = {};
    ::GetMenuStringW(menu, 0x0010, item, 128, MF_BYCOMMAND);
    EXPECT_EQ(Utf8FromUtf16(item), "バージョン情報 Quillmere(&A)...");
    const int count = ::GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(::GetMenuItemID(menu, count - 1), 0x0010u);
    EXPECT_EQ(::GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));

    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, CloseAbout);
    for (const WPARAM command : {0x10, 0x11, 0x1F, 0x20}) {
        aboutSeen = {};
        ::SendMessageW(r.dialog, WM_SYSCOMMAND, command, 0);
        EXPECT_EQ(aboutSeen.opened, command < 0x20 ? 1 : 0) << command;
    }
    ::KillTimer(nullptr, timer);
    aboutSeen = {};
    ::SetTimer(nullptr, 0, 50, CloseAbout);
    ::SendMessageW(r.dialog, WM_SYSCOMMAND, 0x10, 0);
    EXPECT_EQ(aboutSeen.texts, (std::vector<std::string>{"Quillmere Version 1.0", "OK"}));
    EXPECT_EQ(aboutSeen.owner, r.dialog) << "modal to the dialog";
    EXPECT_TRUE(::IsWindow(r.dialog));
}

// An HDROP as Explorer makes it, for the given paths.
HDROP DropOf(const std::vector<std::wstring>& paths) {
    std::size_t chars = 1;
    for (const std::wstring& path : paths) {
        chars += path.size() + 1;
    }
    const HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* at = reinterpret_cast<wchar_t*>(drop + 1);
    for (const std::wstring& path : paths) {
        std::memcpy(at, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        at += path.size() + 1;
    }
    ::GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST(Drop, TheFirstFileGoesToTheFieldAndItsFolderBecomesCurrent) {
    const std::filesystem::path before = std::filesystem::current_path();
    TempDir dir;
    WriteFile(dir / "石.pvz", {1});
    std::filesystem::create_directory(dir.path() / "folder");
    Recorded r;
    const std::wstring folder = (dir.path() / "folder").wstring();
    const std::wstring file = (dir.path() / std::filesystem::u8path("石.pvz")).wstring();
    ::SendMessageW(r.dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({folder, file})), 0);
    EXPECT_EQ(ItemText(r.dialog, QM_IDC_FILE_NAME), "石.pvz");
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.path()));
    EXPECT_TRUE(r.calls.empty()) << "a drop converts nothing";
    std::filesystem::current_path(before);
}

// Explorer opens a texture with the command `quillmere-cli register` writes,
// "FOLDER\quillmere.exe" "%1": its command line, split and turned into the
// launch file as wWinMain does, starts the dialog with the texture in the
// field and its folder current.
TEST(Launch, TheRegisteredOpenCommandPutsTheTextureInTheField) {
    const std::filesystem::path before = std::filesystem::current_path();
    TempDir dir;
    const std::filesystem::path folder = dir.path() / std::filesystem::u8path("テクスチャ 置き場");
    std::filesystem::create_directory(folder);
    const std::filesystem::path texture = folder / std::filesystem::u8path("石.pvz");
    WriteFile(Utf8(texture), {1});
    const std::wstring commandLine = L"\"C:\\Programs\\quillmere.exe\" \"" +
                                     texture.lexically_normal().make_preferred().wstring() + L"\"";
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(commandLine.c_str(), &count);
    ASSERT_NE(wide, nullptr);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Utf8FromUtf16(wide[i]));
    ::LocalFree(wide);
    const std::optional<LaunchFile> file = LaunchFileFromArguments(arguments);
    ASSERT_TRUE(file.has_value());

    ConverterWindow window([](std::string&) { return true; }, [](std::string&) { return true; });
    window.SetLaunchFile(*file);
    const HWND dialog = window.CreateModeless();
    Pump(dialog);
    EXPECT_EQ(ItemText(dialog, QM_IDC_FILE_NAME), "石.pvz");
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), folder));
    std::filesystem::current_path(before);
}

// The real drivers and real message boxes, closed by a timer.
std::vector<std::string> boxes;
HWND boxOwner = nullptr;

void CALLBACK CloseMessageBox(HWND, UINT, UINT_PTR, DWORD) {
    const HWND box = ::FindWindowW(L"#32770", L"Quillmere");
    if (box == nullptr || ::GetDlgItem(box, QM_IDC_FILE_NAME) != nullptr) {
        return;  // not a message box (the dialog has the same title)
    }
    boxes.push_back(ItemText(box, 0xFFFF));
    boxOwner = ::GetWindow(box, GW_OWNER);
    ::SendMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(EndToEnd, ConvertsInTheCurrentFolderAndShowsMessagesInBoxes) {
    const std::filesystem::path before = std::filesystem::current_path();
    TempDir dir;
    WriteFile(dir / "wall.pvz", Pvz(1, 9, 2, 2, {0x1f, 0x00, 3}, kHeaderBytes));
    std::filesystem::current_path(dir.path());
    ConverterWindow window(PvzToPngDriver(), PngToPvzDriver());
    const HWND dialog = window.CreateModeless();
    SetItemText(dialog, QM_IDC_FILE_NAME, "wall.pvz");
    ::SendMessageW(::GetDlgItem(dialog, QM_IDC_PVZ_TO_PNG), BM_CLICK, 0, 0);
    EXPECT_EQ(ItemText(dialog, QM_IDC_STATUS), "変換終了");
    EXPECT_EQ(dir.List(), (Texts{"wall.pvz", "wall_" + kHeaderText + "0109.png"}));

    boxes.clear();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, CloseMessageBox);
    SetItemText(dialog, QM_IDC_FILE_NAME, "missing.pvz");
    ::SendMessageW(::GetDlgItem(dialog, QM_IDC_PVZ_TO_PNG), BM_CLICK, 0, 0);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(boxes, (std::vector<std::string>{"ファイルの読み込みに失敗"}));
    EXPECT_EQ(boxOwner, dialog) << "message boxes are modal to the dialog";
    EXPECT_EQ(ItemText(dialog, QM_IDC_STATUS), "失敗しました");
    std::filesystem::current_path(before);
}

}  // namespace
}  // namespace qm::test
