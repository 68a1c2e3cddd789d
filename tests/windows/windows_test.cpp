// quillmere-cli.exe as Windows users meet it: Japanese names end to end,
// backslashes in paths, files dropped on the program, and outputs that
// cannot be replaced (held open by another program without sharing, or
// read-only), which must fail without losing anything.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

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

// Every PNG kind of the fuzz corpus loads through WIC to the very pixels
// libpng gives on Linux: shape, depth and an FNV-1a hash of the rows, taken
// from the Linux build.
struct PngKind {
    const char* file;
    int width;
    int height;
    int bpp;
    std::uint64_t hash;
};

class WicLoad : public testing::TestWithParam<PngKind> {};

TEST_P(WicLoad, GivesTheSamePixelsAsLibpng) {
    const PngKind& k = GetParam();
    ImageSurface surface;
    ASSERT_EQ(surface.Load(std::string(QM_CORPUS_DIR "/png/") + k.file), ImageSurface::kLoaded);
    std::uint64_t hash = 1469598103934665603ull;
    for (int y = 0; y < surface.GetHeight(); ++y) {
        for (int x = 0; x < surface.GetWidth() * surface.GetBPP() / 8; ++x) {
            hash = (hash ^ surface.GetBits()[y * surface.GetPitch() + x]) * 1099511628211ull;
        }
    }
    EXPECT_EQ(surface.GetWidth(), k.width);
    EXPECT_EQ(surface.GetHeight(), k.height);
    EXPECT_EQ(surface.GetBPP(), k.bpp);
    EXPECT_EQ(hash, k.hash);
}

INSTANTIATE_TEST_SUITE_P(Corpus, WicLoad,
                         testing::ValuesIn(std::vector<PngKind>{
                             {"gray-1", 5, 3, 24, 0x4931f87a75b272edull},
                             {"gray-1-interlaced", 9, 7, 24, 0x3ab6e6633bd37c01ull},
                             {"gray-16", 5, 3, 24, 0x64785ac603e911bcull},
                             {"gray-16-trns", 4, 4, 32, 0x1241bccba5af6943ull},
                             {"gray-2", 5, 3, 24, 0x626eab05b7da90d9ull},
                             {"gray-2-trns", 4, 4, 32, 0xe1e724a29484de0eull},
                             {"gray-4", 5, 3, 24, 0xfeb87c387c078a11ull},
                             {"gray-4-trns", 4, 4, 32, 0x4068b912901dcdceull},
                             {"gray-8", 5, 3, 24, 0xfb45da097317f94dull},
                             {"gray-8-interlaced", 9, 7, 24, 0xbe46488e0f4f6961ull},
                             {"gray-8-trns", 4, 4, 32, 0x8a445705fa69cd93ull},
                             {"gray-alpha-16", 5, 3, 32, 0xceb751fb05b5e74dull},
                             {"gray-alpha-8", 5, 3, 32, 0x6bec10585e3f7aa6ull},
                             {"gray-alpha-8-interlaced", 9, 7, 32, 0x61666d1ec7075cfaull},
                             {"own-save-24", 6, 4, 24, 0x425ab309a1d1cf9bull},
                             {"own-save-32", 6, 4, 32, 0x40ffb59aedb77163ull},
                             {"palette-1", 5, 3, 24, 0xf75452dbcdb9c078ull},
                             {"palette-1-interlaced", 9, 7, 24, 0xe0b27291a83baca4ull},
                             {"palette-2", 5, 3, 24, 0x3b0508c8efc219f4ull},
                             {"palette-2-trns", 4, 4, 32, 0xa7e210708a39dae9ull},
                             {"palette-4", 5, 3, 24, 0xcb0a560b32af0e3cull},
                             {"palette-4-trns", 4, 4, 32, 0x1e23b9041c698b35ull},
                             {"palette-8", 5, 3, 24, 0xe1d224e6e0c10784ull},
                             {"palette-8-interlaced", 9, 7, 24, 0xf9fc1f29f978e89cull},
                             {"palette-8-trns", 4, 4, 32, 0xa6b251a6678fd79bull},
                             {"rgb-16", 5, 3, 24, 0xbec742b2473fb4beull},
                             {"rgb-16-trns", 4, 4, 32, 0x971a5d922e97f1e3ull},
                             {"rgb-8", 5, 3, 24, 0x97df4869736d7c1eull},
                             {"rgb-8-ancillary", 3, 3, 24, 0x5abcdd65f945c6c1ull},
                             {"rgb-8-interlaced", 9, 7, 24, 0xa8576c32e97de04aull},
                             {"rgb-8-trns", 4, 4, 32, 0x6e5a49b4839f642bull},
                             {"rgba-16", 5, 3, 32, 0xad4e23a95e90595bull},
                             {"rgba-8", 5, 3, 32, 0xdeeb7a688851bde3ull},
                             {"rgba-8-1x1", 1, 1, 32, 0x1f0af4e8c50b45c3ull},
                             {"rgba-8-interlaced", 9, 7, 32, 0x5187b4898b5b9733ull},
                         }),
                         [](const testing::TestParamInfo<PngKind>& row) {
                             std::string name = row.param.file;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace qm::test
