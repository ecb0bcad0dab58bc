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
            EXPECT_EQ(config.keywordHead, head);
            EXPECT_EQ(tips.Count(), 0u);
        } else {
            EXPECT_EQ(config.keywordHead, u"");
            EXPECT_EQ(tips.Errors(), std::vector<std::string>{"RegistryEditor.2."});
        }
        tips.Clear();
    }
}

} // namespace
} // namespace kh
