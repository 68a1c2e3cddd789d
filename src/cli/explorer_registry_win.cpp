// The registration's values in HKCU\Software\Classes, through the registry
// calls; no administrator rights are needed.
#include <windows.h>
// After windows.h:
#include <shlobj.h>

#include <algorithm>

#include "cli/explorer_registration.h"
#include "platform/utf16_win.h"

namespace qm::cli {

namespace {

const std::wstring kClasses = L"Software\\Classes\\";

std::string Reason(LSTATUS status) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = length > 0 && text != nullptr ? std::wstring(text, length)
                                                        : L"error " + std::to_wstring(status);
    ::LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r')) {
        reason.pop_back();
    }
    return Utf8FromUtf16(reason);
}

std::string Failure(const std::wstring& key, LSTATUS status) {
    return "HKCU\\" + Utf8FromUtf16(kClasses + key) + ": " + Reason(status);
}

// Whether the value holds what register writes.
bool HoldsOurs(HKEY key, const RegistryValue& value) {
    if (value.number) {
        DWORD number = 0;
        DWORD size = sizeof number;
        return ::RegGetValueW(key, nullptr, value.name.c_str(), RRF_RT_REG_DWORD, nullptr, &number,
                              &size) == ERROR_SUCCESS &&
               number == *value.number;
    }
    DWORD size = 0;
    if (::RegGetValueW(key, nullptr, value.name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegGetValueW(key, nullptr, value.name.c_str(), RRF_RT_REG_SZ, nullptr, text.data(),
                       &size) != ERROR_SUCCESS) {
        return false;
    }
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text == value.text;
}

// A key without values or subkeys.
bool IsEmpty(HKEY key) {
    DWORD subkeys = 0;
    DWORD values = 0;
    return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                              nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

}  // namespace

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    // Started by a path written with "/", Windows keeps it so.
    std::replace(path.begin(), path.end(), L'/', L'\\');
    const std::size_t separator = path.rfind(L'\\');
    path.resize(separator == std::wstring::npos ? 0 : separator);
    return path;
}

bool WriteRegistryValues(const std::vector<RegistryValue>& values, std::string& error) {
    for (const RegistryValue& value : values) {
        HKEY key = nullptr;
        LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, (kClasses + value.key).c_str(), 0,
                                           nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        if (status == ERROR_SUCCESS) {
            if (value.number) {
                const DWORD number = *value.number;
                status = ::RegSetValueExW(key, value.name.c_str(), 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&number), sizeof number);
            } else {
                status =
                    ::RegSetValueExW(key, value.name.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(value.text.c_str()),
                                     static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t)));
            }
            ::RegCloseKey(key);
        }
        if (status != ERROR_SUCCESS) {
            error = Failure(value.key, status);
            return false;
        }
    }
    return true;
}

bool RemoveRegistryValues(const std::vector<RegistryValue>& values,
                          const std::vector<std::wstring>& keys, std::string& error) {
    for (const RegistryValue& value : values) {
        HKEY key = nullptr;
        LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, (kClasses + value.key).c_str(), 0,
                                         KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
        if (status == ERROR_FILE_NOT_FOUND) {
            continue;  // removed already
        }
        if (status == ERROR_SUCCESS) {
            status = !value.shared || HoldsOurs(key, value)
                         ? ::RegDeleteValueW(key, value.name.c_str())
                         : ERROR_SUCCESS;
            ::RegCloseKey(key);
        }
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            error = Failure(value.key, status);
            return false;
        }
    }
    for (const std::wstring& name : keys) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, (kClasses + name).c_str(), 0, KEY_QUERY_VALUE,
                            &key) != ERROR_SUCCESS) {
            continue;
        }
        const bool empty = IsEmpty(key);
        ::RegCloseKey(key);
        if (!empty) {
            continue;  // holds what someone else put there
        }
        const LSTATUS status = ::RegDeleteKeyW(HKEY_CURRENT_USER, (kClasses + name).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            error = Failure(name, status);
            return false;
        }
    }
    return true;
}

void NotifyAssociationsChanged() {
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

}  // namespace qm::cli
