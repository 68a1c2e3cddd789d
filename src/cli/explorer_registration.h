// What `quillmere-cli register` writes for Explorer, per user, under
// HKCU\Software\Classes, and how `unregister` takes it away again.
//
//   .pvz                                  (default) = Quillmere.Texture
//   .pvz\OpenWithProgids                  Quillmere.Texture = ""
//   .pvz\ShellEx\{e357fccd-...}           (default) = the provider's class
//   Quillmere.Texture                     (default) = PVZ texture
//   Quillmere.Texture\DefaultIcon         (default) = FOLDER\quillmere.exe,0
//   Quillmere.Texture\shell\open\command  (default) = "FOLDER\quillmere.exe" "%1"
//   Quillmere.Texture\shell\pvz2png       (default) = Convert to PNG
//   ...\shell\pvz2png\command             (default) = "FOLDER\quillmere-cli.exe" pvz2png "%1"
//   CLSID\{provider}                      (default) = Quillmere thumbnail provider
//                                         DisableProcessIsolation = 1
//   CLSID\{provider}\InprocServer32       (default) = FOLDER\quillmere-thumbnails.dll
//                                         ThreadingModel = Apartment
//
// The thumbnail handler sits on the extension rather than the type, so that
// previews stay when the user picks another program to open textures with.
// DisableProcessIsolation lets Explorer run the provider in a process where
// it is initialised with the texture's path, which a palette texture needs
// to find its .pvp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm::cli {

struct RegistryValue {
    std::wstring key;                     // under HKCU\Software\Classes
    std::wstring name;                    // empty for the key's default value
    std::wstring text;                    // a string value (REG_SZ) ...
    std::optional<std::uint32_t> number;  // ... or a number (REG_DWORD)
    // In a key other programs write too: unregister removes it only while
    // it still holds what register wrote. Values in Quillmere's own keys go
    // whatever they hold now (the programs may have moved since).
    bool shared = false;
};

// The values for the programs in folder (no trailing separator).
std::vector<RegistryValue> ExplorerValues(const std::wstring& folder);

// The keys those values live in and the keys between them and the top
// (never a top-level key that is not Quillmere's own, such as CLSID),
// deepest first: unregister removes each that is left empty.
std::vector<std::wstring> ExplorerKeys(const std::vector<RegistryValue>& values);

// The registry itself (explorer_registry_win.cpp); elsewhere
// (explorer_registry.cpp) there is no program folder and nothing is written.
// The folder of the running quillmere-cli.exe; empty where there is no
// registry.
std::wstring ProgramFolder();
// Writes every value; false at the first that cannot be written, with the
// system's reason in error.
bool WriteRegistryValues(const std::vector<RegistryValue>& values, std::string& error);
// Removes the values as described above, then the keys left empty.
bool RemoveRegistryValues(const std::vector<RegistryValue>& values,
                          const std::vector<std::wstring>& keys, std::string& error);
// Tells Explorer that file associations changed.
void NotifyAssociationsChanged();

}  // namespace qm::cli
