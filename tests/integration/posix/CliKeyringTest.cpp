// borvankh-cli's remembered password with each kind of session bus it may meet: a keyring that
// answers, a bus on which no keyring runs, a keyring that never answers, and no bus at all. Each
// client is a process of its own, so each connects afresh to the bus the case sets up.

#include "platform/CredentialStore.h"
#include "platform/TextCodec.h"
#include "settings/PasswordHex.h"
#include "support/ChildProcess.h"
#include "support/PrivateKeyring.h"
#include "support/TempSettingsDir.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kh {
namespace {

using test::PrivateKeyring;
using test::TempSettingsDir;

constexpr const char* kInKeyring = "LoginConfig_Pwd=(stored in the Secret Service keyring)\n";
constexpr const char* kUnprotected = "LoginConfig_Pwd=(stored unprotected in the settings, as hexadecimal digits: ";
// The tip of a run that keeps the password in the settings.
constexpr const char* kUnprotectedTip = "记住的密码未加密";

// One client run may ask the store twice (Load, then Save), each within the store's bound and the
// grace a cancelled call gets; the rest is the client's own start and end. A store that does not
// answer would otherwise hold each call for D-Bus's own 25 seconds.
constexpr auto kRunBound = std::chrono::milliseconds(2 * (kCredentialTimeoutMs + 500) + 3000);

struct ClientRun
{
    test::ProcessResult result;
    std::chrono::milliseconds took{};
};

class CliKeyringTest : public ::testing::Test
{
protected:
    ClientRun Cli(const std::vector<std::string>& args, const std::string& input = {})
    {
        std::vector<std::string> argv = {KH_BORVANKH_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        auto start = std::chrono::steady_clock::now();
        ClientRun run{test::RunProcess(argv, input, environment), {}};
        run.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        return run;
    }

    std::string SettingsFile() const { return TempSettingsDir::ReadFile(settings.SettingsFile()); }

    static size_t Occurrences(const std::string& text, const std::string& part)
    {
        size_t count = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
            ++count;
        return count;
    }

    TempSettingsDir settings;
    std::vector<std::string> environment;
};

TEST_F(CliKeyringTest, PasswordGoesToTheKeyringAndNeverIntoTheSettingsFile)
{
    PrivateKeyring keyring;
    ASSERT_TRUE(keyring.Ready()) << keyring.Error();
    ASSERT_EQ(Cli({"set", "user", "alice"}).result.status, 0);

    ClientRun set = Cli({"set", "password"}, "Secret-pw-1\n");
    ASSERT_EQ(set.result.status, 0) << set.result.err;
    EXPECT_EQ(set.result.out, kInKeyring);
    EXPECT_EQ(set.result.err, "");
    std::string file = SettingsFile();
    EXPECT_EQ(file.find("Secret-pw-1"), std::string::npos) << file;
    EXPECT_EQ(file.find(WideToUtf8(HexEncode(u"Secret-pw-1"))), std::string::npos) << file;

    ClientRun shown = Cli({"show"});
    EXPECT_NE(shown.result.out.find(kInKeyring), std::string::npos) << shown.result.out;
    EXPECT_EQ(shown.result.out.find("Secret-pw-1"), std::string::npos);
    EXPECT_EQ(shown.result.err, "");
}

// A password kept in the settings while there was no keyring moves into the keyring with the next
// save once there is one, whatever that save is about.
TEST_F(CliKeyringTest, PasswordKeptWithoutAKeyringMovesIntoOneLater)
{
    environment = {"DBUS_SESSION_BUS_ADDRESS"};
    ASSERT_EQ(Cli({"set", "user", "bob"}).result.status, 0);
    ASSERT_EQ(Cli({"set", "password"}, "pw-before\n").result.status, 0);
    std::string hex = WideToUtf8(HexEncode(u"pw-before"));
    ASSERT_NE(SettingsFile().find(hex), std::string::npos);

    environment.clear();
    PrivateKeyring keyring;
    ASSERT_TRUE(keyring.Ready()) << keyring.Error();
    ClientRun shown = Cli({"show"});
    EXPECT_NE(shown.result.out.find("LoginConfig_Pwd=(stored unprotected in the settings"), std::string::npos)
        << shown.result.out;
    ASSERT_EQ(Cli({"set", "GetSMSConfig_SpaceTime", "5000"}).result.status, 0);
    EXPECT_EQ(SettingsFile().find(hex), std::string::npos) << SettingsFile();
    EXPECT_NE(Cli({"show"}).result.out.find(kInKeyring), std::string::npos);
}

struct NoStoreCase
{
    const char* name;
    std::optional<PrivateKeyring::Service> bus; // none: no session bus at all
    const char* why;                            // part of the reason the client gives
};

class CliWithoutKeyringTest : public CliKeyringTest, public ::testing::WithParamInterface<NoStoreCase>
{
};

// The password is kept as before, in the settings' hexadecimal form, and each run says once, with
// the reason, that it is unprotected; no run waits for a store beyond the bound.
TEST_P(CliWithoutKeyringTest, PasswordIsKeptInTheSettingsWithOneTipPerRun)
{
    const NoStoreCase& c = GetParam();
    std::unique_ptr<PrivateKeyring> keyring;
    std::string runtime = settings.Path() + "/run";
    if (c.bus) {
        keyring = std::make_unique<PrivateKeyring>(*c.bus);
        ASSERT_TRUE(keyring->Ready()) << keyring->Error();
    } else {
        // Neither an address nor the runtime folder's socket: a client must not start a bus of its own.
        std::filesystem::create_directories(runtime);
        environment = {"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR=" + runtime};
    }
    ASSERT_EQ(Cli({"set", "user", "carol"}).result.status, 0);

    for (const char* password : {"pw-one", "pw-two"}) {
        SCOPED_TRACE(password);
        ClientRun set = Cli({"set", "password"}, std::string(password) + "\n");
        ASSERT_EQ(set.result.status, 0) << set.result.err;
        EXPECT_LT(set.took, kRunBound);
        EXPECT_EQ(set.result.out.rfind(kUnprotected, 0), 0u) << set.result.out;
        EXPECT_NE(set.result.out.find(c.why), std::string::npos) << set.result.out;
        // The second run finds the first's hexadecimal form at its start and fails to store the new
        // password at its end: still one tip.
        EXPECT_EQ(Occurrences(set.result.err, kUnprotectedTip), 1u) << set.result.err;
        EXPECT_NE(set.result.err.find(c.why), std::string::npos) << set.result.err;
        EXPECT_NE(SettingsFile().find("\"" + WideToUtf8(HexEncode(Utf8ToWide(password))) + "\""), std::string::npos)
            << SettingsFile();
    }
    ClientRun shown = Cli({"show"});
    EXPECT_LT(shown.took, kRunBound);
    EXPECT_NE(shown.result.out.find(kUnprotected), std::string::npos) << shown.result.out;
    EXPECT_EQ(shown.result.out.find("pw-two"), std::string::npos);
    EXPECT_EQ(std::filesystem::exists(runtime + "/bus"), false);
}

INSTANTIATE_TEST_SUITE_P(
    Buses, CliWithoutKeyringTest,
    ::testing::Values(NoStoreCase{"NoSessionBus", std::nullopt, "no D-Bus session bus"},
                      NoStoreCase{"NoKeyringOnTheBus", PrivateKeyring::Service::BusOnly, "org.freedesktop.secrets"},
                      NoStoreCase{"KeyringThatNeverAnswers", PrivateKeyring::Service::Frozen, "did not answer within"}),
    [](const ::testing::TestParamInfo<NoStoreCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace kh
