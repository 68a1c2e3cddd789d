// Both conversions failed by the file system, the files or the memory: false
// after one message, the folder as it was (no temporary ".*" left) and an older
// output byte for byte as it was. Each runs in a child, with a file-size or
// address-space limit, as the unprivileged user where permissions count.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/child_process.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

struct Case {
    const TempDir& dir;
    std::string input, output;
};

const auto kNothing = [](const Case&) {};
const auto kMakeFifo = [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); };
const auto kFifoInput = [](const Case& c) { fs::remove(c.input), kMakeFifo(c.input); };
const auto kPaletteTexture = [](const Case& c) { WriteFile(c.input, Pvz(1, 7, 2, 2, {0, 3})); };

enum Directions { kToPng = 1, kToPvz = 2, kBoth = 3 };

struct FaultRow {
    const char* setup;
    void (*prepare)(const Case&);          // after the input and an older output are in place
    std::uint64_t fileSize, addressSpace;  // the child's limits; 0: none
    bool nobody;                           // the child runs as the unprivileged user
    int directions;
    const char* shown;  // the one message
};

const FaultRow kFaults[] = {
    {"disk full part way", kNothing, 1024, 0, false, kBoth, "ファイルの作成に失敗"},
    {"unwritable folder", [](const Case& c) { ::chmod(c.dir.path().c_str(), 0500); }, 0, 0, true,
     kBoth, "ファイルの作成に失敗"},
    {"read-only output", [](const Case& c) { ::chmod(c.output.c_str(), 0400); }, 0, 0, true, kBoth,
     "ファイルの作成に失敗"},
    {"output name taken by a folder",
     [](const Case& c) { fs::remove(c.output), fs::create_directories(c.output + "/x"); }, 0, 0,
     false, kBoth, "ファイルの作成に失敗"},
    {"output name links to a full device",
     [](const Case& c) { fs::remove(c.output), fs::create_symlink("/dev/full", c.output); }, 0, 0,
     false, kBoth, "ファイルの作成に失敗"},
    {"unreadable input", [](const Case& c) { ::chmod(c.input.c_str(), 0); }, 0, 0, true, kBoth,
     "ファイルの読み込みに失敗"},
    {"FIFO input", kFifoInput, 0, 0, false, kToPng, "エラー"},
    {"FIFO input", kFifoInput, 0, 0, false, kToPvz, "ファイルの読み込みに失敗"},
    {"texture a byte over the read limit",
     [](const Case& c) { fs::resize_file(c.input, 36 + 3 * (std::uintmax_t{16384} * 16384) + 1); },
     0, 256 << 20, false, kToPng, "エラー"},
    // Sanitizers reserve terabytes of shadow memory: no address-space limit.
    {"no memory for a 16384 x 16384 picture",
     [](const Case& c) { WriteFile(c.input, Pvz(1, 1, 16384, 16384, Bytes(3))); }, 0, 256 << 20,
     false, UnderAddressSanitizer() ? 0 : kToPng, "ファイルの作成に失敗"},
    {"missing palette", kPaletteTexture, 0, 0, false, kToPng,
     "ReadColorPalette pvpファイルの読み込みに失敗"},
    {"unreadable palette",
     [](const Case& c) {
         kPaletteTexture(c);
         WriteFile(c.dir / "s.pvp", Palette({0xFFFF}, 1));
         ::chmod((c.dir / "s.pvp").c_str(), 0);
     },
     0, 0, true, kToPng, "ReadColorPalette pvpファイルの読み込みに失敗"},
    {"FIFO palette", [](const Case& c) { kPaletteTexture(c), kMakeFifo(c.dir / "s.pvp"); }, 0, 0,
     false, kToPng, "ReadColorPalette エラー"},
};

TEST(PosixFailureInjection, RefusedCleanly) {
    Random random(17);
    const Bytes texture = RandomTexture(random, 1, 9, 256, 256, kHeaderBytes);
    const Bytes older(3000, 0x5A);
    for (const FaultRow& row : kFaults) {
        for (const bool toPng : {true, false}) {
            if ((row.directions & (toPng ? kToPng : kToPvz)) == 0) continue;
            SCOPED_TRACE(testing::Message() << row.setup << (toPng ? ", to PNG" : ", to texture"));
            TempDir dir;
            const std::string pvz = dir / "s.pvz", png = dir / ("s_" + kHeaderText + "0109.png");
            WriteFile(pvz, texture);
            ASSERT_TRUE(PvzToPng(pvz).ok);
            const Case c{dir, toPng ? pvz : png, toPng ? png : pvz};
            WriteFile(c.output, older);
            row.prepare(c);
            const Texts before = dir.List();
            const Outcome out =
                OutcomeInChild({row.fileSize, row.addressSpace, row.nobody ? &dir : nullptr, 10},
                               [&] { return toPng ? PvzToPng(c.input) : PngToPvz(c.input); });
            EXPECT_FALSE(out.ok);
            EXPECT_EQ(out.shown, Texts{row.shown});
            EXPECT_EQ(dir.List(), before);
            EXPECT_TRUE(!fs::is_regular_file(fs::symlink_status(c.output)) ||
                        ReadFile(c.output) == older);
        }
    }
}

}  // namespace
}  // namespace qm::test
