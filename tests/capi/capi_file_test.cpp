// qm_texture_read_file and qm_palette_name: the limits bound the file read,
// and what they cannot use is refused (the files they find:
// the case table of tests/python/test_read.py).
#include <gtest/gtest.h>

#include "capi/capi_support.h"

namespace qm::test {
namespace {

TEST(CApiFile, TheLimitsBoundTheFileRead) {
    const TempDir dir;
    Bytes stream;
    AppendRecord2(stream, 0x1234, 15);
    WriteFile(dir / "plain.pvz", Pvz(1, 9, 4, 4, stream));
    const std::size_t size = ReadFile(dir / "plain.pvz").size();
    qm_limits limits;
    qm_limits_init(&limits);
    qm_texture* raw = nullptr;
    limits.max_file_size = size - 1;
    EXPECT_EQ(qm_texture_read_file((dir / "plain.pvz").c_str(), &limits, &raw),
              QM_ERROR_FILE_TOO_LARGE);
    EXPECT_EQ(raw, nullptr);
    limits.max_file_size = size;
    EXPECT_EQ(qm_texture_read_file((dir / "plain.pvz").c_str(), &limits, &raw), QM_OK);
    qm_texture_free(raw);
}

TEST(CApiFile, RefusesWhatItCannotUse) {
    qm_texture* raw = nullptr;
    EXPECT_EQ(qm_texture_read_file(nullptr, nullptr, &raw), QM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(qm_texture_read_file("a.pvz", nullptr, nullptr), QM_ERROR_INVALID_ARGUMENT);
    qm_limits small{};  // struct_size 0
    EXPECT_EQ(qm_texture_read_file("a.pvz", &small, &raw), QM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(qm_palette_name(nullptr, nullptr, 0, nullptr), QM_ERROR_INVALID_ARGUMENT);
    // The length comes with a buffer too small, so that it can be asked.
    std::size_t length = 0;
    char shortName[4];
    EXPECT_EQ(qm_palette_name("dir/wall.pvz", shortName, sizeof shortName, &length),
              QM_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 12u);
    EXPECT_EQ(qm_palette_name("dir/wall.pvz", nullptr, 0, &length), QM_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(qm_palette_name("wall.png", nullptr, 0, &length), QM_ERROR_NOT_PVZ_NAME);
}

}  // namespace
}  // namespace qm::test
