// SMS fetching against the sandbox over loopback: by hand (one request per number) and
// automatically (until arrival, stop or time-out), the cells and tips of each outcome, the
// handling of an arrival (move-up, mark, extraction), the bound of 100 pollers, the wait for every
// poller when the manager is destroyed mid-fetch, the hand-off recovering from a number whose
// poller never starts, and the copy and notification of each code found.

#include "numbers/ExtractRule.h"
#include "support/RefusingPort.h"
#include "support/SessionFixture.h"
#include "support/WaitUntil.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kh {
namespace {

using test::SessionFixture;
using test::WaitUntil;

const std::string kFetching = "正在获取短信...";
const std::string kFinished = "正在获取短信...获取完成。";

// A sandbox whose numbers receive nothing unless a test delivers an SMS, signed in, project
// chosen, and count numbers rented with automatic fetching off.
class SmsFixture
{
public:
    void Rent(uint32_t count)
    {
        ASSERT_TRUE(rig.StartSandbox(SessionFixture::Scenario(-1)));
        ASSERT_TRUE(rig.SignIn());
        rig.ChooseProject(u"2001");
        ASSERT_TRUE(rig.RunNumberJob(count));
        for (const NumberRecord& record : rig.Numbers().Batch().Records())
            mobiles.push_back(record.at(kFieldMobile));
        ASSERT_EQ(mobiles.size(), count);
        rig.tips.Clear();
    }

    void Automatic(uint32_t spaceTime, uint32_t timeoutTime)
    {
        rig.Configure([&](SettingsValues& c) {
            c.autoGetSms = 1;
            c.spaceTime = spaceTime;
            c.timeoutTime = timeoutTime;
        });
    }

    bool FetchAndWait()
    {
        rig.Sms().StartFetch();
        return rig.WaitIdle();
    }

    std::vector<std::u16string> Cells(int column)
    {
        std::vector<std::u16string> cells;
        for (const std::u16string& mobile : mobiles)
            cells.push_back(rig.Cell(mobile, column));
        return cells;
    }

    SessionFixture rig;
    std::vector<std::u16string> mobiles;
    test::RefusingPort refusing;
};

// ---- by hand ----

struct MissCase
{
    const char* name;
    std::function<void(SmsFixture&)> prepare;
    std::u16string cell;
    std::string message; // the tip after "正在获取短信...", empty for none
    std::string error;   // its error string's start
    bool offline;
};

class SmsByHandTest : public ::testing::TestWithParam<MissCase>, public SmsFixture
{
};

TEST_P(SmsByHandTest, EachMissShowsWhy)
{
    const MissCase& c = GetParam();
    Rent(1);
    c.prepare(*this);
    ASSERT_TRUE(FetchAndWait());

    EXPECT_EQ(rig.Cell(mobiles[0], kColumnSms), c.cell);
    EXPECT_EQ(rig.Cell(mobiles[0], kColumnCode), u"");
    EXPECT_EQ(rig.Numbers().Batch().IsOffline(mobiles[0]), c.offline);
    EXPECT_FALSE(rig.Numbers().Batch().IsReceived(mobiles[0]));
    std::vector<test::RecordedTip> tips = rig.tips.Tips();
    ASSERT_EQ(tips.size(), c.message.empty() ? 2u : 3u);
    EXPECT_EQ(tips.front().message, kFetching);
    EXPECT_EQ(tips.back().message, kFinished);
    if (!c.message.empty()) {
        EXPECT_EQ(tips[1].message.rfind(c.message, 0), 0u) << tips[1].message;
        EXPECT_EQ(tips[1].error.rfind(c.error, 0), 0u) << tips[1].error;
    }
    // The button is pressed for the fetch and released at its end.
    EXPECT_EQ(rig.controls.toolBar.Changes(),
              (std::vector<std::pair<int, bool>>{{kIdGetSms, true}, {kIdGetSms, false}}));
}

INSTANTIATE_TEST_SUITE_P(
    Misses, SmsByHandTest,
    ::testing::Values(MissCase{"NoSmsYet", [](SmsFixture&) {}, u"暂未收到", "", "", false},
                      MissCase{"NumberOffline", [](SmsFixture& f) { ASSERT_TRUE(f.rig.PutOffline(f.mobiles[0])); },
                               u"获取中断", "手机号码已经下线或者释放，获取短信被中断！", "", true},
                      MissCase{"TransportError", [](SmsFixture& f) { f.rig.SetApiHost(f.refusing.Host()); },
                               u"获取失败", "正在获取短信...网络连接失败，获取失败！", "SMSManager.20.", false},
                      MissCase{"Refused", [](SmsFixture& f) { f.rig.Config().SetToken("expired"); }, u"获取失败",
                               "正在获取短信...获取失败！102", "", false}),
    [](const ::testing::TestParamInfo<MissCase>& info) { return info.param.name; });

class SMSManagerTest : public ::testing::Test, public SmsFixture
{
};

TEST_F(SMSManagerTest, NoActiveNumbersEndsAtOnce)
{
    Rent(2);
    for (const std::u16string& mobile : mobiles)
        rig.Numbers().Batch().MarkOffline(mobile);
    ASSERT_TRUE(FetchAndWait());
    EXPECT_EQ(rig.tips.Messages(), (std::vector<std::string>{kFetching, "正在获取短信...获取失败！请先获取号码。"}));
    EXPECT_TRUE(rig.controls.toolBar.Changes().empty());
    EXPECT_EQ(rig.SandboxRequests("/get_sms"), 0);
}

// ---- an arrival ----

struct ArrivalCase
{
    const char* name;
    bool autoExtract;
    ExtractRule rule;
    std::u16string code;
    bool extractTip;
};

class SmsArrivalTest : public ::testing::TestWithParam<ArrivalCase>, public SmsFixture
{
};

TEST_P(SmsArrivalTest, ArrivalIsShownMovedUpMarkedAndExtracted)
{
    const ArrivalCase& c = GetParam();
    Rent(3);
    Automatic(100, 60000);
    rig.Configure([&](SettingsValues& values) {
        values.autoExtractCode = c.autoExtract ? 1 : 0;
        values.extractMode = c.rule.mode;
        values.keywordHead = c.rule.headKeyword;
        values.keywordTail = c.rule.tailKeyword;
        values.codeLength = c.rule.codeLength;
    });
    rig.Sms().StartFetch();
    ASSERT_TRUE(WaitUntil([&] { return rig.Cell(mobiles[2], kColumnSms) == u"正在获取"; }));

    // The space between the words and the code does not survive the reply's reading.
    ASSERT_TRUE(rig.Deliver(mobiles[2], "您的验证码是 482915，请勿泄露"));
    ASSERT_TRUE(WaitUntil([&] { return rig.Numbers().Batch().IsReceived(mobiles[2]); }));
    ASSERT_TRUE(WaitUntil([&] { return !rig.Cell(mobiles[2], kColumnCode).empty(); }));

    EXPECT_EQ(rig.Cell(mobiles[2], kColumnSms), u"您的验证码是482915，请勿泄露");
    EXPECT_EQ(rig.Cell(mobiles[2], kColumnCode), c.code);
    EXPECT_EQ(rig.tips.HasMessage("自动提取验证码失败，请检查“提取规则”是否设置正确！"), c.extractTip);
    EXPECT_EQ(rig.ColumnTexts(kColumnNumber), (std::vector<std::u16string>{mobiles[2], mobiles[0], mobiles[1]}));
    EXPECT_EQ(rig.ColumnTexts(kColumnSerial), (std::vector<std::u16string>{u"1", u"2", u"3"}));

    // Stopping ends the other pollers in their wait.
    rig.Sms().StopFetch();
    ASSERT_TRUE(rig.WaitIdle());
    EXPECT_EQ(rig.Cell(mobiles[0], kColumnSms), u"获取停止");
    EXPECT_EQ(rig.Cell(mobiles[1], kColumnSms), u"获取停止");
    EXPECT_EQ(rig.tips.Messages().back(), kFinished);
    EXPECT_FALSE(rig.controls.toolBar.IsButtonChecked(kIdGetSms));
    std::vector<NumberRecord> active;
    rig.Numbers().Batch().GetActiveNumbers(active);
    EXPECT_EQ(active.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Extraction, SmsArrivalTest,
    ::testing::Values(ArrivalCase{"Smart", true, {}, u"482915", false},
                      ArrivalCase{"BetweenKeywords", true, {BetweenKeywords, u"是", u"，", 6}, u"482915", false},
                      ArrivalCase{"NothingFound", true, {AfterKeyword, u"密码", {}, 6}, u"提取失败", true},
                      ArrivalCase{"InvalidRule", true, {BetweenKeywords, u"是", u"", 6}, u"提取失败", true},
                      ArrivalCase{"ExtractionOff", false, {}, u"未提取", false}),
    [](const ::testing::TestParamInfo<ArrivalCase>& info) { return info.param.name; });

// ---- a code found: clipboard and notification ----

struct AnnounceCase
{
    const char* name;
    uint32_t notifyOnCode;
    uint32_t autoCopyCode;
    bool codeFound;     // the rule finds the code in the SMS
    bool clipboardHeld; // another program keeps the clipboard open
};

class SmsAnnounceTest : public ::testing::TestWithParam<AnnounceCase>, public SmsFixture
{
};

// Each code found goes to the clipboard and to the notifier as the settings say, after its cell is
// written; a code not found is announced nowhere, and a clipboard that cannot be opened costs the
// copy only.
TEST_P(SmsAnnounceTest, FoundCodesAreCopiedAndNotifiedAsTheSettingsSay)
{
    const AnnounceCase& c = GetParam();
    Rent(2);
    Automatic(100, 60000);
    rig.Configure([&](SettingsValues& values) {
        values.notifyOnCode = c.notifyOnCode;
        values.autoCopyCode = c.autoCopyCode;
        if (!c.codeFound) {
            values.extractMode = AfterKeyword;
            values.keywordHead = u"密码";
        }
    });
    rig.controls.clipboard.HoldByOther(c.clipboardHeld);
    rig.Sms().StartFetch();
    const std::string texts[] = {"您的验证码是482915，请勿泄露", "验证码771204，5分钟内有效"};
    const std::u16string codes[] = {u"482915", u"771204"};
    // One arrival after the other, so their order is known.
    for (int i : {1, 0}) {
        ASSERT_TRUE(rig.Deliver(mobiles[i], texts[1 - i]));
        // The next arrival waits for the manager's lock, which this one holds until it is announced.
        ASSERT_TRUE(WaitUntil([&] { return !rig.Cell(mobiles[i], kColumnCode).empty(); }));
    }
    rig.Sms().StopFetch();
    ASSERT_TRUE(rig.WaitIdle());

    std::vector<HeadlessNotifier::Notice> expected;
    if (c.codeFound && c.notifyOnCode != 0)
        expected = {{mobiles[1], codes[0]}, {mobiles[0], codes[1]}};
    EXPECT_EQ(rig.controls.notifier.Notices(), expected);

    bool copies = c.codeFound && c.autoCopyCode != 0;
    if (copies && !c.clipboardHeld) {
        EXPECT_EQ(rig.controls.clipboard.Text(), std::optional<std::u16string>(codes[1]));
        EXPECT_EQ(rig.controls.clipboard.SetCount(), 2);
    } else {
        EXPECT_FALSE(rig.controls.clipboard.Text().has_value());
        EXPECT_EQ(rig.controls.clipboard.SetCount(), 0);
    }
    // A clipboard held elsewhere is one internal tip per code; the codes are in the list either way.
    EXPECT_EQ(rig.tips.HasError("Clipboard.1."), copies && c.clipboardHeld);
    EXPECT_FALSE(rig.controls.clipboard.IsOpen());
    EXPECT_EQ(rig.Cell(mobiles[0], kColumnCode), c.codeFound ? codes[1] : u"提取失败");
}

INSTANTIATE_TEST_SUITE_P(Settings, SmsAnnounceTest,
                         ::testing::Values(AnnounceCase{"Defaults", 1, 0, true, false},
                                           AnnounceCase{"CopyAndNotify", 1, 1, true, false},
                                           AnnounceCase{"CopyOnly", 0, 1, true, false},
                                           AnnounceCase{"Neither", 0, 0, true, false},
                                           AnnounceCase{"NoCodeFound", 1, 1, false, false},
                                           AnnounceCase{"ClipboardHeldElsewhere", 1, 1, true, true}),
                         [](const ::testing::TestParamInfo<AnnounceCase>& info) { return info.param.name; });

// ---- automatic fetching ----

TEST_F(SMSManagerTest, AutomaticPollingEndsAtTheTimeOut)
{
    Rent(2);
    Automatic(100, 300);
    ASSERT_TRUE(FetchAndWait());
    EXPECT_EQ(Cells(kColumnSms), (std::vector<std::u16string>{u"获取超时", u"获取超时"}));
    EXPECT_EQ(rig.tips.Messages(), (std::vector<std::string>{kFetching, kFinished}));
    // Asked again after every interval, not once only.
    EXPECT_GE(rig.SandboxRequests("/get_sms"), 4);
    // Timed-out numbers stay active for the next fetch.
    std::vector<NumberRecord> active;
    rig.Numbers().Batch().GetActiveNumbers(active);
    EXPECT_EQ(active.size(), 2u);
}

// The time-out is the number's own deadline: an interval longer than the time left is cut to it
// (4294967295 ms would otherwise be a wait without end), so each number is asked once and times out.
TEST_F(SMSManagerTest, NoIntervalWaitOutlastsTheTimeOut)
{
    Rent(2);
    Automatic(4294967295u, 300);
    ASSERT_TRUE(FetchAndWait());
    EXPECT_EQ(Cells(kColumnSms), (std::vector<std::u16string>{u"获取超时", u"获取超时"}));
    EXPECT_EQ(rig.SandboxRequests("/get_sms"), 2);
    EXPECT_EQ(rig.tips.Messages(), (std::vector<std::string>{kFetching, kFinished}));
}

// An interval below the floor, from wherever it came, is raised to it, and that is said once for
// all pollers: in 500 ms a number is asked at most six times, not thousands.
TEST_F(SMSManagerTest, IntervalBelowTheFloorIsRaisedToItAndSaidOnce)
{
    Rent(2);
    Automatic(0, 500);
    ASSERT_TRUE(FetchAndWait());
    EXPECT_EQ(Cells(kColumnSms), (std::vector<std::u16string>{u"获取超时", u"获取超时"}));
    EXPECT_LE(rig.SandboxRequests("/get_sms"), 2 * (500 / static_cast<int>(SMSManager::kMinIntervalMs) + 1));
    const std::string raised =
        "获取短信的间隔 GetSMSConfig_SpaceTime 为 0 毫秒，低于 100 毫秒的下限，已按 100 毫秒获取。";
    EXPECT_EQ(rig.tips.Messages(), (std::vector<std::string>{kFetching, raised, kFinished}));
}

TEST_F(SMSManagerTest, AutomaticPollingStopsWhenTheNumberGoesOffline)
{
    Rent(1);
    Automatic(100, 60000);
    rig.Sms().StartFetch();
    ASSERT_TRUE(WaitUntil([&] { return rig.SandboxRequests("/get_sms") >= 2; }));
    ASSERT_TRUE(rig.PutOffline(mobiles[0]));
    ASSERT_TRUE(rig.WaitIdle());
    EXPECT_EQ(rig.Cell(mobiles[0], kColumnSms), u"获取中断");
    EXPECT_TRUE(rig.Numbers().Batch().IsOffline(mobiles[0]));
}

TEST_F(SMSManagerTest, EmptySmsWithSuccessCodeLeavesTheNumberActive)
{
    Rent(1);
    std::string reply;
    ASSERT_TRUE(rig.SandboxControl("/_sandbox/fault",
                                   R"({"path":"/get_sms","kind":"reply","count":1,"code":"0","msg":"ok"})", reply));
    ASSERT_TRUE(FetchAndWait());
    EXPECT_TRUE(rig.tips.HasError("SMSManager.22."));
    EXPECT_EQ(rig.Cell(mobiles[0], kColumnSms), u"正在获取");
    EXPECT_FALSE(rig.Numbers().Batch().IsReceived(mobiles[0]));
}

TEST_F(SMSManagerTest, NeverMoreThanOneHundredPollersAndAllFinish)
{
    Rent(150);
    Automatic(100, 600000);
    rig.Sms().StartFetch();
    // 100 pollers start and keep polling; the 101st waits for a slot.
    ASSERT_TRUE(WaitUntil([&] { return rig.Sms().RunningPollers() == SMSManager::kMaxPollers; },
                          std::chrono::milliseconds(60000)));
    ASSERT_TRUE(WaitUntil([&] { return rig.Cell(mobiles[99], kColumnSms) == u"正在获取"; }));
    EXPECT_EQ(rig.Cell(mobiles[100], kColumnSms), u"");
    EXPECT_EQ(rig.Cell(mobiles[149], kColumnSms), u"");

    // A short time-out, read at each poller's next miss, ends the first hundred; the other fifty
    // start in their slots and end the same way.
    rig.Configure([](SettingsValues& c) { c.timeoutTime = 100; });
    ASSERT_TRUE(rig.WaitIdle(std::chrono::milliseconds(60000)));
    EXPECT_EQ(rig.Sms().PeakPollers(), SMSManager::kMaxPollers);
    EXPECT_EQ(rig.Sms().RunningPollers(), 0);
    std::vector<std::u16string> cells = Cells(kColumnSms);
    EXPECT_EQ(std::count(cells.begin(), cells.end(), u"获取超时"), 150);
    EXPECT_EQ(rig.tips.Messages().back(), kFinished);
}

// Destroyed mid-fetch, the manager stops and waits for its fetch worker and every poller: each
// poller has finished its request and ended (its cell says stopped) before the manager is gone.
TEST_F(SMSManagerTest, DestroyedMidFetchWaitsForEveryPoller)
{
    Rent(5);
    Automatic(100, 600000);
    std::string reply;
    ASSERT_TRUE(rig.SandboxControl("/_sandbox/fault",
                                   R"({"path":"/get_sms","kind":"latency","count":1000,"latency_ms":200})", reply));
    auto fetch = std::make_unique<SMSManager>(&rig.Owner(), &test::TipRecorder::Callback, rig.tips.Context());
    fetch->StartFetch();
    ASSERT_TRUE(WaitUntil([&] { return fetch->RunningPollers() == 5; }));
    fetch.reset();
    EXPECT_EQ(Cells(kColumnSms), std::vector<std::u16string>(5, u"获取停止"));
    EXPECT_EQ(rig.tips.Messages().back(), kFinished);
}

TEST_F(SMSManagerTest, SecondStartWhileFetchingIsDropped)
{
    Rent(1);
    Automatic(100, 60000);
    rig.Sms().StartFetch();
    rig.Sms().StartFetch();
    ASSERT_TRUE(WaitUntil([&] { return rig.Cell(mobiles[0], kColumnSms) == u"正在获取"; }));
    rig.Sms().StopFetch();
    ASSERT_TRUE(rig.WaitIdle());
    EXPECT_EQ(rig.tips.Messages(), (std::vector<std::string>{kFetching, kFinished}));
}

// ---- without a service ----

// A record without pid never gets a poller; the hand-off must still pass to the next number and
// the final wait must end.
TEST(SMSManagerOfflineTest, RecordWithoutPidDoesNotBlockTheHandOff)
{
    SessionFixture rig;
    rig.Config().SetToken("token");
    test::RefusingPort refusing;
    rig.SetApiHost(refusing.Host());
    rig.Numbers().Batch().Install({{u"13800000001", u"广东", u"深圳", u"移动"},
                                   {u"13800000002", u"广东", u"深圳", u"移动", u"2001"},
                                   {u"13800000003", u"广东", u"深圳", u"移动"},
                                   {u"13800000004", u"广东", u"深圳", u"移动", u"2001"}});
    for (int i = 1; i <= 4; ++i)
        rig.NumberList().AddRow(u"1380000000" + std::u16string(1, static_cast<char16_t>(u'0' + i)), u"广东", u"深圳",
                                u"移动");
    rig.Sms().StartFetch();
    ASSERT_TRUE(rig.WaitIdle(std::chrono::milliseconds(20000)));
    EXPECT_EQ(rig.Cell(u"13800000002", kColumnSms), u"获取失败");
    EXPECT_EQ(rig.Cell(u"13800000004", kColumnSms), u"获取失败");
    EXPECT_EQ(rig.Cell(u"13800000001", kColumnSms), u"");
    std::vector<std::string> errors = rig.tips.Errors();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), "SMSManager.8."), 2);
    EXPECT_EQ(rig.tips.Messages().back(), kFinished);

    // The slots and the hand-off are whole again: a second fetch runs the same way.
    rig.tips.Clear();
    rig.Sms().StartFetch();
    ASSERT_TRUE(rig.WaitIdle(std::chrono::milliseconds(20000)));
    EXPECT_EQ(rig.tips.Messages().back(), kFinished);
}

TEST(SMSManagerOfflineTest, WithoutOwnerNothingStartsAndExtractionReportsIt)
{
    test::TipRecorder tips;
    SMSManager sms(nullptr, &test::TipRecorder::Callback, tips.Context());
    sms.StartFetch();
    EXPECT_FALSE(sms.IsBusy());
    EXPECT_EQ(sms.ExtractCode(u"验证码123456"), u"");
    EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"SMSManager.3.", "SMSManager.23."}));
}

} // namespace
} // namespace kh
