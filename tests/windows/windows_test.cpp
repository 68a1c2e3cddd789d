// quillmere-cli.exe as Windows users meet it: Japanese names end to end,
// backslashes in paths, files dropped on the program, and outputs that
// cannot be replaced (held open by another program without sharing, or
// read-only), which must fail without losing anything.
#include <gtest/gtest.h>
#include <windows.h>

#include "support/png_bytes.h"
#include "support/run_program.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

const Bytes kRect = Pvz(2, 9, 3, 2, {0x34, 0x12, 0, 0xff, 0xff, 1, 0x00, 0x80, 2}, kHeaderBytes);
const std::string kSuffix = "_" + kHeaderText + "0209.png";  // kRect's PNG
const Bytes kOld = {'o', 'l', 'd'};

enum class Guard { kNone, kHeldOpen, kReadOnly };

struct CliCase {
    const char* name;
    std::vector<std::pair<std::string, Bytes>> files;  // "sub/name" in UTF-8
    std::string arguments;                             // split at spaces
    Guard guard;                                       // on the file named guarded
    std::string guarded;
    int status;
    std::string out;
    std::string err;
    Texts after;
};

void PrintTo(const CliCase& c, std::ostream* out) {
    *out << c.name;
}

class WindowsCli : public testing::TestWithParam<CliCase> {};

TEST_P(WindowsCli, ConvertsAndReports) {
    const CliCase& c = GetParam();
    TempDir dir;
    for (const auto& [name, bytes] : c.files) WriteFile(dir / name, bytes);
    const std::wstring guarded = PathOf(dir / c.guarded).wstring();
    HANDLE holder = INVALID_HANDLE_VALUE;
    if (c.guard == Guard::kHeldOpen) {
        holder =
            ::CreateFileW(guarded.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    } else if (c.guard == Guard::kReadOnly) {
        ASSERT_TRUE(::SetFileAttributesW(guarded.c_str(), FILE_ATTRIBUTE_READONLY));
    }

    const ProgramRun run = RunProgram(QM_CLI_PATH, Words(c.arguments), Utf8(dir.path()));

    if (holder != INVALID_HANDLE_VALUE) {
        ::CloseHandle(holder);
    }
    if (c.guard != Guard::kNone) {
        ::SetFileAttributesW(guarded.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadFile(dir / c.guarded), kOld);
    }
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(dir.Files(), c.after);
}

const Bytes kPng = PngOfPixels(3, 2, std::vector<ArgbColor>(6, ArgbColor{0xff, 0x20, 0x40, 0x60}));

INSTANTIATE_TEST_SUITE_P(
    Rows, WindowsCli,
    testing::Values(CliCase{"JapaneseNames",
                            {{"テクスチャ.pvz", kRect}},
                            "pvz2png テクスチャ.pvz",
                            Guard::kNone,
                            "",
                            0,
                            "テクスチャ.pvz: 変換終了\n",
                            "",
                            {"テクスチャ.pvz", "テクスチャ" + kSuffix}},
                    CliCase{"JapaneseNamesBack",
                            {{"絵" + kSuffix, kPng}},
                            "png2pvz 絵" + kSuffix,
                            Guard::kNone,
                            "",
                            0,
                            "絵" + kSuffix + ": 変換終了\n",
                            "",
                            {"絵.pvz", "絵" + kSuffix}},
                    CliCase{"BackslashPaths",
                            {{"画像/テクスチャ.pvz", kRect}},
                            "pvz2png .\\画像\\テクスチャ.pvz",
                            Guard::kNone,
                            "",
                            0,
                            ".\\画像\\テクスチャ.pvz: 変換終了\n",
                            "",
                            {"画像/テクスチャ.pvz", "画像/テクスチャ" + kSuffix}},
                    CliCase{"BackslashFolder",
                            {{"画像/テクスチャ.pvz", kRect}},
                            "pvz2png 画像\\",
                            Guard::kNone,
                            "",
                            0,
                            "画像\\テクスチャ.pvz: 変換終了\n",
                            "",
                            {"画像/テクスチャ.pvz", "画像/テクスチャ" + kSuffix}},
                    CliCase{"DroppedFilesConvertByExtension",
                            {{"往.pvz", kRect}, {"復" + kSuffix, kPng}},
                            "往.pvz 復" + kSuffix,
                            Guard::kNone,
                            "",
                            0,
                            "往.pvz: 変換終了\n復" + kSuffix + ": 変換終了\n",
                            "",
                            {"往.pvz", "往" + kSuffix, "復.pvz", "復" + kSuffix}},
                    CliCase{"PngHeldOpenWithoutSharing",
                            {{"a.pvz", kRect}, {"a" + kSuffix, kOld}},
                            "pvz2png --force a.pvz",
                            Guard::kHeldOpen,
                            "a" + kSuffix,
                            1,
                            "a.pvz: 失敗しました\n",
                            "a.pvz: ファイルの作成に失敗\n",
                            {"a.pvz", "a" + kSuffix}},
                    CliCase{"TextureHeldOpenWithoutSharing",
                            {{"b" + kSuffix, kPng}, {"b.pvz", kOld}},
                            "png2pvz b" + kSuffix,
                            Guard::kHeldOpen,
                            "b.pvz",
                            1,
                            "b" + kSuffix + ": 失敗しました\n",
                            "b" + kSuffix + ": ファイルの作成に失敗\n",
                            {"b.pvz", "b" + kSuffix}},
                    CliCase{"ReadOnlyPngKept",
                            {{"c.pvz", kRect}, {"c" + kSuffix, kOld}},
                            "pvz2png --force c.pvz",
                            Guard::kReadOnly,
                            "c" + kSuffix,
                            1,
                            "c.pvz: 失敗しました\n",
                            "c.pvz: ファイルの作成に失敗\n",
                            {"c.pvz", "c" + kSuffix}}),
    [](const testing::TestParamInfo<CliCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace qm::test
