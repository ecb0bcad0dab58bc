// The settings table: every entry reaches the store under its own name and type and comes back,
// names and aliases find one entry each, values given as text are checked, and a snapshot is one
// consistent copy.

#include "settings/SettingsTable.h"

#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "settings/RegistryEditor.h"
#include "support/PrivateKeyring.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"
#include "support/WaitUntil.h"

#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace kh {
namespace {

using test::TempSettingsDir;
using test::TipRecorder;

// A valid value for each entry, different from its default and from every other entry's value,
// so an entry that shares a member or a stored name with another cannot come back right.
std::string DistinctValue(const SettingEntry& entry, size_t index)
{
    switch (entry.type) {
    case SettingType::Number:
        return std::to_string(1000 + index);
    case SettingType::Host:
        return "host" + std::to_string(index) + ".test:" + std::to_string(1000 + index);
    case SettingType::Text:
    case SettingType::Password:
        return "值 " + std::to_string(index) + " " + entry.name;
    }
    return {};
}

class SettingsTableTest : public ::testing::Test
{
protected:
    SettingsTableTest()
    {
        config.LocateExecutable();
        config.ResetToDefaults();
    }

    // The remembered password goes to a keyring of the program's own.
    void SetUp() override { ASSERT_TRUE(test::SharedKeyring().Ready()) << test::SharedKeyring().Error(); }

    TempSettingsDir dir;
    TipRecorder tips;
    ConfigCenter config{nullptr, TipRecorder::Callback, tips.Context()};
};

TEST_F(SettingsTableTest, EveryEntryIsStoredUnderItsNameAndTypeAndLoadsBack)
{
    auto table = SettingsTable();
    for (size_t i = 0; i < table.size(); ++i) {
        std::string problem;
        ASSERT_TRUE(config.SetSettingText(table[i], DistinctValue(table[i], i), problem)) << problem;
    }
    config.Save();
    ASSERT_EQ(tips.Count(), 0u) << tips.Errors()[0];

    // The store as any reader sees it: numbers as REG_DWORD, the rest as REG_SZ, the password
    // empty (it is in the credential store).
    TipRecorder readTips;
    RegistryEditor editor(TipRecorder::Callback, readTips.Context());
    editor.SetKey(RootKey::CurrentUser, u"Software\\Zelto\\KH");
    for (size_t i = 0; i < table.size(); ++i) {
        SCOPED_TRACE(table[i].name);
        std::u16string name = AnsiToWide(table[i].name);
        std::string expected = DistinctValue(table[i], i);
        if (table[i].type == SettingType::Number) {
            uint32_t stored = 0;
            editor.ReadDword(name, stored);
            EXPECT_EQ(std::to_string(stored), expected);
        } else {
            std::u16string stored = u"<absent>";
            editor.ReadString(name, stored);
            EXPECT_EQ(stored, table[i].type == SettingType::Password ? std::u16string() : AnsiToWide(expected));
        }
        EXPECT_EQ(readTips.Count(), 0u);
        readTips.Clear();
    }

    ConfigCenter loaded(nullptr, TipRecorder::Callback, tips.Context());
    loaded.ResetToDefaults();
    loaded.Load();
    EXPECT_EQ(tips.Count(), 0u);
    for (size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(loaded.GetSettingText(table[i]), DistinctValue(table[i], i)) << table[i].name;
}

TEST_F(SettingsTableTest, LoadWithoutStoredValuesKeepsEveryDefault)
{
    SettingsValues defaults = DefaultSettings();
    config.Load();
    EXPECT_EQ(tips.Count(), 0u);
    for (const SettingEntry& entry : SettingsTable())
        EXPECT_EQ(config.GetSettingText(entry), SettingText(defaults, entry)) << entry.name;
    // The values a later change reads: no extra CA file, certificates checked.
    EXPECT_EQ(config.Snapshot().tlsCaFile, u"");
    EXPECT_EQ(config.Snapshot().tlsInsecure, 0u);
}

TEST_F(SettingsTableTest, ResetRestoresEveryEntrysDefault)
{
    auto table = SettingsTable();
    std::string problem;
    for (size_t i = 0; i < table.size(); ++i)
        ASSERT_TRUE(config.SetSettingText(table[i], DistinctValue(table[i], i), problem)) << problem;
    config.SetToken("tok");

    config.ResetToDefaults();

    SettingsValues defaults = DefaultSettings();
    for (const SettingEntry& entry : table)
        EXPECT_EQ(config.GetSettingText(entry), SettingText(defaults, entry)) << entry.name;
    EXPECT_EQ(config.GetToken(), "");
}

TEST(SettingsTableLookupTest, EveryNameAndAliasFindsItsOwnEntry)
{
    std::set<std::string> seen;
    for (const SettingEntry& entry : SettingsTable()) {
        EXPECT_TRUE(seen.insert(entry.name).second) << "duplicate " << entry.name;
        EXPECT_EQ(FindSetting(entry.name), &entry);
        if (entry.alias != nullptr) {
            EXPECT_TRUE(seen.insert(entry.alias).second) << "duplicate " << entry.alias;
            EXPECT_EQ(FindSetting(entry.alias), &entry);
        }
    }
    for (const char* unknown : {"", "NoSuchSetting", "User", "getsmsconfig_spacetime", "api-host "})
        EXPECT_EQ(FindSetting(unknown), nullptr) << unknown;

    const SettingEntry* password = FindSetting("password");
    ASSERT_NE(password, nullptr);
    EXPECT_STREQ(password->name, "LoginConfig_Pwd");
    EXPECT_TRUE(password->IsSecret());
    for (const SettingEntry& entry : SettingsTable())
        EXPECT_EQ(entry.IsSecret(), &entry == password) << entry.name;
}

struct TextCase
{
    const char* setting;
    const char* text;
    bool valid;
};

class SettingTextCheckTest : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(SettingTextCheckTest, AcceptsOnlyValuesOfTheSettingsType)
{
    const TextCase& c = GetParam();
    const SettingEntry* entry = FindSetting(c.setting);
    ASSERT_NE(entry, nullptr);
    std::string problem;
    EXPECT_EQ(CheckSettingText(*entry, c.text, problem), c.valid);
    EXPECT_EQ(problem.empty(), c.valid) << problem;
    if (!c.valid) {
        EXPECT_EQ(problem.rfind(entry->name, 0), 0u) << problem;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingTextCheckTest,
    ::testing::Values(
        TextCase{"GetSMSConfig_SpaceTime", "0", true}, TextCase{"GetSMSConfig_SpaceTime", "4294967295", true},
        TextCase{"GetSMSConfig_SpaceTime", "0000000001", true}, TextCase{"GetSMSConfig_SpaceTime", "4294967296", false},
        TextCase{"GetSMSConfig_SpaceTime", "99999999999", false}, TextCase{"GetSMSConfig_SpaceTime", "-5", false},
        TextCase{"GetSMSConfig_SpaceTime", "", false}, TextCase{"GetSMSConfig_SpaceTime", "12a", false},
        TextCase{"GetSMSConfig_SpaceTime", " 12", false}, TextCase{"StartupConfig_AutoRun", "+1", false},
        TextCase{"tls-insecure", "1", true}, TextCase{"api-host", "h", true},
        TextCase{"api-host", "127.0.0.1:8080", true}, TextCase{"api-host", "h:1", true},
        TextCase{"api-host", "h:65535", true}, TextCase{"api-host", "h:0", false},
        TextCase{"api-host", "h:65536", false}, TextCase{"api-host", "h:", false}, TextCase{"api-host", ":80", false},
        TextCase{"ServerConfig_WebSite", "http://x/", true}, TextCase{"ServerConfig_WebSite", "ftp://x", false},
        TextCase{"ServerConfig_WebSite", "[::1]:8080", true}, TextCase{"api-host", "[::1]:8080", false},
        TextCase{"services-host", "https://[::1]", false}, TextCase{"api-host", "https://h:8443", true},
        TextCase{"api-host", "https://", false}, TextCase{"api-host", "https://h/p", false},
        TextCase{"ServerConfig_WebSite", "user@h", false}, TextCase{"services-host", "a b", false},
        TextCase{"services-host", "", false}, TextCase{"user", "", true}, TextCase{"user", "any text: at all/", true},
        TextCase{"ExtractRuleConfig_KeywordTail", "", true}, TextCase{"tls-ca-file", "/etc/ssl/ca.pem", true}));

TEST_F(SettingsTableTest, RefusedTextLeavesTheRecordUnchanged)
{
    const SettingEntry* interval = FindSetting("GetSMSConfig_SpaceTime");
    const SettingEntry* host = FindSetting("api-host");
    ASSERT_NE(interval, nullptr);
    ASSERT_NE(host, nullptr);
    std::string problem;

    EXPECT_FALSE(config.SetSettingText(*interval, "-5", problem));
    EXPECT_EQ(problem, "GetSMSConfig_SpaceTime takes a number from 0 to 4294967295");
    EXPECT_FALSE(config.SetSettingText(*host, "http://x/p", problem));
    EXPECT_EQ(problem, "ServerConfig_ApiHost takes \"host\" or \"host:port\", optionally after \"http://\" or "
                       "\"https://\"");
    EXPECT_FALSE(config.SetSettingText(*host, "[::1]:8080", problem));
    EXPECT_EQ(problem, "ServerConfig_ApiHost takes a host name or an IPv4 address: the client connects over IPv4");
    EXPECT_EQ(config.Snapshot().spaceTime, 10000u);
    EXPECT_EQ(config.Snapshot().apiHost, DefaultSettings().apiHost);

    EXPECT_TRUE(config.SetSettingText(*interval, "4294967295", problem));
    EXPECT_EQ(config.Snapshot().spaceTime, 4294967295u);
    EXPECT_EQ(config.GetSettingText(*interval), "4294967295");
}

TEST_F(SettingsTableTest, SnapshotIsOneConsistentCopy)
{
    // A writer keeps the interval and the time-out equal in each update; a snapshot
    // taken piece by piece would catch them apart.
    config.Update([&](SettingsValues& values) {
        values.spaceTime = values.timeoutTime = 0;
        values.keywordHead.clear();
    });
    std::atomic<bool> started{false};
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (uint32_t i = 0; !stop; ++i) {
            config.Update([&](SettingsValues& values) {
                values.spaceTime = i;
                values.keywordHead = std::u16string(i % 64, u'x');
                values.timeoutTime = i;
            });
            started = true;
        }
    });
    bool running = test::WaitUntil([&] { return started.load(); });
    size_t torn = 0;
    for (int i = 0; running && i < 100000; ++i) {
        SettingsValues copy = config.Snapshot();
        if (copy.spaceTime != copy.timeoutTime || copy.keywordHead.size() != copy.spaceTime % 64)
            ++torn;
    }
    stop = true;
    writer.join();
    EXPECT_TRUE(running) << "the writer did not start";
    EXPECT_EQ(torn, 0u);
}

} // namespace
} // namespace kh
