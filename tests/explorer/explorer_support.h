// What the Explorer tests share: the programs copied into a folder of their
// own (as unpacked from the zip), run from there, and the test prefix's
// registry read back.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "support/run_program.h"
#include "support/test_support.h"

namespace qm::test {

// quillmere-cli.exe, quillmere.exe and (unless left out) the provider DLL
// in a folder named in Japanese, with a space, inside a temporary one.
class ProgramsFolder {
  public:
    explicit ProgramsFolder(bool withProvider = true);
    // The folder as Windows spells it, with backslashes.
    std::wstring Path() const;
    // quillmere-cli.exe ARGUMENTS from this folder.
    ProgramRun Cli(const std::string& arguments) const;

  private:
    TempDir dir_;
    std::string folder_;
};

// Values under HKCU\Software\Classes: nothing when there is no such value.
std::optional<std::wstring> ClassesText(const std::wstring& key, const std::wstring& name);
std::optional<DWORD> ClassesNumber(const std::wstring& key, const std::wstring& name);
bool ClassesKeyExists(const std::wstring& key);
void SetClassesText(const std::wstring& key, const std::wstring& name, const std::wstring& text);
// Removes the key and everything under it.
void DeleteClassesTree(const std::wstring& key);

// What register and unregister print.
inline const std::string kRegisteredLine =
    "registered for this user: Explorer shows .pvz textures as pictures and opens them in "
    "quillmere.exe\n";
inline const std::string kUnregisteredLine =
    "unregistered: Explorer no longer takes .pvz textures to Quillmere\n";

// The provider's class, as register writes it.
inline const std::wstring kProviderClsid = L"{ee898e33-caca-4045-a3dc-46dc26245b14}";

}  // namespace qm::test
