// The names under which Explorer knows Quillmere on Windows: the texture
// type, the thumbnail provider's class and the files that go with them.
// quillmere-cli's register command writes them; the provider is built on
// the same class id.
#pragma once

#include <string_view>

namespace qm::explorer {

// The programmatic identifier of the texture type; the .pvz extension
// points to it.
inline constexpr std::wstring_view kProgId = L"Quillmere.Texture";

// The thumbnail provider's class, in the registry's spelling.
inline constexpr std::wstring_view kProviderClsid = L"{ee898e33-caca-4045-a3dc-46dc26245b14}";

// The files beside quillmere-cli.exe.
inline constexpr std::wstring_view kDialogFile = L"quillmere.exe";
inline constexpr std::wstring_view kCliFile = L"quillmere-cli.exe";
inline constexpr std::wstring_view kProviderFile = L"quillmere-thumbnails.dll";

}  // namespace qm::explorer
