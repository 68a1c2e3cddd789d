// quillmere-cli register and unregister, checked in the test prefix's
// registry: every value register writes, written out here; unregister
// taking exactly those away and leaving what others wrote; both harmless
// when run twice; nothing written when the provider is not beside the CLI.
#include <gtest/gtest.h>

#include <vector>

#include "explorer_support.h"

namespace qm::test {
namespace {

struct Value {
    std::wstring key;
    std::wstring name;
    std::wstring text;
};

const std::wstring kThumbnailKey = L".pvz\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";
const std::wstring kClsidKey = L"CLSID\\" + kProviderClsid;

// Every string value register writes, for programs in folder.
std::vector<Value> Written(const std::wstring& folder) {
    return {
        {L".pvz", L"", L"Quillmere.Texture"},
        {L".pvz\\OpenWithProgids", L"Quillmere.Texture", L""},
        {kThumbnailKey, L"", L"{ee898e33-caca-4045-a3dc-46dc26245b14}"},
        {L"Quillmere.Texture", L"", L"PVZ texture"},
        {L"Quillmere.Texture\\DefaultIcon", L"", folder + L"\\quillmere.exe,0"},
        {L"Quillmere.Texture\\shell\\open\\command", L"",
         L"\"" + folder + L"\\quillmere.exe\" \"%1\""},
        {L"Quillmere.Texture\\shell\\pvz2png", L"", L"Convert to PNG"},
        {L"Quillmere.Texture\\shell\\pvz2png\\command", L"",
         L"\"" + folder + L"\\quillmere-cli.exe\" pvz2png \"%1\""},
        {kClsidKey, L"", L"Quillmere thumbnail provider"},
        {kClsidKey + L"\\InprocServer32", L"", folder + L"\\quillmere-thumbnails.dll"},
        {kClsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    };
}

void ExpectRun(const ProgramRun& run, int status, const std::string& out, const std::string& err) {
    EXPECT_EQ(run.status, status);
    EXPECT_EQ(run.out, out);
    EXPECT_EQ(run.err, err);
}

class Registration : public testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (const wchar_t* key : {L".pvz", L"Quillmere.Texture", kClsidKey.c_str()}) {
            DeleteClassesTree(key);
        }
    }
};

TEST_F(Registration, WritesTheTypeAndTheProviderTwiceAlike) {
    const ProgramsFolder programs;
    for (int time = 0; time < 2; ++time) {
        ExpectRun(programs.Cli("register"), 0, kRegisteredLine, "");
        for (const Value& value : Written(programs.Path())) {
            EXPECT_EQ(ClassesText(value.key, value.name), value.text)
                << Utf8(value.key) << " " << Utf8(value.name);
        }
        EXPECT_EQ(ClassesNumber(kClsidKey, L"DisableProcessIsolation"), DWORD{1});
    }
}

TEST_F(Registration, UnregisterTakesAwayOnlyWhatRegisterWrote) {
    const ProgramsFolder programs;
    ExpectRun(programs.Cli("register"), 0, kRegisteredLine, "");
    // What a user or another program put beside Quillmere's values.
    const std::vector<Value> others = {
        {L".pvz", L"Content Type", L"image/x-pvz"},
        {L".pvz\\OpenWithProgids", L"Other.Texture", L""},
        {L"Quillmere.Texture\\shell\\edit\\command", L"", L"other.exe \"%1\""},
    };
    for (const Value& value : others) SetClassesText(value.key, value.name, value.text);

    for (int time = 0; time < 2; ++time) {
        ExpectRun(programs.Cli("unregister"), 0, kUnregisteredLine, "");
        for (const Value& value : Written(programs.Path())) {
            EXPECT_EQ(ClassesText(value.key, value.name), std::nullopt)
                << Utf8(value.key) << " " << Utf8(value.name);
        }
        EXPECT_EQ(ClassesNumber(kClsidKey, L"DisableProcessIsolation"), std::nullopt);
        for (const std::wstring& gone : {kClsidKey, std::wstring(L".pvz\\ShellEx"),
                                         std::wstring(L"Quillmere.Texture\\DefaultIcon"),
                                         std::wstring(L"Quillmere.Texture\\shell\\pvz2png"),
                                         std::wstring(L"Quillmere.Texture\\shell\\open")}) {
            EXPECT_FALSE(ClassesKeyExists(gone)) << Utf8(gone);
        }
        for (const Value& value : others) {
            EXPECT_EQ(ClassesText(value.key, value.name), value.text) << Utf8(value.key);
        }
    }
}

TEST_F(Registration, LeavesTheTypeAndHandlerAnotherProgramTookSince) {
    const ProgramsFolder programs;
    ExpectRun(programs.Cli("register"), 0, kRegisteredLine, "");
    SetClassesText(L".pvz", L"", L"Other.Texture");
    SetClassesText(kThumbnailKey, L"", L"{00000000-1111-2222-3333-444444444444}");
    ExpectRun(programs.Cli("unregister"), 0, kUnregisteredLine, "");
    EXPECT_EQ(ClassesText(L".pvz", L""), L"Other.Texture");
    EXPECT_EQ(ClassesText(kThumbnailKey, L""), L"{00000000-1111-2222-3333-444444444444}");
    EXPECT_FALSE(ClassesKeyExists(L"Quillmere.Texture"));
    EXPECT_FALSE(ClassesKeyExists(kClsidKey));
}

TEST_F(Registration, UnregisterWithNothingRegisteredIsHarmless) {
    const ProgramsFolder programs;
    ExpectRun(programs.Cli("unregister"), 0, kUnregisteredLine, "");
    EXPECT_FALSE(ClassesKeyExists(L".pvz"));
}

TEST_F(Registration, WritesNothingWithoutTheProviderBesideIt) {
    const ProgramsFolder programs(false);
    ExpectRun(programs.Cli("register"), 1, "",
              "quillmere-cli: not found beside quillmere-cli.exe: quillmere-thumbnails.dll\n");
    EXPECT_FALSE(ClassesKeyExists(L".pvz"));
    EXPECT_FALSE(ClassesKeyExists(L"Quillmere.Texture"));
    EXPECT_FALSE(ClassesKeyExists(kClsidKey));
}

}  // namespace
}  // namespace qm::test
