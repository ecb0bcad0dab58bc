// The system's program folders, which the client never writes to: the package's /usr/bin and the
// other read-only hierarchies, matched by whole folder names.

#include "platform/Paths.h"

#include <gtest/gtest.h>

namespace kh {
namespace {

TEST(Paths, SystemProgramFoldersAreMatchedByWholeFolderNames)
{
    struct Case
    {
        const char* folder;
        bool system;
    } cases[] = {
        {"/usr/bin", true},        {"/usr", true},
        {"/usr/local/bin", true},  {"/bin", true},
        {"/sbin", true},           {"/opt/borvankh", true},
        {"/usrx/bin", false},      {"/binaries", false},
        {"/home/user/bin", false}, {"/work/build/apps", false},
        {"usr/bin", false},        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSystemProgramFolder(c.folder), c.system) << c.folder;
}

} // namespace
} // namespace kh
