// The journal of rented numbers inside a client session against the sandbox: the batch is written
// down before it is listed and taken out as it is settled; after the sign-in the numbers an earlier
// run left are released (blacklisted where marked) once, with one tip; a failed release keeps them
// for the next start; numbers the service no longer counts as the account's are dropped; and a new
// number request waits until the leftovers no longer fill the account's number limit.

#include "numbers/LeftoverManager.h"

#include "app/ClientSession.h"
#include "base/ReplyFields.h"
#include "numbers/PhoneSMSListCtrl.h"
#include "platform/Json.h"
#include "platform/TextCodec.h"
#include "support/RefusingPort.h"
#include "support/SandboxProcess.h"
#include "support/SessionFixture.h"
#include "support/TempSettingsDir.h"
#include "support/WaitUntil.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace kh {
namespace {

namespace fs = std::filesystem;
using test::SessionFixture;
using test::WaitUntil;

const std::string kTipStart = "正在释放上次遗留的手机号码...";

std::vector<std::string> Sorted(std::vector<std::string> items)
{
    std::sort(items.begin(), items.end());
    return items;
}

// This client's journal file as the first client of the account on the sandbox host has it.
std::string JournalFile(SessionFixture& rig)
{
    return ClientSession::JournalFolder() + kPathSeparator + NumberJournal::FileStem(u"demo", rig.ApiHost()) +
           "-1.json";
}

// Numbers rented by an earlier run of the client: held at the sandbox, listed in a journal whose
// client has ended. marked: how many of them (the last ones) were to be blacklisted.
std::vector<std::string> LeaveNumbers(SessionFixture& rig, int count, int marked = 0)
{
    std::string token = rig.Sandbox()->Login();
    std::string reply = rig.Sandbox()->Post(
        "/get_mobile", "token=" + token + "&pid=2001&size=" + std::to_string(count) + "&prov=&corp=&style=1");
    std::vector<std::string> mobiles;
    std::vector<JournalEntry> entries;
    JsonPtr root = ParseJson(reply);
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, cJSON_GetObjectItem(root.get(), "list"))
    {
        std::string mobile = cJSON_GetObjectItem(item, "mobile")->valuestring;
        mobiles.push_back(mobile);
        entries.push_back({AnsiToWide(mobile), u"2001", static_cast<int>(mobiles.size()) > count - marked});
    }
    EXPECT_EQ(static_cast<int>(mobiles.size()), count) << reply;
    fs::create_directories(ClientSession::JournalFolder());
    std::ofstream(JournalFile(rig)) << NumberJournal::Format(entries, u"demo", rig.ApiHost());
    return mobiles;
}

// The leftover job's tips, with their error strings.
std::vector<std::string> LeftoverTips(SessionFixture& rig)
{
    std::vector<std::string> found;
    for (const test::RecordedTip& tip : rig.tips.Tips())
        if (tip.message.rfind(kTipStart, 0) == 0)
            found.push_back(tip.error.empty() ? tip.message : tip.message + " [" + tip.error + "]");
    return found;
}

// The numbers a journal file lists.
std::vector<std::string> FileNumbers(const std::string& file)
{
    std::vector<JournalEntry> entries;
    NumberJournal::Parse(test::TempSettingsDir::ReadFile(file), entries);
    std::vector<std::string> numbers;
    for (const JournalEntry& entry : entries)
        numbers.push_back(WideToAnsi(entry.number));
    return Sorted(numbers);
}

// Signs in (which starts the leftover job) and waits for the job to end.
void SignInAndSettle(SessionFixture& rig)
{
    ASSERT_TRUE(rig.SignIn());
    ASSERT_TRUE(ClientSession::WaitForIdle(rig.session.Leftovers(), std::chrono::seconds(30)));
}

class LeftoverManagerTest : public ::testing::Test
{
protected:
    void Start(int maxMobiles = 400)
    {
        ASSERT_TRUE(rig.StartSandbox(SessionFixture::Scenario(-1, maxMobiles)));
        rig.ChooseProject(u"2001");
    }

    SessionFixture rig;
};

TEST_F(LeftoverManagerTest, BatchIsWrittenDownBeforeItIsListedAndTakenOutAsItIsSettled)
{
    Start();
    ASSERT_TRUE(rig.SignIn());
    std::string file;
    std::vector<std::string> listedButNotJournaled;
    // Each row, as it is added, must already be in the journal file.
    rig.controls.listView.SetObserver([&] {
        file = rig.session.Journal().FilePath();
        std::vector<JournalEntry> entries;
        NumberJournal::Parse(test::TempSettingsDir::ReadFile(file), entries);
        for (const std::u16string& number : rig.controls.listView.ColumnTexts(kColumnNumber)) {
            bool found =
                std::any_of(entries.begin(), entries.end(), [&](const JournalEntry& e) { return e.number == number; });
            if (!number.empty() && !found)
                listedButNotJournaled.push_back(WideToAnsi(number));
        }
    });
    ASSERT_TRUE(rig.RunNumberJob(4));
    rig.controls.listView.SetObserver(nullptr);
    ASSERT_EQ(rig.controls.listView.GetItemCount(), 4);
    EXPECT_TRUE(listedButNotJournaled.empty()) << listedButNotJournaled[0];

    std::vector<NumberRecord> batch = rig.Numbers().Batch().Records();
    std::vector<std::string> mobiles;
    for (const NumberRecord& record : batch)
        mobiles.push_back(WideToAnsi(record[kFieldMobile]));
    // Received: settled. Offline: settled. Marked: kept, flagged for the blacklist.
    rig.Numbers().Batch().MarkReceived(batch[0][kFieldMobile]);
    rig.Numbers().Batch().MarkOffline(batch[1][kFieldMobile]);
    rig.Numbers().Batch().MarkForBlacklist(batch[2][kFieldMobile]);
    EXPECT_EQ(rig.session.Journal().Entries(), (std::vector<JournalEntry>{{batch[2][kFieldMobile], u"2001", true},
                                                                          {batch[3][kFieldMobile], u"2001", false}}));

    // The shutdown settles both; the journal is empty and has no file.
    rig.controls.messageBox.QueueAnswer(kIdOk);
    ASSERT_TRUE(rig.session.Shutdown(std::chrono::seconds(30)));
    EXPECT_TRUE(rig.session.Journal().Entries().empty());
    // Taking numbers out reaches the file within the journal's bound.
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(file); }));
    EXPECT_TRUE(LeftoverTips(rig).empty()) << "nothing was left by an earlier run";
}

TEST_F(LeftoverManagerTest, LeftoversAreReleasedAndBlacklistedOnceWithOneTip)
{
    Start();
    std::vector<std::string> left = LeaveNumbers(rig, 4, 1);
    SignInAndSettle(rig);

    EXPECT_EQ(LeftoverTips(rig), (std::vector<std::string>{kTipStart + "成功释放了 3 个、加黑了 1 个手机号码。"}));
    EXPECT_TRUE(rig.SandboxNumbers("held").empty());
    EXPECT_EQ(rig.SandboxNumbers("blacklist"), (std::vector<std::string>{left[3]}));
    EXPECT_EQ(Sorted(rig.SandboxNumbers("released")), Sorted(left));
    EXPECT_EQ(rig.SandboxRequests("/adv_release_mobile"), 1);
    EXPECT_EQ(rig.SandboxRequests("/add_black"), 1);
    EXPECT_TRUE(rig.session.Journal().Entries().empty());
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(JournalFile(rig)); }));

    // Once per session.
    EXPECT_FALSE(rig.session.StartJournal());
}

// Thousands of leftovers would make one request body larger than the service takes (HTTP 413 for
// more than 64 KiB): they go out in bounded requests and are all released.
TEST_F(LeftoverManagerTest, ThousandsOfLeftoversAreReleasedInBoundedRequests)
{
    ASSERT_TRUE(rig.StartSandbox(SessionFixture::Scenario(-1, 6000, 6000)));
    std::vector<std::string> left = LeaveNumbers(rig, 5600);
    SignInAndSettle(rig);

    EXPECT_EQ(LeftoverTips(rig), (std::vector<std::string>{kTipStart + "成功释放了 5600 个手机号码。"}));
    EXPECT_EQ(rig.SandboxRequests("/adv_release_mobile"), 12);
    EXPECT_TRUE(rig.SandboxNumbers("held").empty());
    EXPECT_TRUE(rig.session.Journal().Entries().empty());
}

TEST_F(LeftoverManagerTest, NumbersNoLongerTheAccountsAreDroppedAndTheOthersReleased)
{
    Start();
    std::vector<std::string> left = LeaveNumbers(rig, 3);
    // The first was given back already (a release whose reply was lost): the service refuses
    // any list that names it.
    std::string token = rig.Sandbox()->Login();
    std::string reply =
        rig.Sandbox()->Post("/adv_release_mobile", "token=" + token + "&pid_list=2001&mobile=" + left[0]);
    ASSERT_EQ(GetReplyField(reply, "\"code\":", ","), kCodeSuccess) << reply;
    SignInAndSettle(rig);

    EXPECT_EQ(LeftoverTips(rig), (std::vector<std::string>{
                                     kTipStart + "成功释放了 2 个手机号码。1 个手机号码已不属于本账户，无需释放。"}));
    EXPECT_TRUE(rig.SandboxNumbers("held").empty());
    EXPECT_TRUE(rig.session.Journal().Entries().empty());
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(JournalFile(rig)); }));
}

TEST(LeftoverManagerFaultTest, FailedReleaseKeepsTheNumbersForTheNextStart)
{
    struct Case
    {
        const char* kind;
        std::string tip;
    };
    const Case cases[] = {
        {"reply", kTipStart + "释放失败！500故障。2 个手机号码留待下次启动时再释放。"},
        {"close", kTipStart + "网络连接失败，释放失败！2 个手机号码留待下次启动时再释放。 [LeftoverManager.7."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        SessionFixture rig;
        ASSERT_TRUE(rig.StartSandbox(SessionFixture::Scenario(-1)));
        std::vector<std::string> left = LeaveNumbers(rig, 2);
        test::SandboxFault fault;
        fault.path = "/adv_release_mobile";
        fault.kind = c.kind;
        fault.count = 1;
        fault.code = "500";
        fault.msg = "故障";
        ASSERT_TRUE(rig.Sandbox()->InjectFault(fault));
        SignInAndSettle(rig);

        std::vector<std::string> tips = LeftoverTips(rig);
        ASSERT_EQ(tips.size(), 1u);
        EXPECT_EQ(tips[0].substr(0, c.tip.size()), c.tip);
        // Still held, still in the journal, and not tried again in this run.
        EXPECT_EQ(Sorted(rig.SandboxNumbers("held")), Sorted(left));
        EXPECT_EQ(FileNumbers(JournalFile(rig)), Sorted(left));
        EXPECT_EQ(rig.SandboxRequests("/adv_release_mobile"), 1);
        // The numbers of this run are journaled beside them and settled as usual.
        rig.ChooseProject(u"2001");
        ASSERT_TRUE(rig.RunNumberJob(1));
        EXPECT_EQ(FileNumbers(JournalFile(rig)).size(), 3u);
        rig.controls.messageBox.QueueAnswer(kIdOk);
        ASSERT_TRUE(rig.session.Shutdown(std::chrono::seconds(30)));
        EXPECT_TRUE(WaitUntil([&] { return FileNumbers(JournalFile(rig)) == Sorted(left); }));
    }
}

TEST_F(LeftoverManagerTest, NewNumbersAreRequestedOnlyOnceTheLeftoversFreedTheLimit)
{
    // The account may hold three numbers, and the earlier run left three.
    Start(3);
    std::vector<std::string> left = LeaveNumbers(rig, 3);
    test::SandboxFault slow;
    slow.path = "/adv_release_mobile";
    slow.kind = "latency";
    slow.latencyMs = 700;
    ASSERT_TRUE(rig.Sandbox()->InjectFault(slow));
    ASSERT_TRUE(rig.SignIn());
    // Asked for at once: the job waits for the leftovers to be released rather than being refused.
    ASSERT_TRUE(rig.RunNumberJob(3));
    EXPECT_TRUE(rig.tips.HasMessage("正在获取手机号码...成功获取了 3 个手机号码。"));
    EXPECT_EQ(LeftoverTips(rig), (std::vector<std::string>{kTipStart + "成功释放了 3 个手机号码。"}));
    EXPECT_EQ(rig.Numbers().Batch().Records().size(), 3u);
}

} // namespace
} // namespace kh
