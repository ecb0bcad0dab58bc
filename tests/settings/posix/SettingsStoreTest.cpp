// The settings store backend: concurrent writers (threads and processes), temporary files left by a
// killed writer, and the autostart entries behind the Run key.

#include "platform/SettingsStore.h"

#include "platform/Autostart.h"
#include "platform/posix/DesktopEntry.h"
#include "support/TempSettingsDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kh {
namespace {

using test::TempSettingsDir;

TEST(SettingsStoreTest, ConcurrentWritersLoseNoValue)
{
    TempSettingsDir dir;
    constexpr int kThreads = 4;
    constexpr int kValuesEach = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            StoreKey key;
            std::string aside;
            ASSERT_EQ(OpenStoreKey(kCurrentUserHive, u"Software\\Zelto\\KH", key, aside), kStoreSuccess);
            for (int i = 0; i < kValuesEach; ++i) {
                std::u16string name = u"V" + std::u16string(1, char16_t(u'a' + t)) + char16_t(u'A' + i);
                ASSERT_EQ(SetStoreValue(key, name, StoreValue{StoreType::Dword, {}, uint32_t(t * 100 + i)}, aside),
                          kStoreSuccess);
            }
            CloseStoreKey(key);
        });
    }
    for (auto& thread : threads)
        thread.join();

    StoreKey key;
    std::string aside;
    ASSERT_EQ(OpenStoreKey(kCurrentUserHive, u"Software\\Zelto\\KH", key, aside), kStoreSuccess);
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kValuesEach; ++i) {
            std::u16string name = u"V" + std::u16string(1, char16_t(u'a' + t)) + char16_t(u'A' + i);
            StoreValue value;
            ASSERT_EQ(QueryStoreValue(key, name, value, aside), kStoreSuccess);
            EXPECT_EQ(value.number, uint32_t(t * 100 + i));
        }
    }
    EXPECT_TRUE(aside.empty());
}

std::u16string ProcessValueName(int process, int i)
{
    return u"P" + std::u16string(1, char16_t(u'a' + process)) + char16_t(u'A' + i);
}

// Each write reads the whole file, changes one value and replaces the file; without a lock
// between processes, two writers interleave and one of them writes back a file without the
// other's value.
TEST(SettingsStoreTest, WritersInSeveralProcessesLoseNoValue)
{
    TempSettingsDir dir;
    constexpr int kProcesses = 4;
    constexpr int kValuesEach = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            StoreKey key;
            std::string aside;
            int failures = OpenStoreKey(kCurrentUserHive, u"Software\\Zelto\\KH", key, aside) == kStoreSuccess ? 0 : 1;
            for (int i = 0; i < kValuesEach; ++i)
                if (SetStoreValue(key, ProcessValueName(p, i), StoreValue{StoreType::Dword, {}, uint32_t(p * 100 + i)},
                                  aside) != kStoreSuccess)
                    ++failures;
            _exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    StoreKey key;
    std::string aside;
    ASSERT_EQ(OpenStoreKey(kCurrentUserHive, u"Software\\Zelto\\KH", key, aside), kStoreSuccess);
    int lost = 0;
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kValuesEach; ++i) {
            StoreValue value;
            if (QueryStoreValue(key, ProcessValueName(p, i), value, aside) != kStoreSuccess ||
                value.number != uint32_t(p * 100 + i))
                ++lost;
        }
    }
    EXPECT_EQ(lost, 0);
}

// A writer killed between creating its temporary copy and renaming it leaves the copy behind,
// password included; the next use of the store removes it.
TEST(SettingsStoreTest, TemporaryFilesOfAKilledWriterAreRemoved)
{
    TempSettingsDir dir;
    StoreKey key;
    std::string aside;
    ASSERT_EQ(OpenStoreKey(kCurrentUserHive, u"Software\\Zelto\\KH", key, aside), kStoreSuccess);
    std::string left = dir.SettingsFile() + ".tmp-AbC123";
    std::ofstream(left) << "{\"HKEY_CURRENT_USER\":{}}";
    ASSERT_TRUE(std::filesystem::exists(left));

    StoreValue value;
    QueryStoreValue(key, u"Anything", value, aside);
    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_TRUE(std::filesystem::exists(dir.SettingsFile()));
}

TEST(SettingsStoreTest, KeysAreSeparate)
{
    TempSettingsDir dir;
    StoreKey one, two;
    std::string aside;
    ASSERT_EQ(OpenStoreKey(kCurrentUserHive, u"Software\\One", one, aside), kStoreSuccess);
    ASSERT_EQ(OpenStoreKey(kCurrentUserHive, u"Software\\Two", two, aside), kStoreSuccess);
    ASSERT_EQ(SetStoreValue(one, u"Name", StoreValue{StoreType::String, u"first", 0}, aside), kStoreSuccess);
    StoreValue value;
    EXPECT_EQ(QueryStoreValue(two, u"Name", value, aside), kStoreNotFound);
    EXPECT_EQ(DeleteStoreValue(two, u"Name", aside), kStoreNotFound);
    ASSERT_EQ(QueryStoreValue(one, u"Name", value, aside), kStoreSuccess);
    EXPECT_EQ(value.text, u"first");
}

TEST(SettingsStoreTest, ExecLineRoundTripsProgramPaths)
{
    struct Case
    {
        std::string program;
        std::string exec;
    };
    const Case cases[] = {
        {"/usr/bin/borvankh", "/usr/bin/borvankh"},
        {"/opt/my app/borvankh", "\"/opt/my app/borvankh\""},
        {"/opt/100%/borvankh", "/opt/100%%/borvankh"},
        {"/opt/a\"b$c`d\\e/x", "\"/opt/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e/x\""},
        {"/opt/中文/客户端", "/opt/中文/客户端"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        EXPECT_EQ(ExecLineForProgram(c.program), c.exec);
        EXPECT_EQ(ProgramFromExecLine(c.exec), c.program);
    }
    EXPECT_EQ(ProgramFromExecLine("/usr/bin/other --minimized %u"), "/usr/bin/other");
}

TEST(SettingsStoreTest, RunKeyValuesAreAutostartEntriesWithSafeNames)
{
    TempSettingsDir dir;
    StoreKey run;
    std::string aside;
    ASSERT_EQ(OpenStoreKey(kCurrentUserHive, kRunKeyPath, run, aside), kStoreSuccess);
    ASSERT_EQ(SetStoreValue(run, u"ZeltoKH", StoreValue{StoreType::String, u"/opt/kh/borvankh", 0}, aside),
              kStoreSuccess);
    EXPECT_TRUE(std::filesystem::exists(dir.AutostartFile("ZeltoKH")));
    EXPECT_FALSE(std::filesystem::exists(dir.SettingsFile())); // the Run key lives outside the hive file

    StoreValue value;
    ASSERT_EQ(QueryStoreValue(run, u"ZeltoKH", value, aside), kStoreSuccess);
    EXPECT_EQ(value.text, u"/opt/kh/borvankh");

    for (std::u16string name : {u"../escape", u"..", u"a/b"}) {
        EXPECT_EQ(SetStoreValue(run, name, StoreValue{StoreType::String, u"/bin/true", 0}, aside),
                  kStoreInvalidParameter);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/escape.desktop"));

    EXPECT_EQ(DeleteStoreValue(run, u"ZeltoKH", aside), kStoreSuccess);
    EXPECT_EQ(DeleteStoreValue(run, u"ZeltoKH", aside), kStoreNotFound);
    EXPECT_EQ(QueryStoreValue(run, u"ZeltoKH", value, aside), kStoreNotFound);
}

} // namespace
} // namespace kh
