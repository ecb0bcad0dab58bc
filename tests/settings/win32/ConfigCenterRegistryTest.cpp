// ConfigCenter on the Windows registry: every setting as a registry value of its name and type,
// values an earlier version stored (the password's hex form of ANSI code page bytes), the Run-key
// auto-run value, and the executable's path from the system.

#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "settings/ConfigCenterFixture.h"
#include "settings/HostDefaults.h"
#include "settings/PasswordHex.h"
#include "settings/SettingsTable.h"
#include "settings/win32/RegistryTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace kh {
namespace {

using test::ReadRaw;

const std::u16string kRunKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::u16string WideOfAnsi(const std::string& text)
{
    return Utf8ToWide(text);
}

TEST_F(ConfigCenterTest, LocateExecutableTakesTheModulePathAndCutsAtTheLastBackslash)
{
    wchar_t module[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
    ASSERT_GT(n, 0u);
    config.LocateExecutable();
    EXPECT_EQ(config.ExecutablePath(), std::u16string(reinterpret_cast<const char16_t*>(module), n));
    EXPECT_EQ(config.ExecutableDirectory(), config.ExecutablePath().substr(0, config.ExecutablePath().rfind(u'\\')));
    EXPECT_EQ(config.ExecutableDirectory().find(u'/'), std::u16string::npos);
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(ConfigCenterTest, FirstStartKeepsDefaultsWithoutTipAndCreatesTheKey)
{
    EXPECT_FALSE(test::KeyExists(kKey));
    config.Load();
    EXPECT_EQ(tips.Count(), 0u);
    EXPECT_EQ(config.Snapshot().spaceTime, 10000u);
    EXPECT_TRUE(test::KeyExists(kKey));
}

// Every setting of the table, saved with a value other than its default, is the registry value of
// its stored name with its type, and a value stored that way by another program loads back.
TEST_F(ConfigCenterTest, EverySettingRoundTripsThroughTheRegistryUnderItsNameAndType)
{
    config.Update([](SettingsValues& values) {
        values.savePassword = 1;
        for (const SettingEntry& entry : SettingsTable()) {
            switch (entry.type) {
            case SettingType::Text:
            case SettingType::Password:
                values.*entry.text = u"值 " + Utf8ToWide(entry.name);
                break;
            case SettingType::Number:
                if (entry.number != &SettingsValues::savePassword)
                    values.*entry.number = entry.defaultNumber + 1000;
                break;
            case SettingType::Host:
                values.*entry.host = "127.0.0.1:" + std::to_string(2000 + (&entry - SettingsTable().data()));
                break;
            }
        }
    });
    config.Save();
    ASSERT_EQ(tips.Count(), 0u);

    SettingsValues saved = config.Snapshot();
    for (const SettingEntry& entry : SettingsTable()) {
        SCOPED_TRACE(entry.name);
        test::RawValue raw = ReadRaw(kKey, Utf8ToWide(entry.name));
        ASSERT_EQ(raw.status, ERROR_SUCCESS);
        switch (entry.type) {
        case SettingType::Text:
            EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(test::RawText(raw), saved.*entry.text);
            break;
        case SettingType::Password:
            // The remembered password is in Credential Manager; its value is kept, empty.
            EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(test::RawText(raw), u"");
            EXPECT_EQ(StoredCredential(saved.userName, saved.apiHost), saved.*entry.text);
            break;
        case SettingType::Number:
            EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
            EXPECT_EQ(test::RawNumber(raw), saved.*entry.number);
            break;
        case SettingType::Host:
            EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(test::RawText(raw), WideOfAnsi(saved.*entry.host));
            break;
        }
    }

    // The same values written by another program load into a fresh record.
    SettingsValues expected = saved;
    for (const SettingEntry& entry : SettingsTable()) {
        std::u16string name = Utf8ToWide(entry.name);
        if (entry.type == SettingType::Number)
            ASSERT_EQ(test::WriteRawNumber(kKey, name, test::RawNumber(ReadRaw(kKey, name))), ERROR_SUCCESS);
        else
            ASSERT_EQ(test::WriteRawText(kKey, name, test::RawText(ReadRaw(kKey, name))), ERROR_SUCCESS);
    }
    ConfigCenter loaded{nullptr, test::TipRecorder::Callback, tips.Context()};
    loaded.ResetToDefaults();
    loaded.Load();
    EXPECT_EQ(tips.Count(), 0u);
    for (const SettingEntry& entry : SettingsTable())
        EXPECT_EQ(SettingText(loaded.Snapshot(), entry), SettingText(expected, entry)) << entry.name;
}

// An earlier version stored the password as the hexadecimal digits of its bytes in the thread's
// ANSI code page; on a Chinese system (code page 936) 密码abc is C3DC C2EB 616263.
TEST_F(ConfigCenterTest, APasswordStoredByAnEarlierVersionInTheAnsiCodePageSignsIn)
{
    if (GetACP() != 936)
        GTEST_SKIP() << "the ANSI code page is " << GetACP()
                     << ", not 936: run with a Chinese locale (scripts/test-windows sets LANG=zh_CN.UTF-8)";
    ASSERT_EQ(test::WriteRawText(kKey, u"LoginConfig_Pwd", u"C3DCC2EB616263"), ERROR_SUCCESS);
    ASSERT_EQ(test::WriteRawNumber(kKey, u"StartupConfig_SavePwd", 1), ERROR_SUCCESS);
    config.Load();
    EXPECT_EQ(config.Snapshot().password, u"密码abc");

    // Saved again, it moves into Credential Manager and the registry value is emptied.
    config.Save();
    EXPECT_EQ(test::RawText(ReadRaw(kKey, u"LoginConfig_Pwd")), u"");
    EXPECT_EQ(StoredCredential(u"", kDefaultApiHost), u"密码abc");
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(ConfigCenterTest, AutoRunWritesAndRemovesTheRunKeyValue)
{
    config.LocateExecutable();
    config.Update([&](SettingsValues& values) { values.autoRun = 1; });
    config.Save();
    test::RawValue raw = ReadRaw(kRunKey, u"ZeltoKH");
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(test::RawText(raw), config.ExecutablePath());

    config.Update([&](SettingsValues& values) { values.autoRun = 0; });
    config.Save();
    EXPECT_EQ(ReadRaw(kRunKey, u"ZeltoKH").status, ERROR_FILE_NOT_FOUND);
    config.Save(); // removing an absent value is not an error
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(ConfigCenterTest, UnmanagedAutoRunValueIsLeftAsItIsWhileTheSettingIsSaved)
{
    ASSERT_EQ(test::WriteRawText(kRunKey, u"ZeltoKH", u"C:\\elsewhere\\borvankh.exe"), ERROR_SUCCESS);
    config.SetAutoRunEntryManaged(false);
    config.Update([&](SettingsValues& values) { values.autoRun = 0; });
    config.Save();
    EXPECT_EQ(test::RawText(ReadRaw(kRunKey, u"ZeltoKH")), u"C:\\elsewhere\\borvankh.exe");
    EXPECT_EQ(test::RawNumber(ReadRaw(kKey, u"StartupConfig_AutoRun")), 0u);
    EXPECT_EQ(tips.Count(), 0u);
}

} // namespace
} // namespace kh
