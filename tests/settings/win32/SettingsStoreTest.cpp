// The Windows settings store: the registry itself under the current user's hive (a temporary key
// standing for it in this process), with the registry's types, names and the real Run key.

#include "platform/SettingsStore.h"

#include "platform/Autostart.h"
#include "settings/win32/RegistryTestSupport.h"
#include "support/TempSettingsDir.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace kh {
namespace {

using test::ReadRaw;
using test::TempSettingsDir;

const std::u16string kKey = u"Software\\Zelto\\KH";
const std::u16string kRunKey = kRunKeyPath;

TEST(SettingsStoreTest, ValuesAreRegistryValuesOfTheirTypeBothWays)
{
    TempSettingsDir dir;
    StoreKey key;
    std::string aside;
    ASSERT_EQ(OpenStoreKey(kCurrentUserHive, kKey, key, aside), kStoreSuccess);
    EXPECT_TRUE(test::KeyExists(kKey));

    // Written through the store: REG_SZ with its terminator (2 x (length + 1) bytes), REG_DWORD of
    // 4 bytes; text after a null is not stored.
    ASSERT_EQ(SetStoreValue(key, u"LoginConfig_User", StoreValue{StoreType::String, u"用户 A", 0}, aside),
              kStoreSuccess);
    ASSERT_EQ(SetStoreValue(key, u"Cut", StoreValue{StoreType::String, std::u16string(u"ab\0cd", 5), 0}, aside),
              kStoreSuccess);
    ASSERT_EQ(SetStoreValue(key, u"GetSMSConfig_SpaceTime", StoreValue{StoreType::Dword, {}, 4294967295u}, aside),
              kStoreSuccess);
    test::RawValue text = ReadRaw(kKey, u"LoginConfig_User");
    ASSERT_EQ(text.status, ERROR_SUCCESS);
    EXPECT_EQ(text.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text.bytes.size(), (4u + 1u) * 2u);
    EXPECT_EQ(test::RawText(text), u"用户 A");
    EXPECT_EQ(test::RawText(ReadRaw(kKey, u"Cut")), u"ab");
    test::RawValue number = ReadRaw(kKey, u"GetSMSConfig_SpaceTime");
    EXPECT_EQ(number.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number.bytes.size(), 4u);
    EXPECT_EQ(test::RawNumber(number), 4294967295u);

    // Written by another program: read back by type, names in any letter case.
    ASSERT_EQ(test::WriteRawText(kKey, u"Other", u"外部"), ERROR_SUCCESS);
    ASSERT_EQ(test::WriteRawNumber(kKey, u"OtherNumber", 7), ERROR_SUCCESS);
    StoreValue value;
    ASSERT_EQ(QueryStoreValue(key, u"other", value, aside), kStoreSuccess);
    EXPECT_EQ(value.type, StoreType::String);
    EXPECT_EQ(value.text, u"外部");
    ASSERT_EQ(QueryStoreValue(key, u"OTHERNUMBER", value, aside), kStoreSuccess);
    EXPECT_EQ(value.type, StoreType::Dword);
    EXPECT_EQ(value.number, 7u);

    // A type the store does not know is not data it can hand out.
    const char binary[] = {1, 2, 3};
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, test::WidePtr(kKey), L"Binary", REG_BINARY, binary, sizeof binary),
              ERROR_SUCCESS);
    EXPECT_EQ(QueryStoreValue(key, u"Binary", value, aside), kStoreInvalidData);

    EXPECT_EQ(DeleteStoreValue(key, u"other", aside), kStoreSuccess);
    EXPECT_EQ(ReadRaw(kKey, u"Other").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(DeleteStoreValue(key, u"Other", aside), kStoreNotFound);
    EXPECT_EQ(QueryStoreValue(key, u"Other", value, aside), kStoreNotFound);
    EXPECT_EQ(QueryStoreValue(key, u"", value, aside), kStoreInvalidParameter);
    EXPECT_TRUE(aside.empty());
    EXPECT_EQ(CloseStoreKey(key), kStoreSuccess);
    EXPECT_EQ(QueryStoreValue(key, u"LoginConfig_User", value, aside), kStoreInvalidHandle);
}

TEST(SettingsStoreTest, TheTemporaryRootKeepsTheRealHiveUntouched)
{
    const std::u16string probe = u"Software\\Zelto\\KH-TempRootProbe";
    {
        TempSettingsDir dir;
        StoreKey key;
        std::string aside;
        ASSERT_EQ(OpenStoreKey(kCurrentUserHive, probe, key, aside), kStoreSuccess);
        ASSERT_EQ(SetStoreValue(key, u"V", StoreValue{StoreType::Dword, {}, 1}, aside), kStoreSuccess);
        EXPECT_TRUE(test::KeyExists(probe));
    }
    EXPECT_FALSE(test::KeyExists(probe));
}

TEST(SettingsStoreTest, KeysAreSeparateAndAKeyRemovedBehindAnOpenOneComesBackOnWrite)
{
    TempSettingsDir dir;
    StoreKey one;
    StoreKey two;
    std::string aside;
    ASSERT_EQ(OpenStoreKey(kCurrentUserHive, u"Software\\One", one, aside), kStoreSuccess);
    ASSERT_EQ(OpenStoreKey(kCurrentUserHive, u"Software\\Two", two, aside), kStoreSuccess);
    ASSERT_EQ(SetStoreValue(one, u"Name", StoreValue{StoreType::String, u"first", 0}, aside), kStoreSuccess);
    StoreValue value;
    EXPECT_EQ(QueryStoreValue(two, u"Name", value, aside), kStoreNotFound);

    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Two"), ERROR_SUCCESS);
    EXPECT_EQ(QueryStoreValue(two, u"Name", value, aside), kStoreNotFound);
    ASSERT_EQ(SetStoreValue(two, u"Name", StoreValue{StoreType::String, u"second", 0}, aside), kStoreSuccess);
    ASSERT_EQ(QueryStoreValue(two, u"Name", value, aside), kStoreSuccess);
    EXPECT_EQ(value.text, u"second");
    ASSERT_EQ(QueryStoreValue(one, u"Name", value, aside), kStoreSuccess);
    EXPECT_EQ(value.text, u"first");
}

TEST(SettingsStoreTest, ConcurrentWritersLoseNoValue)
{
    TempSettingsDir dir;
    constexpr int kThreads = 4;
    constexpr int kValuesEach = 25;
    auto nameOf = [](int t, int i) { return u"V" + std::u16string(1, char16_t(u'a' + t)) + char16_t(u'A' + i); };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, nameOf] {
            StoreKey key;
            std::string aside;
            ASSERT_EQ(OpenStoreKey(kCurrentUserHive, kKey, key, aside), kStoreSuccess);
            for (int i = 0; i < kValuesEach; ++i) {
                SettingsStoreLock hold; // nests inside each operation's own hold
                ASSERT_EQ(
                    SetStoreValue(key, nameOf(t, i), StoreValue{StoreType::Dword, {}, uint32_t(t * 100 + i)}, aside),
                    kStoreSuccess);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kValuesEach; ++i)
            EXPECT_EQ(test::RawNumber(ReadRaw(kKey, nameOf(t, i))), uint32_t(t * 100 + i));
    }
}

TEST(SettingsStoreTest, RunKeyValuesAreTheRealRunKeysValues)
{
    TempSettingsDir dir;
    const std::u16string program = u"C:\\Program Files\\Borvan KH\\borvankh.exe";
    StoreKey run;
    std::string aside;
    ASSERT_EQ(OpenStoreKey(kCurrentUserHive, kRunKey, run, aside), kStoreSuccess);
    ASSERT_EQ(SetStoreValue(run, u"ZeltoKH", StoreValue{StoreType::String, program, 0}, aside), kStoreSuccess);
    test::RawValue raw = ReadRaw(kRunKey, u"ZeltoKH");
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(test::RawText(raw), program); // the bare path, as the client always stored it

    std::u16string read;
    ASSERT_EQ(ReadAutostartEntry(u"ZeltoKH", read), kStoreSuccess);
    EXPECT_EQ(read, program);
    EXPECT_EQ(DeleteAutostartEntry(u"ZeltoKH"), kStoreSuccess);
    EXPECT_EQ(DeleteAutostartEntry(u"ZeltoKH"), kStoreNotFound);
    EXPECT_EQ(ReadRaw(kRunKey, u"ZeltoKH").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(WriteAutostartEntry(u"ZeltoKH", u""), kStoreInvalidParameter);
    EXPECT_EQ(WriteAutostartEntry(u"ZeltoKH", program), kStoreSuccess);
    EXPECT_EQ(test::RawText(ReadRaw(kRunKey, u"ZeltoKH")), program);
}

} // namespace
} // namespace kh
