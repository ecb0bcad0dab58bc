// The settings store backend: concurrent writers, and the autostart entries behind the Run key.

#include "platform/SettingsStore.h"

#include "platform/Autostart.h"
#include "support/TempSettingsDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
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
