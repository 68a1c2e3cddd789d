#include <algorithm>

#include "cli/explorer_registration.h"
#include "platform/explorer_names.h"

namespace qm::cli {

namespace {

// Explorer's key for thumbnail handlers: IThumbnailProvider's interface id.
constexpr std::wstring_view kThumbnailHandler = L"{e357fccd-a995-4576-b01f-234630154e96}";

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

}  // namespace

std::vector<RegistryValue> ExplorerValues(const std::wstring& folder) {
    const std::wstring progId(explorer::kProgId);
    const std::wstring clsid = L"CLSID\\" + std::wstring(explorer::kProviderClsid);
    const std::wstring dialog = folder + L"\\" + std::wstring(explorer::kDialogFile);
    const std::wstring cli = folder + L"\\" + std::wstring(explorer::kCliFile);
    const std::wstring provider = folder + L"\\" + std::wstring(explorer::kProviderFile);
    return {
        {L".pvz", L"", progId, {}, true},
        {L".pvz\\OpenWithProgids", progId, L"", {}, true},
        {L".pvz\\ShellEx\\" + std::wstring(kThumbnailHandler),
         L"",
         std::wstring(explorer::kProviderClsid),
         {},
         true},
        {progId, L"", L"PVZ texture", {}, false},
        {progId + L"\\DefaultIcon", L"", dialog + L",0", {}, false},
        {progId + L"\\shell\\open\\command", L"", Quoted(dialog) + L" \"%1\"", {}, false},
        {progId + L"\\shell\\pvz2png", L"", L"Convert to PNG", {}, false},
        {progId + L"\\shell\\pvz2png\\command", L"", Quoted(cli) + L" pvz2png \"%1\"", {}, false},
        {clsid, L"", L"Quillmere thumbnail provider", {}, false},
        {clsid, L"DisableProcessIsolation", L"", 1u, false},
        {clsid + L"\\InprocServer32", L"", provider, {}, false},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment", {}, false},
    };
}

std::vector<std::wstring> ExplorerKeys(const std::vector<RegistryValue>& values) {
    std::vector<std::wstring> keys;
    for (const RegistryValue& value : values) {
        for (std::wstring key = value.key; !key.empty() && key != L"CLSID";) {
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
                keys.push_back(key);
            }
            const std::size_t separator = key.rfind(L'\\');
            key.resize(separator == std::wstring::npos ? 0 : separator);
        }
    }
    // Deepest first; among equals, as listed.
    std::stable_sort(keys.begin(), keys.end(), [](const std::wstring& a, const std::wstring& b) {
        return std::count(a.begin(), a.end(), L'\\') > std::count(b.begin(), b.end(), L'\\');
    });
    return keys;
}

}  // namespace qm::cli
