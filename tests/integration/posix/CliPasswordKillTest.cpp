// A client killed (SIGKILL) at a random moment while it saves a remembered password never loses
// it: afterwards the password is the one before the save or the new one, in the keyring or in the
// settings' hexadecimal form. The saves are those of borvankh-cli, against a keyring of the test's
// own; what they left is read back with a fresh ConfigCenter in this process.

#include "platform/CredentialStore.h"
#include "settings/ConfigCenter.h"
#include "settings/HostDefaults.h"
#include "settings/PasswordHex.h"
#include "settings/RegistryEditor.h"
#include "support/ChildProcess.h"
#include "support/PrivateKeyring.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kh {
namespace {

constexpr int kRounds = 30;

// Starts borvankh-cli with args and line on its standard input, kills it after delay (when it is
// still running) and reaps it. Whether it had ended by itself.
bool RunAndKill(const std::vector<std::string>& args, const std::string& line, std::chrono::microseconds delay)
{
    test::ChildProcess child;
    std::vector<std::string> argv = {KH_BORVANKH_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    test::SpawnOptions options;
    options.pipeStdin = true;
    options.pipeStdout = true;
    options.pipeStderr = true;
    if (!child.Start(argv, options)) {
        ADD_FAILURE() << child.Error();
        return false;
    }
    if (!line.empty() && write(child.StdinFd(), line.data(), line.size()) < 0)
        ADD_FAILURE() << "cannot write the password to the client";
    child.CloseStdin();
    std::this_thread::sleep_for(delay);
    kill(child.Pid(), SIGKILL);
    return child.Wait() >= 0;
}

std::u16string RememberedPassword()
{
    test::TipRecorder tips;
    ConfigCenter config(nullptr, test::TipRecorder::Callback, tips.Context());
    config.ResetToDefaults();
    config.Load();
    return config.Snapshot().password;
}

// What an older version leaves: the password only in its hexadecimal form.
void StoreAsAnOlderVersion(const std::u16string& password)
{
    test::TipRecorder tips;
    RegistryEditor editor(test::TipRecorder::Callback, tips.Context());
    editor.SetKey(RootKey::CurrentUser, u"Software\\Zelto\\KH");
    editor.WriteString(u"LoginConfig_Pwd", HexEncode(password));
    editor.WriteDword(u"StartupConfig_SavePwd", 1);
    RemoveCredential({"BorvanKH", "kim", kDefaultApiHost});
}

TEST(CliPasswordKillTest, KilledSavesLeaveTheOldOrTheNewPassword)
{
    test::TempSettingsDir settings;
    test::PrivateKeyring keyring;
    ASSERT_TRUE(keyring.Ready()) << keyring.Error();
    ASSERT_EQ(test::RunProcess({KH_BORVANKH_CLI_PATH, "set", "user", "kim"}).status, 0);

    // One whole save, to spread the kills over the client's life: start, load, keyring, file, end.
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(test::RunProcess({KH_BORVANKH_CLI_PATH, "set", "password"}, "pw-start\n").status, 0);
    auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    std::u16string current = u"pw-start";
    ASSERT_EQ(RememberedPassword(), current);

    unsigned seed = static_cast<unsigned>(::testing::UnitTest::GetInstance()->random_seed()) + 1;
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> delays(0, whole.count() * 5 / 4);
    int cutShort = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::u16string next = u"pw-" + std::u16string(1, static_cast<char16_t>(u'a' + round % 26)) +
                              std::u16string(1, static_cast<char16_t>(u'0' + round / 26));
        std::chrono::microseconds delay(delays(random));
        SCOPED_TRACE("round " + std::to_string(round) + ", killed after " + std::to_string(delay.count()) +
                     " us, seed " + std::to_string(seed));
        std::vector<std::u16string> acceptable;
        bool ended = false;
        if (round % 3 == 2) {
            // The save that moves an older version's password into the keyring.
            StoreAsAnOlderVersion(next);
            acceptable = {next};
            ended = RunAndKill({"set", "GetSMSConfig_SpaceTime", std::to_string(5000 + round)}, "", delay);
        } else {
            acceptable = {current, next};
            std::string line(next.begin(), next.end());
            ended = RunAndKill({"set", "password"}, line + "\n", delay);
        }
        if (!ended)
            ++cutShort;
        std::u16string found = RememberedPassword();
        bool kept = found == acceptable.front() || found == acceptable.back();
        EXPECT_TRUE(kept) << "found \"" << std::string(found.begin(), found.end()) << "\"";
        if (kept)
            current = found;
    }
    std::printf("%d of %d saves were killed before they ended\n", cutShort, kRounds);
}

} // namespace
} // namespace kh
