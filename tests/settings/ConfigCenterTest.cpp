// ConfigCenter: defaults, and Load/Save through the settings store in a private settings root;
// what only one system's store shows is in posix/ConfigCenterFileTest.cpp and
// win32/ConfigCenterRegistryTest.cpp.

#include "settings/ConfigCenter.h"

#include "platform/TextCodec.h"
#include "settings/ConfigCenterFixture.h"
#include "settings/HostDefaults.h"
#include "settings/PasswordHex.h"
#include "settings/RegistryEditor.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace kh {
namespace {

using test::TempSettingsDir;
using test::TipRecorder;

TEST_F(ConfigCenterTest, ResetGivesEverySettingItsDefault)
{
    config.Update([&](SettingsValues& values) { values.userName = u"someone"; });
    config.SetToken("tok");
    config.Update([&](SettingsValues& values) {
        values.spaceTime = 1;
        values.apiHost = "127.0.0.1:1";
    });
    config.ResetToDefaults();

    EXPECT_EQ(config.Snapshot().userName, u"");
    EXPECT_EQ(config.Snapshot().password, u"");
    EXPECT_EQ(config.GetToken(), "");
    EXPECT_EQ(config.Snapshot().autoRun, 1u);
    EXPECT_EQ(config.Snapshot().savePassword, 0u);
    EXPECT_EQ(config.Snapshot().autoGetSms, 0u);
    EXPECT_EQ(config.Snapshot().autoExtractCode, 1u);
    EXPECT_EQ(config.Snapshot().listAutoSort, 1u);
    EXPECT_EQ(config.Snapshot().spaceTime, 10000u);
    EXPECT_EQ(config.Snapshot().timeoutTime, 600000u);
    EXPECT_EQ(config.Snapshot().extractMode, 0u);
    EXPECT_EQ(config.Snapshot().keywordHead, u"");
    EXPECT_EQ(config.Snapshot().keywordTail, u"");
    EXPECT_EQ(config.Snapshot().codeLength, 6u);
    EXPECT_EQ(config.Snapshot().windowTop, 0u);
    EXPECT_EQ(config.Snapshot().notifyOnCode, 1u);
    EXPECT_EQ(config.Snapshot().autoCopyCode, 0u);
    EXPECT_EQ(config.Snapshot().apiHost, kDefaultApiHost);
    EXPECT_EQ(config.Snapshot().servicesHost, kDefaultServicesHost);
    EXPECT_EQ(config.Snapshot().webSite, kDefaultWebSite);
}

TEST_F(ConfigCenterTest, SaveThenLoadRestoresEveryPersistedValue)
{
    config.Update([&](SettingsValues& values) {
        values.userName = u"用户一";
        values.password = u"p@ss 密码";
    });
    config.SetToken("not persisted");
    config.Update([&](SettingsValues& values) {
        values.autoRun = 0;
        values.savePassword = 1;
        values.autoGetSms = 1;
        values.autoExtractCode = 0;
        values.listAutoSort = 0;
        values.spaceTime = 1; // below the settings page's bounds: stored and loaded unchanged
        values.timeoutTime = 4294967295u;
        values.extractMode = 3;
        values.keywordHead = u"验证码：";
        values.keywordTail = u"，有效";
        values.codeLength = 4;
        values.windowTop = 7;
        values.apiHost = "127.0.0.1:8080";
        values.servicesHost = "localhost:9";
        values.webSite = "www.example.test";
    });
    config.Save();
    ASSERT_EQ(tips.Count(), 0u) << tips.Errors()[0];

    ConfigCenter loaded(nullptr, TipRecorder::Callback, tips.Context());
    loaded.ResetToDefaults();
    loaded.Load();

    EXPECT_EQ(tips.Count(), 0u);
    SettingsValues values = loaded.Snapshot();
    EXPECT_EQ(values.userName, u"用户一");
    EXPECT_EQ(values.password, u"p@ss 密码");
    EXPECT_EQ(loaded.GetToken(), "");
    EXPECT_EQ(values.autoRun, 0u);
    EXPECT_EQ(values.savePassword, 1u);
    EXPECT_EQ(values.autoGetSms, 1u);
    EXPECT_EQ(values.autoExtractCode, 0u);
    EXPECT_EQ(values.listAutoSort, 0u);
    EXPECT_EQ(values.spaceTime, 1u);
    EXPECT_EQ(values.timeoutTime, 4294967295u);
    EXPECT_EQ(values.extractMode, 3u);
    EXPECT_EQ(values.keywordHead, u"验证码：");
    EXPECT_EQ(values.keywordTail, u"，有效");
    EXPECT_EQ(values.codeLength, 4u);
    EXPECT_EQ(values.windowTop, 7u);
    EXPECT_EQ(values.apiHost, "127.0.0.1:8080");
    EXPECT_EQ(values.servicesHost, "localhost:9");
    EXPECT_EQ(values.webSite, "www.example.test");
}

TEST_F(ConfigCenterTest, RememberedPasswordIsKeptInTheCredentialStoreAndTheSettingsHoldItEmpty)
{
    config.Update([&](SettingsValues& values) {
        values.userName = u"alice";
        values.password = u"abc";
        values.savePassword = 1;
    });
    config.Save();
    EXPECT_EQ(StoredString(kKey, u"LoginConfig_Pwd"), u"");
    EXPECT_EQ(StoredCredential(u"alice", kDefaultApiHost), u"abc");
    EXPECT_EQ(config.PasswordKeptIn(), ConfigCenter::PasswordPlace::CredentialStore);
    EXPECT_EQ(config.Snapshot().password, u"abc");

    config.Save();
    EXPECT_EQ(StoredString(kKey, u"LoginConfig_Pwd"), u"");
    EXPECT_EQ(StoredCredential(u"alice", kDefaultApiHost), u"abc");

    ConfigCenter loaded(nullptr, TipRecorder::Callback, tips.Context());
    loaded.ResetToDefaults();
    loaded.Load();
    EXPECT_EQ(loaded.Snapshot().password, u"abc");
    EXPECT_EQ(loaded.PasswordKeptIn(), ConfigCenter::PasswordPlace::CredentialStore);
    EXPECT_EQ(tips.Count(), 0u);
}

// The item is named by the user and the API host: a second account, or the same account at another
// service, gets its own and leaves the first one's alone.
TEST_F(ConfigCenterTest, TwoAccountsKeepTheirOwnRememberedPasswords)
{
    config.Update([&](SettingsValues& values) {
        values.userName = u"alice";
        values.password = u"alice-pw";
        values.savePassword = 1;
    });
    config.Save();
    config.Update([&](SettingsValues& values) {
        values.userName = u"bob";
        values.password = u"bob-pw";
    });
    config.Save();
    config.Update([&](SettingsValues& values) {
        values.apiHost = "127.0.0.1:1";
        values.password = u"bob-at-loopback";
    });
    config.Save();

    EXPECT_EQ(StoredCredential(u"alice", kDefaultApiHost), u"alice-pw");
    EXPECT_EQ(StoredCredential(u"bob", kDefaultApiHost), u"bob-pw");
    EXPECT_EQ(StoredCredential(u"bob", "127.0.0.1:1"), u"bob-at-loopback");
    ConfigCenter loaded(nullptr, TipRecorder::Callback, tips.Context());
    loaded.ResetToDefaults();
    loaded.Load();
    EXPECT_EQ(loaded.Snapshot().userName, u"bob");
    EXPECT_EQ(loaded.Snapshot().password, u"bob-at-loopback");
    EXPECT_EQ(tips.Count(), 0u);
}

// An older version kept the password only in its hexadecimal form. It still signs in, and the next
// save moves it into the credential store and empties the settings' copy, even when nothing changed.
TEST_F(ConfigCenterTest, HexPasswordOfAnOlderVersionMovesToTheCredentialStoreAtTheNextSave)
{
    StoreString(u"LoginConfig_User", u"carol");
    StoreString(u"LoginConfig_Pwd", u"616263");
    StoreNumber(u"StartupConfig_SavePwd", 1);
    config.Load();
    EXPECT_EQ(config.Snapshot().password, u"abc");
    EXPECT_EQ(config.PasswordKeptIn(), ConfigCenter::PasswordPlace::Settings);
    EXPECT_EQ(StoredCredential(u"carol", kDefaultApiHost), u"<absent>");

    config.Save();
    EXPECT_EQ(StoredCredential(u"carol", kDefaultApiHost), u"abc");
    EXPECT_EQ(StoredString(kKey, u"LoginConfig_Pwd"), u"");
    EXPECT_EQ(config.PasswordKeptIn(), ConfigCenter::PasswordPlace::CredentialStore);

    ConfigCenter loaded(nullptr, TipRecorder::Callback, tips.Context());
    loaded.ResetToDefaults();
    loaded.Load();
    EXPECT_EQ(loaded.Snapshot().password, u"abc");
    EXPECT_EQ(loaded.PasswordKeptIn(), ConfigCenter::PasswordPlace::CredentialStore);
    EXPECT_EQ(tips.Count(), 0u);
}

// A save cut short after the credential store took the new password but before the settings lost
// the old hexadecimal form leaves both; the credential store's is the newer one.
TEST_F(ConfigCenterTest, CredentialStoreWinsOverAHexFormLeftBehind)
{
    StoreString(u"LoginConfig_User", u"dave");
    StoreString(u"LoginConfig_Pwd", HexEncode(u"old"));
    StoreNumber(u"StartupConfig_SavePwd", 1);
    ASSERT_EQ(SaveCredential({"BorvanKH", "dave", kDefaultApiHost}, u"new").status, CredentialStatus::Done);
    config.Load();
    EXPECT_EQ(config.Snapshot().password, u"new");
    config.Save();
    EXPECT_EQ(StoredString(kKey, u"LoginConfig_Pwd"), u"");
    EXPECT_EQ(StoredCredential(u"dave", kDefaultApiHost), u"new");
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
                                           HexCase{u"6a6B", u"jk"}, HexCase{u"616", u""}, HexCase{u"6", u""},
                                           HexCase{u"", u""}, HexCase{u"zz", u""}));

// The bytes of non-ASCII passwords are those of the system's ANSI code page:
// posix/PasswordHexFormTest.cpp and win32/PasswordHexFormTest.cpp.
TEST(PasswordHexEncodeTest, WritesUppercasePairsAndRoundTrips)
{
    EXPECT_EQ(HexEncode(u"abc"), u"616263");
    EXPECT_EQ(HexEncode(u""), u"");
    for (std::u16string password : {u"abc", u"a b", u"中文 密码!", u"0"})
        EXPECT_EQ(HexDecode(HexEncode(password)), password);
}

TEST_F(ConfigCenterTest, SpacedStoredPasswordLoads)
{
    StoreString(u"LoginConfig_Pwd", u"61 62 63");
    config.Load();
    EXPECT_EQ(config.Snapshot().password, u"abc");
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(ConfigCenterTest, RememberPasswordOffLeavesNoStoredPassword)
{
    config.Update([&](SettingsValues& values) {
        values.userName = u"erin";
        values.password = u"abc";
        values.savePassword = 1;
    });
    config.Save();
    ASSERT_EQ(StoredCredential(u"erin", kDefaultApiHost), u"abc");
    // A hexadecimal form an older version left is removed as well.
    StoreString(u"LoginConfig_Pwd", u"616263");

    config.Update([&](SettingsValues& values) { values.savePassword = 0; });
    config.Save();
    EXPECT_EQ(StoredString(kKey, u"LoginConfig_Pwd"), u"<absent>");
    EXPECT_EQ(StoredCredential(u"erin", kDefaultApiHost), u"<absent>");
    EXPECT_EQ(config.PasswordKeptIn(), ConfigCenter::PasswordPlace::None);
    EXPECT_EQ(tips.Count(), 0u);

    config.ResetToDefaults();
    config.Load();
    EXPECT_EQ(config.Snapshot().password, u"");
    EXPECT_EQ(config.Snapshot().savePassword, 0u);
}

// Two clients load the same store; each changes one thing and saves. Neither may undo what the
// other stored meanwhile: a save writes only what changed in its own process since it loaded.
TEST_F(ConfigCenterTest, SavesOfTwoClientsKeepEachOthersChanges)
{
    struct Change
    {
        const char* name;
        std::function<void(SettingsValues&)> first;  // the client that saves first
        std::function<void(SettingsValues&)> second; // the client that loaded before that save
        std::function<void(const SettingsValues&)> check;
    };
    const Change changes[] = {
        {"two different values", [](SettingsValues& c) { c.spaceTime = 5000; },
         [](SettingsValues& c) { c.timeoutTime = 120000; },
         [](const SettingsValues& c) {
             EXPECT_EQ(c.spaceTime, 5000u);
             EXPECT_EQ(c.timeoutTime, 120000u);
         }},
        {"a password remembered elsewhere survives a client that never remembered one",
         [](SettingsValues& c) {
             c.password = u"secret";
             c.savePassword = 1;
         },
         [](SettingsValues& c) { c.windowTop = 1; },
         [](const SettingsValues& c) {
             EXPECT_EQ(c.password, u"secret");
             EXPECT_EQ(c.savePassword, 1u);
             EXPECT_EQ(c.windowTop, 1u);
         }},
        {"the same value: the later save wins", [](SettingsValues& c) { c.keywordHead = u"为"; },
         [](SettingsValues& c) { c.keywordHead = u"码"; },
         [](const SettingsValues& c) { EXPECT_EQ(c.keywordHead, u"码"); }},
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
        first.Update(change.first);
        first.Save();
        second.Update(change.second);
        second.Save();

        ConfigCenter reader{nullptr, TipRecorder::Callback, tips.Context()};
        reader.Load();
        change.check(reader.Snapshot());
    }
    EXPECT_EQ(tips.Count(), 0u);
}

// A stored host that cannot be a host is reported as the bad setting it is, named, and the default
// is used, instead of every request failing as a network failure.
TEST_F(ConfigCenterTest, StoredHostThatCannotBeAHostIsReportedByName)
{
    // The client connects over IPv4 only: an IPv6 API host could never be reached.
    for (const char16_t* bad : {u"127.0.0.1:99999", u"api host", u"http://x/p", u"host:", u"[::1]:8080"}) {
        SCOPED_TRACE(WideToAnsi(bad));
        StoreString(u"ServerConfig_ApiHost", bad);
        StoreString(u"ServerConfig_WebSite", u"https://web.example:8443");
        tips.Clear();
        config.ResetToDefaults();
        config.Load();
        EXPECT_EQ(config.GetApiHost(), kDefaultApiHost);
        EXPECT_EQ(config.GetWebSite(), "https://web.example:8443");
        EXPECT_EQ(tips.Messages(), std::vector<std::string>{"设置 ServerConfig_ApiHost 的值“" + WideToAnsi(bad) +
                                                            "”不是有效的主机地址（应为“主机”或“主机:端口”，端口 1 至 "
                                                            "65535），本次使用默认值 " +
                                                            kDefaultApiHost + "。"});
        EXPECT_EQ(tips.Errors(), std::vector<std::string>{""});
    }
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
            EXPECT_EQ(config.Snapshot().keywordHead, head);
            EXPECT_EQ(tips.Count(), 0u);
        } else {
            EXPECT_EQ(config.Snapshot().keywordHead, u"");
            EXPECT_EQ(tips.Errors(), std::vector<std::string>{"RegistryEditor.2."});
        }
        tips.Clear();
    }
}

} // namespace
} // namespace kh
