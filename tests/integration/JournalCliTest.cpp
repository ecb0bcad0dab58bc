// The journal of rented numbers with borvankh-cli as a process against the sandbox: a get killed
// with SIGKILL leaves its numbers to the next run, which releases exactly those; a release that
// fails at shutdown is done at the next start; two accounts keep separate journals; a client of
// the same account never releases the numbers of one that still runs; a damaged journal is kept
// aside and reported.

#include "numbers/NumberJournal.h"
#include "platform/Json.h"
#include "platform/TextCodec.h"
#include "support/ChildProcess.h"
#include "support/SandboxProcess.h"
#include "support/TempSettingsDir.h"

#include <algorithm>
#include <chrono>
#include <cjson/cJSON.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <regex>
#include <set>
#include <unistd.h>

namespace kh {
namespace {

namespace fs = std::filesystem;
using test::ChildProcess;
using test::ProcessResult;
using test::SandboxProcess;
using test::TempSettingsDir;

const std::string kLeftoverTip = "正在释放上次遗留的手机号码...";

// Project 1001 never gets an SMS, so every number rented for it stays waiting until it is given back.
const char* kScenario = R"({"accounts":[
    {"user":"demo","pwd":"demo","balance":"1000","max_mobiles":50,"favourites":["1001"]},
    {"user":"other","pwd":"other","balance":"1000","max_mobiles":50,"favourites":["1001"]}],
  "projects":[{"pid":"1001","pname":"静默商城","no_sms_probability":1.0}]})";

std::vector<std::string> Sorted(std::vector<std::string> items)
{
    std::sort(items.begin(), items.end());
    return items;
}

size_t Occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

class JournalCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.Started()) << sandbox.Error();
        for (const char* name : {"api-host", "services-host", "web-site"})
            ASSERT_EQ(Cli({"set", name, sandbox.Host()}).status, 0);
        ASSERT_EQ(Cli({"set", "GetSMSConfig_SpaceTime", "200"}).status, 0);
        SignInAs("demo");
    }

    void SignInAs(const std::string& user)
    {
        ASSERT_EQ(Cli({"set", "user", user}).status, 0);
        ASSERT_EQ(Cli({"set", "password"}, user + "\n").status, 0);
    }

    ProcessResult Cli(const std::vector<std::string>& args, const std::string& input = {})
    {
        std::vector<std::string> argv = {KH_BORVANKH_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::RunProcess(argv, input);
    }

    // Starts get for count numbers of project 1001 and waits until it has printed their rows, which
    // it does once they are rented and listed. The numbers, or fewer when it did not get that far.
    std::vector<std::string> StartGet(ChildProcess& get, int count)
    {
        test::SpawnOptions options;
        options.pipeStdout = true;
        EXPECT_TRUE(
            get.Start({KH_BORVANKH_CLI_PATH, "get", "--project", "1001", "--count", std::to_string(count)}, options))
            << get.Error();
        // A row is printed again whenever its cells change: each number counts once.
        std::set<std::string> numbers;
        std::string pending;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (static_cast<int>(numbers.size()) < count && std::chrono::steady_clock::now() < deadline) {
            pollfd fd{get.StdoutFd(), POLLIN, 0};
            if (poll(&fd, 1, 1000) <= 0)
                continue;
            char buffer[4096];
            ssize_t n = read(get.StdoutFd(), buffer, sizeof buffer);
            if (n <= 0)
                break;
            pending.append(buffer, static_cast<size_t>(n));
            for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
                std::smatch m;
                std::string line = pending.substr(0, end);
                if (std::regex_search(line, m, std::regex("^([0-9]{11})\t")))
                    numbers.insert(m[1]);
            }
        }
        return {numbers.begin(), numbers.end()};
    }

    // The numbers user holds at the sandbox, and those it gave back.
    std::vector<std::string> Numbers(const std::string& user, const char* member)
    {
        std::vector<std::string> numbers;
        JsonPtr dump = ParseJson(sandbox.State());
        const cJSON* account = nullptr;
        cJSON_ArrayForEach(account, cJSON_GetObjectItemCaseSensitive(dump.get(), "accounts"))
        {
            if (std::string(cJSON_GetObjectItemCaseSensitive(account, "user")->valuestring) != user)
                continue;
            const cJSON* item = nullptr;
            cJSON_ArrayForEach(item, cJSON_GetObjectItemCaseSensitive(account, member))
            {
                const cJSON* mobile = cJSON_IsString(item) ? item : cJSON_GetObjectItemCaseSensitive(item, "mobile");
                numbers.push_back(mobile->valuestring);
            }
        }
        return Sorted(numbers);
    }

    std::string JournalFolder() const { return settings.DataPath() + "/BorvanKH/journal"; }
    std::string JournalFile(const std::u16string& user, int slot = 1)
    {
        return JournalFolder() + "/" + NumberJournal::FileStem(user, sandbox.Host()) + "-" + std::to_string(slot) +
               ".json";
    }
    std::vector<std::string> JournalNumbers(const std::string& file)
    {
        std::vector<JournalEntry> entries;
        EXPECT_TRUE(NumberJournal::Parse(TempSettingsDir::ReadFile(file), entries)) << file;
        std::vector<std::string> numbers;
        for (const JournalEntry& entry : entries)
            numbers.push_back(WideToUtf8(entry.number));
        return Sorted(numbers);
    }
    // The journal files (*.json) in the folder.
    std::vector<std::string> JournalFiles()
    {
        std::vector<std::string> files;
        if (fs::exists(JournalFolder()))
            for (const auto& entry : fs::directory_iterator(JournalFolder()))
                if (entry.path().extension() == ".json")
                    files.push_back(entry.path().filename().string());
        return files;
    }

    static void Kill(ChildProcess& process)
    {
        ASSERT_GT(process.Pid(), 0);
        ASSERT_EQ(kill(process.Pid(), SIGKILL), 0);
        EXPECT_EQ(process.Wait(), -1);
    }

    TempSettingsDir settings;
    SandboxProcess sandbox{test::SandboxOptions{kScenario, {}, 1, 0}};
};

TEST_F(JournalCliTest, NumbersOfAKilledGetAreReleasedByTheNextRun)
{
    ChildProcess get;
    std::vector<std::string> rented = StartGet(get, 3);
    ASSERT_EQ(rented.size(), 3u);
    // Shown, so already written down.
    EXPECT_EQ(JournalNumbers(JournalFile(u"demo")), rented);
    Kill(get);
    ASSERT_EQ(Numbers("demo", "held"), rented);

    ProcessResult next = Cli({"account"});
    ASSERT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(Occurrences(next.err, kLeftoverTip), 1u) << next.err;
    EXPECT_NE(next.err.find(kLeftoverTip + "成功释放了 3 个手机号码。"), std::string::npos) << next.err;
    EXPECT_TRUE(Numbers("demo", "held").empty());
    EXPECT_EQ(Numbers("demo", "released"), rented);
    EXPECT_TRUE(JournalFiles().empty());

    // Nothing is left for the run after.
    ProcessResult after = Cli({"account"});
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(after.err.find(kLeftoverTip), std::string::npos) << after.err;
}

TEST_F(JournalCliTest, ReleaseThatFailedAtShutdownIsDoneAtTheNextStart)
{
    ASSERT_EQ(Cli({"set", "GetSMSConfig_TimeoutTime", "1500"}).status, 0);
    test::SandboxFault fault;
    fault.path = "/adv_release_mobile";
    fault.kind = "reply";
    fault.code = "500";
    fault.msg = "故障";
    ASSERT_TRUE(sandbox.InjectFault(fault));
    ProcessResult get = Cli({"get", "--project", "1001", "--count", "2"});
    ASSERT_EQ(get.status, 3) << get.err;
    EXPECT_NE(get.err.find("正在释放手机号码...释放失败！500故障"), std::string::npos) << get.err;
    std::vector<std::string> held = Numbers("demo", "held");
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(JournalNumbers(JournalFile(u"demo")), held);

    ProcessResult next = Cli({"account"});
    ASSERT_EQ(next.status, 0) << next.err;
    EXPECT_NE(next.err.find(kLeftoverTip + "成功释放了 2 个手机号码。"), std::string::npos) << next.err;
    EXPECT_TRUE(Numbers("demo", "held").empty());
    EXPECT_EQ(Numbers("demo", "released"), held);
    EXPECT_TRUE(JournalFiles().empty());
}

TEST_F(JournalCliTest, TwoAccountsKeepSeparateJournals)
{
    ChildProcess get;
    std::vector<std::string> rented = StartGet(get, 2);
    ASSERT_EQ(rented.size(), 2u);
    Kill(get);

    // Another account signs in on the same machine: demo's numbers are not its own to release.
    SignInAs("other");
    ChildProcess otherGet;
    std::vector<std::string> otherRented = StartGet(otherGet, 1);
    ASSERT_EQ(otherRented.size(), 1u);
    EXPECT_EQ(JournalNumbers(JournalFile(u"demo")), rented);
    EXPECT_EQ(JournalNumbers(JournalFile(u"other")), otherRented);
    Kill(otherGet);
    ProcessResult other = Cli({"account"});
    ASSERT_EQ(other.status, 0) << other.err;
    EXPECT_NE(other.err.find(kLeftoverTip + "成功释放了 1 个手机号码。"), std::string::npos) << other.err;
    EXPECT_EQ(Numbers("demo", "held"), rented);
    EXPECT_TRUE(Numbers("other", "held").empty());
    EXPECT_EQ(JournalNumbers(JournalFile(u"demo")), rented);

    SignInAs("demo");
    ProcessResult demo = Cli({"account"});
    ASSERT_EQ(demo.status, 0) << demo.err;
    EXPECT_NE(demo.err.find(kLeftoverTip + "成功释放了 2 个手机号码。"), std::string::npos) << demo.err;
    EXPECT_TRUE(Numbers("demo", "held").empty());
    EXPECT_TRUE(JournalFiles().empty());
}

TEST_F(JournalCliTest, SecondClientOfTheAccountLeavesTheRunningOnesNumbersAlone)
{
    ChildProcess running;
    std::vector<std::string> rented = StartGet(running, 2);
    ASSERT_EQ(rented.size(), 2u);

    ProcessResult second = Cli({"account"});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.err.find(kLeftoverTip), std::string::npos) << second.err;
    EXPECT_EQ(Numbers("demo", "held"), rented);
    EXPECT_EQ(JournalNumbers(JournalFile(u"demo")), rented);

    // Once it has died, they are leftovers like any other.
    Kill(running);
    ProcessResult next = Cli({"account"});
    ASSERT_EQ(next.status, 0) << next.err;
    EXPECT_NE(next.err.find(kLeftoverTip + "成功释放了 2 个手机号码。"), std::string::npos) << next.err;
    EXPECT_TRUE(Numbers("demo", "held").empty());
}

TEST_F(JournalCliTest, DamagedJournalIsKeptAsideAndReportedOnce)
{
    fs::create_directories(JournalFolder());
    const std::string damaged = "{\"numbers\":[{\"mobile\":\"1380000";
    std::ofstream(JournalFile(u"demo"), std::ios::binary) << damaged;

    ProcessResult run = Cli({"account"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.err, m, std::regex("号码记录文件已损坏，已另存为 (\\S+?)，"))) << run.err;
    std::string aside = m[1];
    EXPECT_EQ(aside.rfind(JournalFile(u"demo") + ".damaged-", 0), 0u) << aside;
    EXPECT_EQ(TempSettingsDir::ReadFile(aside), damaged);
    EXPECT_EQ(run.err.find(kLeftoverTip), std::string::npos) << run.err;

    ProcessResult again = Cli({"account"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.err.find("已损坏"), std::string::npos) << again.err;
    EXPECT_EQ(TempSettingsDir::ReadFile(aside), damaged);
}

} // namespace
} // namespace kh
