// The number job against the sandbox over loopback: emptying the list, settling the previous batch,
// the /get_mobile request and its reply, listing, the count tip and the automatic SMS fetch start;
// the release and blacklist requests at shutdown; the failures that end a job early; and reading a
// reply into a new batch.

#include "numbers/PhoneNumManager.h"

#include "platform/TextCodec.h"
#include "support/RefusingPort.h"
#include "support/SandboxProcess.h"
#include "support/SessionFixture.h"
#include "support/TipRecorder.h"
#include "support/WaitUntil.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kh {
namespace {

using test::SessionFixture;
using test::WaitUntil;

const std::string kGetting = "正在获取手机号码...";

std::vector<std::string> Mobiles(const std::vector<NumberRecord>& batch)
{
    std::vector<std::string> result;
    for (const NumberRecord& record : batch)
        result.push_back(WideToAnsi(record.at(kFieldMobile)));
    return result;
}

bool Contains(const std::vector<std::string>& items, const std::string& item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

class PhoneNumManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(rig.StartSandbox(SessionFixture::Scenario(-1)));
        ASSERT_TRUE(rig.SignIn());
        rig.ChooseProject(u"2001");
        rig.tips.Clear();
    }

    SessionFixture rig;
};

TEST_F(PhoneNumManagerTest, NumberJobReplacesTheBatchAndStartsAutomaticFetching)
{
    ASSERT_TRUE(rig.RunNumberJob(3));
    std::vector<std::string> first = Mobiles(rig.Numbers().Batch().Records());
    ASSERT_EQ(first.size(), 3u);
    // First: an SMS arrived; second: marked for blacklisting; third: unused.
    rig.Numbers().Batch().MarkReceived(AnsiToWide(first[0]));
    rig.Numbers().Batch().MarkForBlacklist(AnsiToWide(first[1]));
    rig.Configure([](SettingsValues& c) {
        c.autoGetSms = 1;
        c.spaceTime = 100;
    });
    rig.tips.Clear();

    rig.Numbers().GetNumbers(2, {}, {});
    // The fetch's first tip comes from its worker, after the fetch shows busy: waited for itself,
    // since the tips are checked below.
    ASSERT_TRUE(WaitUntil([&] { return rig.tips.HasMessage("正在获取短信..."); }));
    ASSERT_TRUE(WaitUntil([&] { return !rig.Numbers().IsBusy(); }));

    std::vector<NumberRecord> batch = rig.Numbers().Batch().Records();
    ASSERT_EQ(batch.size(), 2u);
    for (const NumberRecord& record : batch) {
        ASSERT_EQ(record.size(), 5u);
        EXPECT_EQ(record[kFieldPid], u"2001");
        EXPECT_FALSE(record[kFieldProvince].empty());
        EXPECT_FALSE(record[kFieldCarrier].empty());
    }
    // The list holds exactly the new batch, in reply order, with serials from 1.
    EXPECT_EQ(rig.ColumnTexts(kColumnNumber), (std::vector<std::u16string>{batch[0][0], batch[1][0]}));
    EXPECT_EQ(rig.ColumnTexts(kColumnSerial), (std::vector<std::u16string>{u"1", u"2"}));
    EXPECT_EQ(rig.Cell(batch[0][0], kColumnLocation),
              batch[0][kFieldProvince] + batch[0][kFieldCity] + u" " + batch[0][kFieldCarrier]);

    // The previous batch was settled: the unused number released, the marked one blacklisted,
    // the received one kept.
    std::vector<std::string> released = rig.SandboxNumbers("released");
    std::vector<std::string> blacklisted = rig.SandboxNumbers("blacklist");
    EXPECT_TRUE(Contains(released, first[2]));
    EXPECT_FALSE(Contains(released, first[0]));
    EXPECT_EQ(blacklisted, (std::vector<std::string>{first[1]}));
    EXPECT_TRUE(Contains(rig.SandboxNumbers("held"), first[0]));

    std::vector<std::string> messages = rig.tips.Messages();
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages[0], kGetting);
    EXPECT_EQ(messages[1], "正在获取手机号码...成功获取了 2 个手机号码。");
    EXPECT_EQ(messages[2], "正在获取短信...");
    EXPECT_TRUE(WaitUntil([&] { return rig.controls.toolBar.IsButtonChecked(kIdGetSms); }));
    EXPECT_TRUE(WaitUntil([&] { return rig.Cell(batch[1][0], kColumnSms) == u"正在获取"; }));
}

TEST_F(PhoneNumManagerTest, ProvinceAndCarrierNarrowTheRequest)
{
    ASSERT_TRUE(rig.RunNumberJob(4, u"广东", u"移动"));
    std::vector<NumberRecord> batch = rig.Numbers().Batch().Records();
    ASSERT_EQ(batch.size(), 4u);
    for (const NumberRecord& record : batch) {
        EXPECT_EQ(record[kFieldProvince], u"广东");
        EXPECT_EQ(record[kFieldCarrier], u"移动");
    }
    EXPECT_FALSE(rig.Sms().IsBusy());
    EXPECT_TRUE(rig.tips.HasMessage("正在获取手机号码...成功获取了 4 个手机号码。"));
}

TEST_F(PhoneNumManagerTest, ShutdownSettlesReceivedMarkedAndUnusedNumbers)
{
    ASSERT_TRUE(rig.RunNumberJob(4));
    std::vector<std::string> mobiles = Mobiles(rig.Numbers().Batch().Records());
    ASSERT_EQ(mobiles.size(), 4u);
    rig.Numbers().Batch().MarkReceived(AnsiToWide(mobiles[0]));
    rig.Numbers().Batch().MarkForBlacklist(AnsiToWide(mobiles[1]));
    rig.Numbers().Batch().MarkReceived(AnsiToWide(mobiles[2]));
    rig.Numbers().Batch().MarkForBlacklist(AnsiToWide(mobiles[2]));
    rig.tips.Clear();

    EXPECT_TRUE(rig.Numbers().ReleaseBatch());
    EXPECT_TRUE(rig.Numbers().BlacklistBatch());

    // Released: only the unused number. Blacklisted: both marked numbers, received or not. The
    // sandbox gives blacklisted numbers back as well, after the released one.
    EXPECT_EQ(rig.SandboxNumbers("released"), (std::vector<std::string>{mobiles[3], mobiles[1], mobiles[2]}));
    std::vector<std::string> blacklisted = rig.SandboxNumbers("blacklist");
    std::sort(blacklisted.begin(), blacklisted.end());
    std::vector<std::string> marked = {mobiles[1], mobiles[2]};
    std::sort(marked.begin(), marked.end());
    EXPECT_EQ(blacklisted, marked);
    EXPECT_EQ(rig.SandboxNumbers("held"), (std::vector<std::string>{mobiles[0]}));
    EXPECT_EQ(rig.SandboxRequests("/adv_release_mobile"), 1);
    EXPECT_EQ(rig.SandboxRequests("/add_black"), 1);
    // A successful step shows nothing; the batch and its marks stay.
    EXPECT_EQ(rig.tips.Count(), 0u);
    EXPECT_EQ(rig.Numbers().Batch().Records().size(), 4u);
    EXPECT_TRUE(rig.Numbers().Batch().IsMarkedForBlacklist(AnsiToWide(mobiles[1])));
}

// A /get_mobile reply cut short, by a proxy's truncation or a connection lost mid-body, held
// numbers that were rented all the same: each one it held whole is journaled, listed and settled
// like any other, and the tip says the reply was damaged and how many numbers it held.
TEST_F(PhoneNumManagerTest, NumbersOfAReplyCutShortAreListedJournaledAndSettled)
{
    struct Case
    {
        const char* name;
        bool closeMidBody;
        const char* error; // of the damage tip
    };
    const Case cases[] = {
        {"truncated by a proxy", false, ""},
        {"connection lost mid-body", true, "PhoneNumManager.29.132."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The last ten bytes are the last record's carrier value and the closing characters: the
        // third number came whole, its record did not.
        test::SandboxFault fault;
        fault.path = "/get_mobile";
        fault.kind = "cut";
        fault.dropBytes = 10;
        fault.closeMidBody = c.closeMidBody;
        ASSERT_TRUE(rig.Sandbox()->InjectFault(fault));
        std::vector<std::string> heldBefore = rig.SandboxNumbers("held");
        rig.tips.Clear();

        ASSERT_TRUE(rig.RunNumberJob(3));
        // The previous batch was released by this job; the three new numbers are held.
        std::vector<std::string> rented;
        for (const std::string& mobile : rig.SandboxNumbers("held"))
            if (!Contains(heldBefore, mobile))
                rented.push_back(mobile);
        ASSERT_EQ(rented.size(), 3u);
        EXPECT_EQ(Mobiles(rig.Numbers().Batch().Records()), rented);
        std::vector<std::u16string> listed;
        for (const std::string& mobile : rented)
            listed.push_back(AnsiToWide(mobile));
        EXPECT_EQ(rig.ColumnTexts(kColumnNumber), listed);
        std::vector<JournalEntry> journal = rig.session.Journal().Entries();
        ASSERT_EQ(journal.size(), 3u);
        EXPECT_EQ(journal.back().number, listed.back());

        std::vector<test::RecordedTip> tips = rig.tips.Tips();
        ASSERT_FALSE(tips.empty());
        EXPECT_EQ(tips.back().message, "正在获取手机号码...回复已损坏，其中有 3 个完整的手机号码。");
        EXPECT_EQ(tips.back().error, c.error);
        EXPECT_FALSE(rig.tips.HasMessage("正在获取手机号码...成功获取了 0 个手机号码。"));
    }
    // Settled as any batch is: the next job released the first three.
    std::vector<std::string> rentedLast = Mobiles(rig.Numbers().Batch().Records());
    EXPECT_TRUE(rig.Numbers().ReleaseBatch());
    std::vector<std::string> released = rig.SandboxNumbers("released");
    EXPECT_EQ(released.size(), 6u);
    for (const std::string& mobile : rentedLast)
        EXPECT_TRUE(Contains(released, mobile)) << mobile;
    EXPECT_TRUE(rig.session.Journal().Entries().empty());
}

TEST_F(PhoneNumManagerTest, ReleaseEndsARunningFetchBeforeItSends)
{
    ASSERT_TRUE(rig.RunNumberJob(2));
    std::vector<std::string> mobiles = Mobiles(rig.Numbers().Batch().Records());
    rig.Configure([](SettingsValues& c) {
        c.autoGetSms = 1;
        c.spaceTime = 100;
    });
    rig.Sms().StartFetch();
    ASSERT_TRUE(WaitUntil([&] { return rig.Cell(AnsiToWide(mobiles[1]), kColumnSms) == u"正在获取"; }));
    rig.tips.Clear();

    EXPECT_TRUE(rig.Numbers().ReleaseBatch());
    EXPECT_FALSE(rig.Sms().IsBusy());
    EXPECT_EQ(rig.Cell(AnsiToWide(mobiles[0]), kColumnSms), u"获取停止");
    EXPECT_EQ(rig.Cell(AnsiToWide(mobiles[1]), kColumnSms), u"获取停止");
    EXPECT_EQ(rig.tips.Messages(), (std::vector<std::string>{"正在获取短信...获取完成。"}));
    EXPECT_EQ(rig.SandboxNumbers("released"), mobiles);
}

TEST_F(PhoneNumManagerTest, NothingToSettleSendsNothing)
{
    ASSERT_TRUE(rig.RunNumberJob(2));
    for (const std::string& mobile : Mobiles(rig.Numbers().Batch().Records()))
        rig.Numbers().Batch().MarkOffline(AnsiToWide(mobile));
    EXPECT_TRUE(rig.Numbers().ReleaseBatch());
    EXPECT_TRUE(rig.Numbers().BlacklistBatch());
    EXPECT_EQ(rig.SandboxRequests("/adv_release_mobile"), 0);
    EXPECT_EQ(rig.SandboxRequests("/add_black"), 0);
}

TEST_F(PhoneNumManagerTest, CountZeroEndsTheJobBeforeAnythingElse)
{
    rig.NumberList().AddRow(u"13900000000", u"广东", u"深圳", u"移动");
    ASSERT_TRUE(rig.RunNumberJob(0));
    EXPECT_EQ(rig.tips.Messages(),
              (std::vector<std::string>{kGetting, "正在获取手机号码...获取失败！请输入正确的号码数量。"}));
    EXPECT_EQ(rig.ColumnTexts(kColumnNumber), (std::vector<std::u16string>{u"13900000000"}));
    EXPECT_EQ(rig.SandboxRequests("/get_mobile"), 0);
}

// Right after a search the project box is back on its count line: a request without a project can
// only fail, so the numbers still waiting for their SMS are neither released nor taken off the list.
TEST_F(PhoneNumManagerTest, NoProjectChosenLeavesTheListAndTheRentedNumbers)
{
    ASSERT_TRUE(rig.RunNumberJob(2));
    std::vector<std::string> old = Mobiles(rig.Numbers().Batch().Records());
    std::vector<std::u16string> listed = rig.ColumnTexts(kColumnNumber);
    rig.controls.projectCombo.SetCurSel(0);
    rig.tips.Clear();

    ASSERT_TRUE(rig.RunNumberJob(2));
    EXPECT_EQ(rig.tips.Messages(), (std::vector<std::string>{kGetting, "正在获取手机号码...获取失败！请先选择项目。"}));
    EXPECT_EQ(rig.ColumnTexts(kColumnNumber), listed);
    EXPECT_EQ(Mobiles(rig.Numbers().Batch().Records()), old);
    EXPECT_TRUE(rig.SandboxNumbers("released").empty());
    EXPECT_EQ(rig.SandboxRequests("/adv_release_mobile"), 0);
    EXPECT_EQ(rig.SandboxRequests("/get_mobile"), 1);
    EXPECT_EQ(rig.session.Journal().Entries().size(), 2u);
}

// When settling the previous batch fails, its numbers are still rented: their rows stay (with what
// they show), and only the rows of numbers a step before the failure settled go. A refusal, and the
// service out of reach, end the job the same way.
TEST_F(PhoneNumManagerTest, FailedSettlementKeepsTheRowsOfNumbersStillRented)
{
    struct Case
    {
        const char* name;
        const char* path;
        const char* kind;
        std::string tip;
        bool releaseWentThrough;
    };
    const Case cases[] = {
        {"release refused", "/adv_release_mobile", "reply", "正在释放手机号码...释放失败！901维护中", false},
        {"service down at release", "/adv_release_mobile", "close", "正在释放手机号码...网络连接失败，释放失败！",
         false},
        {"service down at blacklisting", "/add_black", "close", "正在加黑手机号码...网络连接失败，加黑失败！", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(rig.RunNumberJob(3));
        std::vector<std::u16string> numbers;
        for (const std::string& mobile : Mobiles(rig.Numbers().Batch().Records()))
            numbers.push_back(AnsiToWide(mobile));
        ASSERT_EQ(numbers.size(), 3u);
        // First: its SMS arrived (kept by the service, never released); second: unused; third:
        // marked for blacklisting.
        rig.Numbers().Batch().MarkReceived(numbers[0]);
        rig.NumberList().SetCell(numbers[0], kColumnCode, u"123456");
        rig.Numbers().Batch().MarkForBlacklist(numbers[2]);
        test::SandboxFault fault;
        fault.path = c.path;
        fault.kind = c.kind;
        fault.code = "901";
        fault.msg = "维护中";
        ASSERT_TRUE(rig.Sandbox()->InjectFault(fault));
        int64_t requestsBefore = rig.SandboxRequests("/get_mobile");
        rig.tips.Clear();

        ASSERT_TRUE(rig.RunNumberJob(2));
        std::vector<std::string> messages = rig.tips.Messages();
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[1].rfind(c.tip, 0), 0u) << messages[1];
        EXPECT_EQ(rig.SandboxRequests("/get_mobile"), requestsBefore);
        std::vector<std::u16string> kept = {numbers[0], numbers[2]};
        if (!c.releaseWentThrough)
            kept.insert(kept.begin() + 1, numbers[1]);
        EXPECT_EQ(rig.ColumnTexts(kColumnNumber), kept);
        std::vector<std::u16string> serials;
        for (size_t i = 1; i <= kept.size(); ++i)
            serials.push_back(AnsiToWide(std::to_string(i)));
        EXPECT_EQ(rig.ColumnTexts(kColumnSerial), serials);
        EXPECT_EQ(rig.Cell(numbers[0], kColumnCode), u"123456");
        EXPECT_EQ(rig.Numbers().Batch().Records().size(), 3u);
        // The received number left the journal when its SMS came; the others wait there still.
        EXPECT_EQ(rig.session.Journal().Entries().size(), kept.size() - 1);

        // Once the service answers again, the next job settles what is left and starts afresh.
        ASSERT_TRUE(rig.Sandbox()->ClearFaults());
        ASSERT_TRUE(rig.RunNumberJob(1));
        EXPECT_EQ(rig.ColumnTexts(kColumnNumber).size(), 1u);
        EXPECT_EQ(rig.session.Journal().Entries().size(), 1u);
    }
}

TEST_F(PhoneNumManagerTest, RefusedRequestShowsCodeAndMessage)
{
    ASSERT_TRUE(rig.RunNumberJob(401));
    std::vector<std::string> messages = rig.tips.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].rfind("正在获取手机号码...获取失败！202", 0), 0u) << messages[1];
    EXPECT_TRUE(rig.Numbers().Batch().Records().empty());
}

TEST_F(PhoneNumManagerTest, SecondRequestWhileRunningIsDropped)
{
    std::string reply;
    ASSERT_TRUE(rig.SandboxControl("/_sandbox/fault",
                                   R"({"path":"/get_mobile","kind":"latency","count":1,"latency_ms":300})", reply));
    rig.Numbers().GetNumbers(1, {}, {});
    rig.Numbers().GetNumbers(5, {}, {});
    ASSERT_TRUE(rig.WaitIdle());
    EXPECT_EQ(rig.Numbers().Batch().Records().size(), 1u);
    EXPECT_EQ(rig.tips.Messages(),
              (std::vector<std::string>{kGetting, "正在获取手机号码...成功获取了 1 个手机号码。"}));
}

// A batch larger than one request may name is settled in several: a refused one ends the step with
// a tip that names the HTTP status (an error page says nothing else), and what went through is
// never sent again.
TEST(PhoneNumManagerManyNumbersTest, LargeBatchIsSettledInBoundedRequests)
{
    SessionFixture rig;
    ASSERT_TRUE(rig.StartSandbox(SessionFixture::Scenario(-1, 1200, 1500)));
    ASSERT_TRUE(rig.SignIn());
    rig.ChooseProject(u"2001");
    ASSERT_TRUE(rig.RunNumberJob(1100));
    ASSERT_EQ(rig.Numbers().Batch().Records().size(), 1100u);
    test::SandboxFault refused;
    refused.path = "/adv_release_mobile";
    refused.kind = "http500";
    ASSERT_TRUE(rig.Sandbox()->InjectFault(refused));
    rig.tips.Clear();

    EXPECT_FALSE(rig.Numbers().ReleaseBatch());
    EXPECT_EQ(rig.tips.Messages(), (std::vector<std::string>{"正在释放手机号码...释放失败！（HTTP 500）"}));
    EXPECT_EQ(rig.SandboxRequests("/adv_release_mobile"), 1);
    EXPECT_EQ(rig.SandboxNumbers("held").size(), 1100u);

    EXPECT_TRUE(rig.Numbers().ReleaseBatch());
    EXPECT_EQ(rig.SandboxRequests("/adv_release_mobile"), 1 + 3);
    EXPECT_TRUE(rig.SandboxNumbers("held").empty());
    EXPECT_EQ(rig.SandboxNumbers("released").size(), 1100u);
    EXPECT_TRUE(rig.session.Journal().Entries().empty());
    EXPECT_TRUE(rig.Numbers().ReleaseBatch());
    EXPECT_EQ(rig.SandboxRequests("/adv_release_mobile"), 1 + 3);
}

// Failures that need no service: a transport error on the request and a missing sign-in token.
TEST(PhoneNumManagerOfflineTest, TransportErrorAndMissingTokenEndTheJob)
{
    SessionFixture rig;
    rig.ChooseProject(u"2001");
    test::RefusingPort refusing;
    rig.SetApiHost(refusing.Host());
    rig.tips.Clear();

    ASSERT_TRUE(rig.RunNumberJob(1));
    EXPECT_EQ(rig.tips.Errors(), (std::vector<std::string>{"", "PhoneNumManager.12."}));

    rig.Config().SetToken("token");
    rig.tips.Clear();
    ASSERT_TRUE(rig.RunNumberJob(1));
    std::vector<test::RecordedTip> tips = rig.tips.Tips();
    ASSERT_EQ(tips.size(), 2u);
    EXPECT_EQ(tips[1].message, "正在获取手机号码...网络连接失败，获取失败！");
    EXPECT_EQ(tips[1].error.rfind("PhoneNumManager.29.", 0), 0u) << tips[1].error;
    EXPECT_EQ(tips[1].error.back(), '.');
}

TEST(PhoneNumManagerOfflineTest, SetupChoicesFillsProvinceAndCarrierBoxes)
{
    SessionFixture rig;
    std::vector<std::u16string> provinces = rig.controls.provinceCombo.Items();
    ASSERT_EQ(provinces.size(), 32u);
    EXPECT_EQ(provinces[0], u"不限");
    EXPECT_EQ(provinces[14], u"黑龙江");
    EXPECT_EQ(provinces[31], u"西藏");
    EXPECT_EQ(rig.controls.provinceCombo.GetCurSel(), 0);
    EXPECT_EQ(rig.controls.carrierCombo.Items(), (std::vector<std::u16string>{u"不限", u"移动", u"联通", u"电信"}));
    EXPECT_EQ(rig.controls.carrierCombo.GetCurSel(), 0);

    rig.Numbers().SetupChoices(nullptr);
    EXPECT_TRUE(rig.tips.HasError("PhoneNumManager.1."));
}

// Reading a /get_mobile reply into a new batch, without a server.
class NumberReplyTest : public ::testing::Test
{
protected:
    NumberRecord Record(const std::u16string& number) { return {number, u"广东", u"深圳", u"移动", u"1001"}; }

    test::TipRecorder tips;
    PhoneNumManager numbers{nullptr, &test::TipRecorder::Callback, tips.Context()};
};

// Installing a reply: the fields of each element in reply order, the request's pid appended.
TEST_F(NumberReplyTest, ReplyElementsBecomeRecordsWithThePid)
{
    numbers.Batch().Install({Record(u"999")});
    numbers.Batch().MarkReceived(u"999");
    numbers.ParseNumbers(R"({"code":0,"msg":"ok","list":[)"
                         R"({"mobile":"13800000001","prov":"广东","city":"深圳","corp":"移动"},)"
                         R"({"Mobile":13800000002,"prov":"浙江","corp":"电信"},)"
                         R"({"mobile":"13800000003","prov":null,"city":"","corp":["x"]}]})",
                         u"1001");

    std::vector<NumberRecord> batch = numbers.Batch().Records();
    ASSERT_EQ(batch.size(), 3u);
    EXPECT_EQ(batch[0], (NumberRecord{u"13800000001", u"广东", u"深圳", u"移动", u"1001"}));
    // A number sent as a JSON number keeps all eleven digits; a missing city is kept empty.
    EXPECT_EQ(batch[1], (NumberRecord{u"13800000002", u"浙江", u"", u"电信", u"1001"}));
    EXPECT_EQ(batch[2], (NumberRecord{u"13800000003", u"", u"", u"", u"1001"}));
    EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"PhoneNumManager.37.", "PhoneNumManager.39.",
                                                       "PhoneNumManager.38.", "PhoneNumManager.39."}));
    EXPECT_FALSE(numbers.Batch().IsReceived(u"999"));
}

TEST_F(NumberReplyTest, UnreadableReplyKeepsTheOldBatch)
{
    struct Case
    {
        const char* reply;
        const char* error;
    };
    const Case cases[] = {{"", "PhoneNumManager.33."}, {"<html>busy</html>", "PhoneNumManager.34."}};
    for (const Case& c : cases) {
        numbers.Batch().Install({Record(u"101")});
        numbers.Batch().MarkOffline(u"101");
        tips.Clear();
        numbers.ParseNumbers(c.reply, u"1001");
        EXPECT_EQ(tips.Errors(), (std::vector<std::string>{c.error}));
        EXPECT_EQ(numbers.Batch().Records().size(), 1u);
        EXPECT_TRUE(numbers.Batch().IsOffline(u"101"));
    }
}

// A reply that does not parse whole: the numbers of its complete records, and the number of a
// record cut after it, become the new batch; a reply without one whole number leaves the old batch.
TEST_F(NumberReplyTest, DamagedReplyKeepsEveryNumberItHeldWhole)
{
    const std::string head = R"({"code":0,"msg":"a\"b","list":[)";
    const std::string first = R"({"mobile":"13800000001","prov":"广东","city":"深圳","corp":"移动"})";
    struct Case
    {
        const char* name;
        std::string reply;
        std::vector<NumberRecord> batch; // empty: the old batch stays
    };
    const NumberRecord one{u"13800000001", u"广东", u"深圳", u"移动", u"1001"};
    const Case cases[] = {
        {"cut inside the second record, after its number",
         head + first + R"(,{"mobile":"13800000002","prov":"广)",
         {one, {u"13800000002", u"", u"", u"", u"1001"}}},
        {"cut inside the first number", head + R"({"mobile":"1380)", {}},
        {"a number as a JSON number, cut after it",
         head + R"({"MOBILE":13800000003,"pr)",
         {{u"13800000003", u"", u"", u"", u"1001"}}},
        {"a JSON number cut in its digits", head + R"({"prov":"广东","mobile":1380000)", {}},
        {"cut between two records", head + first + ",", {one}},
        {"damaged after the list", head + first + R"(],"more":tru)", {one}},
        {"a nested value in the cut record",
         head + first + R"(,{"x":{"mobile":"1"},"mobile":"13800000004")",
         {one, {u"13800000004", u"", u"", u"", u"1001"}}},
        {"only the first member named list counts", R"({"code":0,"list":"x","List":[{"mobile":"13800000001"},{")", {}},
        {"not an object", "<html>busy</html>", {}},
        {"a list that never began", R"({"code":0,"msg":"ok","li)", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        numbers.Batch().Install({Record(u"101")});
        tips.Clear();
        PhoneNumManager::NumbersRead read = numbers.ParseNumbers(c.reply, u"1001");
        EXPECT_TRUE(read.damaged);
        EXPECT_EQ(read.salvaged, c.batch.size());
        EXPECT_EQ(numbers.Batch().Records(), c.batch.empty() ? std::vector<NumberRecord>{Record(u"101")} : c.batch);
        ASSERT_FALSE(tips.Errors().empty());
        EXPECT_EQ(tips.Errors().front(), "PhoneNumManager.34.");
    }
}

TEST_F(NumberReplyTest, ReplyWithoutListEmptiesBatchAndMarks)
{
    numbers.Batch().Install({Record(u"101")});
    numbers.Batch().MarkForBlacklist(u"101");
    numbers.ParseNumbers(R"({"code":0,"msg":"ok"})", u"1001");
    EXPECT_TRUE(numbers.Batch().Records().empty());
    EXPECT_FALSE(numbers.Batch().IsMarkedForBlacklist(u"101"));
    EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"PhoneNumManager.35."}));
}

} // namespace
} // namespace kh
