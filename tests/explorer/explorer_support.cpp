#include "explorer_support.h"

#include <filesystem>

namespace qm::test {

namespace {

const std::wstring kClasses = L"Software\\Classes\\";

// Under Wine the build machine's root is drive Z:.
std::filesystem::path Built(const char* path) {
    return PathOf(path);
}

}  // namespace

ProgramsFolder::ProgramsFolder(bool withProvider) : folder_(dir_ / "道具 箱") {
    std::filesystem::create_directory(PathOf(folder_));
    Texts programs = {QM_CLI_PATH, QM_DIALOG_PATH};
    if (withProvider) programs.push_back(QM_PROVIDER_PATH);
    for (const std::string& program : programs) {
        const std::filesystem::path from = Built(program.c_str());
        std::filesystem::copy_file(from, PathOf(folder_) / from.filename());
    }
}

std::wstring ProgramsFolder::Path() const {
    return std::filesystem::absolute(PathOf(folder_)).make_preferred().wstring();
}

ProgramRun ProgramsFolder::Cli(const std::string& arguments) const {
    return RunProgram(folder_ + "/quillmere-cli.exe", Words(arguments), folder_);
}

std::optional<std::wstring> ClassesText(const std::wstring& key, const std::wstring& name) {
    wchar_t text[2048];
    DWORD size = sizeof text;
    if (::RegGetValueW(HKEY_CURRENT_USER, (kClasses + key).c_str(), name.c_str(), RRF_RT_REG_SZ,
                       nullptr, text, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(text);
}

std::optional<DWORD> ClassesNumber(const std::wstring& key, const std::wstring& name) {
    DWORD number = 0;
    DWORD size = sizeof number;
    if (::RegGetValueW(HKEY_CURRENT_USER, (kClasses + key).c_str(), name.c_str(), RRF_RT_REG_DWORD,
                       nullptr, &number, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return number;
}

bool ClassesKeyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, (kClasses + key).c_str(), 0, KEY_READ, &opened) !=
        ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(opened);
    return true;
}

void SetClassesText(const std::wstring& key, const std::wstring& name, const std::wstring& text) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, (kClasses + key).c_str(), name.c_str(), REG_SZ,
                      text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void DeleteClassesTree(const std::wstring& key) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, (kClasses + key).c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, (kClasses + key).c_str());
}

}  // namespace qm::test
