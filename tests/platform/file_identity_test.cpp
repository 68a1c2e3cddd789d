// SameFileKey: every spelling of one file gives one key, other files others.
#include "platform/file_identity.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qm::test {
namespace {

TEST(SameFileKey, OneKeyPerFileHoweverSpelt) {
    TempDir dir;
    WriteFile(dir / "d/x.pvz", {1});
    const std::string key = SameFileKey(dir / "d/x.pvz");
    const struct {
        std::string path;
        bool same;
    } rows[] = {
        {dir / "d/x.pvz", true},        {dir / "d/./x.pvz", true}, {dir / "d//x.pvz", true},
        {dir / "d/sub/../x.pvz", true},  // sub does not exist
        {dir / "e/../d/x.pvz", true},   {dir / "d/y.pvz", false},  {dir / "x.pvz", false},
#ifdef _WIN32
        {dir / "D/X.PVZ", true},  // Windows ignores letter case
#else
        {dir / "D/X.PVZ", false},
#endif
    };
    for (const auto& [path, same] : rows) {
        EXPECT_EQ(SameFileKey(path) == key, same) << path;
    }
    // A file that does not exist yet: its folder's spellings still agree.
    EXPECT_EQ(SameFileKey(dir / "d/new.pvz"), SameFileKey(dir / "d/./new.pvz"));
}

}  // namespace
}  // namespace qm::test
