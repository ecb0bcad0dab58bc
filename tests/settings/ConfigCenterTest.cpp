// ConfigCenter: defaults, and Load/Save through the settings store in a private config home.

#include "settings/ConfigCenter.h"

#include "platform/TextCodec.h"
#include "settings/HostDefaults.h"
#include "settings/PasswordHex.h"
#include "settings/RegistryEditor.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kh {
namespace {

using test::TempSettingsDir;
using test::TipRecorder;

const std::u16string kKey = u"Software\\Zelto\\KH";

class ConfigCenterTest : public ::testing::Test
{
protected:
    // The start-up order of the client; the executable path feeds the auto-run entry.
    ConfigCenterTest()
    {
        config.LocateExecutable();
        config.ResetToDefaults();
    }

    // A value as a fresh RegistryEditor reads it; sentinel when absent.
    std::u16string StoredString(const std::u16string& key, const std::u16string& name)
    {
        TipRecorder readTips;
        RegistryEditor editor(TipRecorder::Callback, readTips.Context());
        editor.SetKey(RootKey::CurrentUser, key);
        std::u16string value = u"<absent>";
        editor.ReadString(name, value);
        EXPECT_EQ(readTips.Count(), 0u);
        return value;
    }

    void StoreString(const std::u16string& name, const std::u16string& value)
    {
        RegistryEditor editor(TipRecorder::Callback, tips.Context());
        editor.SetKey(RootKey::CurrentUser, kKey);
        editor.WriteString(name, value);
    }

    TempSettingsDir dir;
    TipRecorder tips;
    ConfigCenter config{nullptr, TipRecorder::Callback, tips.Context()};
};

TEST_F(ConfigCenterTest, ResetGivesEverySettingItsDefault)
{
    config.userName = u"someone";
    config.token = "tok";
    config.spaceTime = 1;
    config.apiHost = "127.0.0.1:1";
    config.ResetToDefaults();

    EXPECT_EQ(config.userName, u"");
    EXPECT_EQ(config.password, u"");
    EXPECT_EQ(config.token, "");
    EXPECT_EQ(config.autoRun, 1u);
    EXPECT_EQ(config.savePassword, 0u);
    EXPECT_EQ(config.autoGetSms, 0u);
    EXPECT_EQ(config.autoExtractCode, 1u);
    EXPECT_EQ(config.listAutoSort, 1u);
    EXPECT_EQ(config.spaceTime, 10000u);
    EXPECT_EQ(config.timeoutTime, 600000u);
    EXPECT_EQ(config.extractMode, 0u);
    EXPECT_EQ(config.keywordHead, u"");
    EXPECT_EQ(config.keywordTail, u"");
    EXPECT_EQ(config.codeLength, 6u);
    EXPECT_EQ(config.windowTop, 0u);
    EXPECT_EQ(config.notifyOnCode, 1u);
    EXPECT_EQ(config.autoCopyCode, 0u);
    EXPECT_EQ(config.apiHost, kDefaultApiHost);
    EXPECT_EQ(config.servicesHost, kDefaultServicesHost);
    EXPECT_EQ(config.webSite, kDefaultWebSite);
}

TEST_F(ConfigCenterTest, LocateExecutableCutsTheDirectoryAtTheLastSlash)
{
    config.LocateExecutable();
    ASSERT_FALSE(config.executablePath.empty());
    EXPECT_EQ(config.executablePath, AnsiToWide(std::filesystem::read_symlink("/proc/self/exe").string()));
    EXPECT_EQ(config.executableDirectory, config.executablePath.substr(0, config.executablePath.rfind(u'/')));
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(ConfigCenterTest, FirstStartKeepsDefaultsWithoutTipAndCreatesTheKey)
{
    config.Load();

    EXPECT_EQ(tips.Count(), 0u);
    EXPECT_EQ(config.autoRun, 1u);
    EXPECT_EQ(config.spaceTime, 10000u);
    EXPECT_EQ(config.codeLength, 6u);
    EXPECT_EQ(config.password, u"");
    EXPECT_EQ(config.apiHost, kDefaultApiHost);
    std::string file = TempSettingsDir::ReadFile(dir.SettingsFile());
    EXPECT_NE(file.find("Software\\\\Zelto\\\\KH"), std::string::npos) << file;
}

TEST_F(ConfigCenterTest, SaveThenLoadRestoresEveryPersistedValue)
{
    config.userName = u"用户一";
    config.password = u"p@ss 密码";
    config.token = "not persisted";
    config.autoRun = 0;
    config.savePassword = 1;
    config.autoGetSms = 1;
    config.autoExtractCode = 0;
    config.listAutoSort = 0;
    config.spaceTime = 1; // below the settings page's bounds: stored and loaded unchanged
    config.timeoutTime = 4294967295u;
    config.extractMode = 3;
    config.keywordHead = u"验证码：";
    config.keywordTail = u"，有效";
    config.codeLength = 4;
    config.windowTop = 7;
    config.apiHost = "127.0.0.1:8080";
    config.servicesHost = "localhost:9";
    config.webSite = "www.example.test";
    config.Save();
    ASSERT_EQ(tips.Count(), 0u) << tips.Errors()[0];

    ConfigCenter loaded(nullptr, TipRecorder::Callback, tips.Context());
    loaded.ResetToDefaults();
    loaded.Load();

    EXPECT_EQ(tips.Count(), 0u);
    EXPECT_EQ(loaded.userName, u"用户一");
    EXPECT_EQ(loaded.password, u"p@ss 密码");
    EXPECT_EQ(loaded.token, "");
    EXPECT_EQ(loaded.autoRun, 0u);
    EXPECT_EQ(loaded.savePassword, 1u);
    EXPECT_EQ(loaded.autoGetSms, 1u);
    EXPECT_EQ(loaded.autoExtractCode, 0u);
    EXPECT_EQ(loaded.listAutoSort, 0u);
    EXPECT_EQ(loaded.spaceTime, 1u);
    EXPECT_EQ(loaded.timeoutTime, 4294967295u);
    EXPECT_EQ(loaded.extractMode, 3u);
    EXPECT_EQ(loaded.keywordHead, u"验证码：");
    EXPECT_EQ(loaded.keywordTail, u"，有效");
    EXPECT_EQ(loaded.codeLength, 4u);
    EXPECT_EQ(loaded.windowTop, 7u);
    EXPECT_EQ(loaded.apiHost, "127.0.0.1:8080");
    EXPECT_EQ(loaded.servicesHost, "localhost:9");
    EXPECT_EQ(loaded.webSite, "www.example.test");
}

TEST_F(ConfigCenterTest, PasswordIsStoredInHexAndSavingTwiceKeepsIt)
{
    config.password = u"abc";
    config.savePassword = 1;
    config.Save();
    EXPECT_EQ(StoredString(kKey, u"LoginConfig_Pwd"), u"616263");
    EXPECT_EQ(config.password, u"abc");

    config.Save();
    EXPECT_EQ(StoredString(kKey, u"LoginConfig_Pwd"), u"616263");

    config.ResetToDefaults();
    config.Load();
    EXPECT_EQ(config.password, u"abc");
    EXPECT_EQ(tips.Count(), 0u);
}

struct HexCase
{
    std::u16string stored;
    std::u16string password;
};

class PasswordHexTest : public ::testing::TestWithParam<HexCase>
{
};

TEST_P(PasswordHexTest, DecodesTheStoredForm)
{
    EXPECT_EQ(HexDecode(GetParam().stored), GetParam().password);
}

INSTANTIATE_TEST_SUITE_P(StoredForms, PasswordHexTest,
                         ::testing::Values(HexCase{u"616263", u"abc"}, HexCase{u"61 62 63", u"abc"},
                                           HexCase{u"6a6B", u"jk"}, HexCase{u"E4B8AD", u"中"}, HexCase{u"616", u""},
                                           HexCase{u"6", u""}, HexCase{u"", u""}, HexCase{u"zz", u""}));

TEST(PasswordHexEncodeTest, WritesUppercasePairsAndRoundTrips)
{
    EXPECT_EQ(HexEncode(u"abc"), u"616263");
    EXPECT_EQ(HexEncode(u""), u"");
    EXPECT_EQ(HexEncode(u"\u00ff"), u"C3BF");
    for (std::u16string password : {u"abc", u"a b", u"中文 密码!", u"0"})
        EXPECT_EQ(HexDecode(HexEncode(password)), password);
}

TEST_F(ConfigCenterTest, SpacedStoredPasswordLoads)
{
    StoreString(u"LoginConfig_Pwd", u"61 62 63");
    config.Load();
    EXPECT_EQ(config.password, u"abc");
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(ConfigCenterTest, RememberPasswordOffLeavesNoStoredPassword)
{
    config.password = u"abc";
    config.savePassword = 1;
    config.Save();
    ASSERT_EQ(StoredString(kKey, u"LoginConfig_Pwd"), u"616263");

    config.savePassword = 0;
    config.Save();
    EXPECT_EQ(StoredString(kKey, u"LoginConfig_Pwd"), u"<absent>");
    EXPECT_EQ(tips.Count(), 0u);

    config.ResetToDefaults();
    config.Load();
    EXPECT_EQ(config.password, u"");
    EXPECT_EQ(config.savePassword, 0u);
}

// Two clients load the same store; each changes one thing and saves. Neither may undo what the
// other stored meanwhile: a save writes only what changed in its own process since it loaded.
TEST_F(ConfigCenterTest, SavesOfTwoClientsKeepEachOthersChanges)
{
    struct Change
    {
        const char* name;
        std::function<void(ConfigCenter&)> first;  // the client that saves first
        std::function<void(ConfigCenter&)> second; // the client that loaded before that save
        std::function<void(const ConfigCenter&)> check;
    };
    const Change changes[] = {
        {"two different values", [](ConfigCenter& c) { c.spaceTime = 5000; },
         [](ConfigCenter& c) { c.timeoutTime = 120000; },
         [](const ConfigCenter& c) {
             EXPECT_EQ(c.spaceTime, 5000u);
             EXPECT_EQ(c.timeoutTime, 120000u);
         }},
        {"a password remembered elsewhere survives a client that never remembered one",
         [](ConfigCenter& c) {
             c.password = u"secret";
             c.savePassword = 1;
         },
         [](ConfigCenter& c) { c.windowTop = 1; },
         [](const ConfigCenter& c) {
             EXPECT_EQ(c.password, u"secret");
             EXPECT_EQ(c.savePassword, 1u);
             EXPECT_EQ(c.windowTop, 1u);
         }},
        {"the same value: the later save wins", [](ConfigCenter& c) { c.keywordHead = u"为"; },
         [](ConfigCenter& c) { c.keywordHead = u"码"; },
         [](const ConfigCenter& c) { EXPECT_EQ(c.keywordHead, u"码"); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        TempSettingsDir store;
        ConfigCenter first{nullptr, TipRecorder::Callback, tips.Context()};
        ConfigCenter second{nullptr, TipRecorder::Callback, tips.Context()};
        for (ConfigCenter* client : {&first, &second}) {
            client->LocateExecutable();
            client->Load();
        }
        change.first(first);
        first.Save();
        change.second(second);
        second.Save();

        ConfigCenter reader{nullptr, TipRecorder::Callback, tips.Context()};
        reader.Load();
        change.check(reader);
    }
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(ConfigCenterTest, AutoRunWritesAndRemovesTheAutostartEntry)
{
    config.executablePath = u"/opt/borvan kh/bin/borvankh";
    config.autoRun = 1;
    config.Save();

    std::string entry = TempSettingsDir::ReadFile(dir.AutostartFile("ZeltoKH"));
    EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nExec=\"/opt/borvan kh/bin/borvankh\"\n"), std::string::npos) << entry;
    EXPECT_EQ(StoredString(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"ZeltoKH"),
              u"/opt/borvan kh/bin/borvankh");

    config.autoRun = 0;
    config.Save();
    EXPECT_FALSE(std::filesystem::exists(dir.AutostartFile("ZeltoKH")));
    config.Save(); // removing an absent entry is not an error
    EXPECT_EQ(tips.Count(), 0u);

    // Without a known executable there is nothing to start: no entry, and the write is reported.
    config.executablePath.clear();
    config.autoRun = 1;
    config.Save();
    EXPECT_FALSE(std::filesystem::exists(dir.AutostartFile("ZeltoKH")));
    EXPECT_EQ(tips.Errors(), std::vector<std::string>{"RegistryEditor.6."});
}

TEST_F(ConfigCenterTest, UnmanagedAutoRunEntryIsLeftAsItIsWhileTheValueIsSaved)
{
    config.executablePath = u"/opt/kh/borvankh";
    config.autoRun = 1;
    config.Save();
    std::string entry = TempSettingsDir::ReadFile(dir.AutostartFile("ZeltoKH"));
    ASSERT_FALSE(entry.empty());

    // Neither switching auto-run off nor another program path touches the entry.
    config.SetAutoRunEntryManaged(false);
    config.autoRun = 0;
    config.Save();
    EXPECT_EQ(TempSettingsDir::ReadFile(dir.AutostartFile("ZeltoKH")), entry);
    config.executablePath = u"/elsewhere/borvankh";
    config.autoRun = 1;
    config.Save();
    EXPECT_EQ(TempSettingsDir::ReadFile(dir.AutostartFile("ZeltoKH")), entry);
    std::filesystem::remove(dir.AutostartFile("ZeltoKH"));
    config.Save();
    EXPECT_FALSE(std::filesystem::exists(dir.AutostartFile("ZeltoKH")));

    // The stored setting itself follows the record.
    config.autoRun = 0;
    config.Save();
    ConfigCenter loaded{nullptr, TipRecorder::Callback, tips.Context()};
    loaded.Load();
    EXPECT_EQ(loaded.autoRun, 0u);
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(ConfigCenterTest, StringsLongerThanTheReadBufferFailWithTip2AndKeepTheDefault)
{
    struct Case
    {
        size_t length;
        bool loads;
    };
    for (Case c : {Case{1023, true}, Case{1024, false}, Case{5000, false}}) {
        SCOPED_TRACE(c.length);
        std::u16string head(c.length, u'字');
        StoreString(u"ExtractRuleConfig_KeywordHead", head);
        ASSERT_EQ(tips.Count(), 0u);

        config.ResetToDefaults();
        config.Load();
        if (c.loads) {
            EXPECT_EQ(config.keywordHead, head);
            EXPECT_EQ(tips.Count(), 0u);
        } else {
            EXPECT_EQ(config.keywordHead, u"");
            EXPECT_EQ(tips.Errors(), std::vector<std::string>{"RegistryEditor.2."});
        }
        tips.Clear();
    }
}

TEST_F(ConfigCenterTest, DamagedFileIsKeptAsideReportedAndNotOverwritten)
{
    const std::string damaged[] = {
        "{\"HKEY_CURRENT_USER\": {\"Software\\\\Zelto\\\\KH\": {\"LoginConfig_User\": ",
        "[1, 2, 3]",
        "{\"HKEY_CURRENT_USER\": {\"Software\\\\Zelto\\\\KH\": "
        "{\"GetSMSConfig_SpaceTime\": {\"type\": \"REG_DWORD\", \"data\": \"ten\"}}}}",
        "\xff\xfe garbage",
    };
    for (const std::string& content : damaged) {
        SCOPED_TRACE(content);
        std::filesystem::remove_all(dir.Path() + "/BorvanKH");
        dir.WriteSettingsFile(content);
        tips.Clear();
        config.ResetToDefaults();

        config.Load();

        EXPECT_EQ(config.spaceTime, 10000u);
        ASSERT_EQ(tips.Errors(), std::vector<std::string>{"RegistryEditor.15."});
        std::vector<std::filesystem::path> aside;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path() + "/BorvanKH")) {
            if (e.path().filename().string().rfind("registry.json.damaged-", 0) == 0)
                aside.push_back(e.path());
        }
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_NE(tips.Messages()[0].find(aside[0].string()), std::string::npos) << tips.Messages()[0];
        EXPECT_EQ(TempSettingsDir::ReadFile(aside[0].string()), content);

        config.spaceTime = 20000;
        config.Save();
        EXPECT_EQ(tips.Count(), 1u);
        EXPECT_EQ(TempSettingsDir::ReadFile(aside[0].string()), content);
        config.ResetToDefaults();
        config.Load();
        EXPECT_EQ(config.spaceTime, 20000u);
    }
}

TEST_F(ConfigCenterTest, SavedFileIsPrivateAndNoTemporaryFileRemains)
{
    config.Save();
    struct stat st;
    ASSERT_EQ(stat(dir.SettingsFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // Beside the store only the lock file that serialises writers of several processes.
    for (const auto& e : std::filesystem::directory_iterator(dir.Path() + "/BorvanKH"))
        EXPECT_TRUE(e.path().filename() == "registry.json" || e.path().filename() == "registry.json.lock") << e.path();
}

} // namespace
} // namespace kh
