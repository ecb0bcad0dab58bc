// Every program prints the build's one version (project(VERSION), base/Version.h) for --version and
// exits 0 at once; the window does so without a display, before Qt looks for one.

#include "base/Version.h"

#include "support/ChildProcess.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kh {
namespace {

struct Program
{
    const char* name;
    const char* path;
};

const Program kPrograms[] = {
    {"kh-http", KH_KH_HTTP_PATH},
    {"borvankh-cli", KH_BORVANKH_CLI_PATH},
#ifdef KH_BORVANKH_PATH
    {"borvankh", KH_BORVANKH_PATH},
#endif
};

TEST(Version, EveryProgramPrintsTheBuildsVersionWithoutADisplay)
{
    // No display of any kind and no Qt platform chosen: the window would stop at its start if it
    // tried to open one.
    const std::vector<std::string> noDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    for (const Program& program : kPrograms) {
        test::ProcessResult result = test::RunProcess({program.path, "--version"}, {}, noDisplay);
        std::string out = result.out;
        // The terminal client writes text mode, which is CR LF on Windows.
        if (out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0)
            out.replace(out.size() - 2, 2, "\n");
        EXPECT_EQ(result.status, 0) << program.name << ": " << result.err;
        EXPECT_EQ(out, std::string(program.name) + " " KH_VERSION "\n") << program.name;
        EXPECT_EQ(result.err, "") << program.name;
    }
}

} // namespace
} // namespace kh
