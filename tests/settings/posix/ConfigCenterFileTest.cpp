// ConfigCenter on the Linux settings store: the settings file and the desktop auto-run entry.

#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "settings/ConfigCenterFixture.h"
#include "settings/HostDefaults.h"
#include "settings/PasswordHex.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"

#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kh {
namespace {

using test::TempSettingsDir;
using test::TipRecorder;

TEST_F(ConfigCenterTest, LocateExecutableCutsTheDirectoryAtTheLastSlash)
{
    config.LocateExecutable();
    ASSERT_FALSE(config.ExecutablePath().empty());
    EXPECT_EQ(config.ExecutablePath(), AnsiToWide(std::filesystem::read_symlink("/proc/self/exe").string()));
    EXPECT_EQ(config.ExecutableDirectory(), config.ExecutablePath().substr(0, config.ExecutablePath().rfind(u'/')));
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(ConfigCenterTest, FirstStartKeepsDefaultsWithoutTipAndCreatesTheKey)
{
    config.Load();

    EXPECT_EQ(tips.Count(), 0u);
    EXPECT_EQ(config.Snapshot().autoRun, 1u);
    EXPECT_EQ(config.Snapshot().spaceTime, 10000u);
    EXPECT_EQ(config.Snapshot().codeLength, 6u);
    EXPECT_EQ(config.Snapshot().password, u"");
    EXPECT_EQ(config.Snapshot().apiHost, kDefaultApiHost);
    std::string file = TempSettingsDir::ReadFile(dir.SettingsFile());
    EXPECT_NE(file.find("Software\\\\Zelto\\\\KH"), std::string::npos) << file;
}

TEST_F(ConfigCenterTest, SettingsFileHoldsNoFormOfARememberedPassword)
{
    const std::u16string password = u"Plain-密码-9";
    config.Update([&](SettingsValues& values) {
        values.userName = u"frank";
        values.password = password;
        values.savePassword = 1;
    });
    config.Save();
    ASSERT_EQ(StoredCredential(u"frank", kDefaultApiHost), password);

    std::string file = TempSettingsDir::ReadFile(dir.SettingsFile());
    ASSERT_NE(file.find("LoginConfig_Pwd"), std::string::npos) << file;
    std::string hex = WideToUtf8(HexEncode(password));
    for (const std::string& form : {WideToUtf8(password), hex, std::string("Plain")}) {
        EXPECT_EQ(file.find(form), std::string::npos) << form << " in " << file;
        std::string lower = form;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(file.find(lower), std::string::npos) << lower << " in " << file;
    }
}

TEST_F(ConfigCenterTest, AutoRunWritesAndRemovesTheAutostartEntry)
{
    config.SetExecutableLocation(u"", u"/opt/borvan kh/bin/borvankh");
    config.Update([&](SettingsValues& values) { values.autoRun = 1; });
    config.Save();

    std::string entry = TempSettingsDir::ReadFile(dir.AutostartFile("ZeltoKH"));
    EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nExec=\"/opt/borvan kh/bin/borvankh\"\n"), std::string::npos) << entry;
    EXPECT_EQ(StoredString(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"ZeltoKH"),
              u"/opt/borvan kh/bin/borvankh");

    config.Update([&](SettingsValues& values) { values.autoRun = 0; });
    config.Save();
    EXPECT_FALSE(std::filesystem::exists(dir.AutostartFile("ZeltoKH")));
    config.Save(); // removing an absent entry is not an error
    EXPECT_EQ(tips.Count(), 0u);

    // Without a known executable there is nothing to start: no entry, and the write is reported.
    config.SetExecutableLocation(u"", u"");
    config.Update([&](SettingsValues& values) { values.autoRun = 1; });
    config.Save();
    EXPECT_FALSE(std::filesystem::exists(dir.AutostartFile("ZeltoKH")));
    EXPECT_EQ(tips.Errors(), std::vector<std::string>{"RegistryEditor.6."});
}

TEST_F(ConfigCenterTest, UnmanagedAutoRunEntryIsLeftAsItIsWhileTheValueIsSaved)
{
    config.SetExecutableLocation(u"", u"/opt/kh/borvankh");
    config.Update([&](SettingsValues& values) { values.autoRun = 1; });
    config.Save();
    std::string entry = TempSettingsDir::ReadFile(dir.AutostartFile("ZeltoKH"));
    ASSERT_FALSE(entry.empty());

    // Neither switching auto-run off nor another program path touches the entry.
    config.SetAutoRunEntryManaged(false);
    config.Update([&](SettingsValues& values) { values.autoRun = 0; });
    config.Save();
    EXPECT_EQ(TempSettingsDir::ReadFile(dir.AutostartFile("ZeltoKH")), entry);
    config.SetExecutableLocation(u"", u"/elsewhere/borvankh");
    config.Update([&](SettingsValues& values) { values.autoRun = 1; });
    config.Save();
    EXPECT_EQ(TempSettingsDir::ReadFile(dir.AutostartFile("ZeltoKH")), entry);
    std::filesystem::remove(dir.AutostartFile("ZeltoKH"));
    config.Save();
    EXPECT_FALSE(std::filesystem::exists(dir.AutostartFile("ZeltoKH")));

    // The stored setting itself follows the record.
    config.Update([&](SettingsValues& values) { values.autoRun = 0; });
    config.Save();
    ConfigCenter loaded{nullptr, TipRecorder::Callback, tips.Context()};
    loaded.Load();
    EXPECT_EQ(loaded.Snapshot().autoRun, 0u);
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(ConfigCenterTest, DamagedFileIsKeptAsideReportedAndNotOverwritten)
{
    const std::string damaged[] = {
        "{\"HKEY_CURRENT_USER\": {\"Software\\\\Zelto\\\\KH\": {\"LoginConfig_User\": ",
        "[1, 2, 3]",
        "{\"HKEY_CURRENT_USER\": {\"Software\\\\Zelto\\\\KH\": "
        "{\"GetSMSConfig_SpaceTime\": {\"type\": \"REG_DWORD\", \"data\": \"ten\"}}}}",
        "\xff\xfe garbage",
        "",
    };
    for (const std::string& content : damaged) {
        SCOPED_TRACE(content);
        std::filesystem::remove_all(dir.Path() + "/BorvanKH");
        dir.WriteSettingsFile(content);
        tips.Clear();
        config.ResetToDefaults();

        config.Load();

        EXPECT_EQ(config.Snapshot().spaceTime, 10000u);
        ASSERT_EQ(tips.Errors(), std::vector<std::string>{"RegistryEditor.15."});
        std::vector<std::filesystem::path> aside;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path() + "/BorvanKH")) {
            if (e.path().filename().string().rfind("registry.json.damaged-", 0) == 0)
                aside.push_back(e.path());
        }
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_NE(tips.Messages()[0].find(aside[0].string()), std::string::npos) << tips.Messages()[0];
        EXPECT_EQ(TempSettingsDir::ReadFile(aside[0].string()), content);

        config.Update([&](SettingsValues& values) { values.spaceTime = 20000; });
        config.Save();
        EXPECT_EQ(tips.Count(), 1u);
        EXPECT_EQ(TempSettingsDir::ReadFile(aside[0].string()), content);
        config.ResetToDefaults();
        config.Load();
        EXPECT_EQ(config.Snapshot().spaceTime, 20000u);
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
