// The file named on the dialog's command line.
#include "app/launch_file.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "support/test_support.h"

namespace qm::test {
namespace {

TEST(LaunchFile, MapsTheArgumentToFolderAndName) {
    const char* const rows[][2] = {
        {"/u/a/S.PVZ", "/u/a|S.PVZ"},
        {"/S.PVZ", "/|S.PVZ"},
        {"--unknown art/a.pvz b", "art|a.pvz"},
        {"-- -x.pvz", ".|-x.pvz"},
        {"", "none"},
        {"art/", "none"},
#if defined(_WIN32)
        {"C:\\u\\S.PVZ", "C:\\u|S.PVZ"},
        {"C:\\S.PVZ", "C:\\|S.PVZ"},
        {"C:S.PVZ", "C:|S.PVZ"},
        {"d:/u\\a/S.pvz", "d:/u\\a|S.pvz"},
#endif
    };
    for (const auto& [args, want] : rows) {  // arguments split at blanks; want: folder|name
        std::istringstream words(args);
        const std::optional<LaunchFile> got =
            LaunchFileFromArguments(Texts(std::istream_iterator<std::string>(words), {}));
        EXPECT_EQ(got ? got->folder + "|" + got->name : "none", want);
    }
}

}  // namespace
}  // namespace qm::test
