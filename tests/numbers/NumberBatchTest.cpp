// The number batch: marks, active numbers, and installing a /get_mobile reply as a new batch.

#include "numbers/PhoneNumManager.h"
#include "support/TipRecorder.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kh {
namespace {

using test::TipRecorder;

class NumberBatchTest : public ::testing::Test
{
  protected:
    NumberRecord Record(const std::u16string& number) { return {number, u"广东", u"深圳", u"移动", u"1001"}; }

    std::vector<std::u16string> ActiveNumbers()
    {
        std::vector<NumberRecord> active;
        numbers.GetActiveNumbers(active);
        std::vector<std::u16string> result;
        for (const NumberRecord& record : active)
            result.push_back(record.at(kFieldMobile));
        return result;
    }

    TipRecorder tips;
    PhoneNumManager numbers{nullptr, &TipRecorder::Callback, tips.Context()};
};

TEST_F(NumberBatchTest, ActiveNumbersLeaveOutEveryMarkedNumberInBatchOrder)
{
    numbers.InstallBatch(
        {Record(u"101"), Record(u"102"), Record(u"103"), Record(u"104"), Record(u"105"), Record(u"106")});
    numbers.MarkReceived(u"102");
    numbers.MarkForBlacklist(u"103");
    numbers.MarkOffline(u"104");
    numbers.MarkReceived(u"105");
    numbers.MarkForBlacklist(u"105");

    EXPECT_EQ(ActiveNumbers(), (std::vector<std::u16string>{u"101", u"106"}));
    EXPECT_TRUE(numbers.IsReceived(u"105"));
    EXPECT_TRUE(numbers.IsMarkedForBlacklist(u"105"));
    EXPECT_FALSE(numbers.IsOffline(u"105"));
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(NumberBatchTest, NewBatchStartsWithNoMarks)
{
    numbers.InstallBatch({Record(u"101"), Record(u"102")});
    numbers.MarkReceived(u"101");
    numbers.MarkForBlacklist(u"102");
    numbers.MarkOffline(u"101");

    numbers.InstallBatch({Record(u"101"), Record(u"102"), Record(u"201")});

    EXPECT_EQ(ActiveNumbers(), (std::vector<std::u16string>{u"101", u"102", u"201"}));
    EXPECT_FALSE(numbers.IsReceived(u"101"));
    EXPECT_FALSE(numbers.IsMarkedForBlacklist(u"102"));
    EXPECT_FALSE(numbers.IsOffline(u"101"));
}

TEST_F(NumberBatchTest, MarksCompareNumbersExactly)
{
    numbers.InstallBatch({Record(u"13800138000"), Record(u"13800138000 ")});
    numbers.MarkReceived(u"13800138000");
    EXPECT_EQ(ActiveNumbers(), (std::vector<std::u16string>{u"13800138000 "}));
}

TEST_F(NumberBatchTest, RecordWithoutFieldsStopsTheWalk)
{
    numbers.InstallBatch({Record(u"101"), NumberRecord{}, Record(u"103")});
    EXPECT_EQ(ActiveNumbers(), (std::vector<std::u16string>{u"101"}));
    EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"PhoneNumManager.4."}));
}

TEST_F(NumberBatchTest, EmptyNumberIsRefusedWithItsTip)
{
    struct Case
    {
        std::function<void(PhoneNumManager&)> call;
        const char* error;
    };
    const Case cases[] = {
        {[](PhoneNumManager& m) { m.MarkReceived(u""); }, "PhoneNumManager.5."},
        {[](PhoneNumManager& m) { EXPECT_FALSE(m.IsReceived(u"")); }, "PhoneNumManager.6."},
        {[](PhoneNumManager& m) { m.MarkForBlacklist(u""); }, "PhoneNumManager.7."},
        {[](PhoneNumManager& m) { m.MarkOffline(u""); }, "PhoneNumManager.8."},
        {[](PhoneNumManager& m) { EXPECT_FALSE(m.IsMarkedForBlacklist(u"")); }, "PhoneNumManager.44."},
        {[](PhoneNumManager& m) { EXPECT_FALSE(m.IsOffline(u"")); }, "PhoneNumManager.45."},
    };
    numbers.InstallBatch({Record(u"101")});
    for (const Case& c : cases) {
        tips.Clear();
        c.call(numbers);
        ASSERT_EQ(tips.Tips().size(), 1u) << c.error;
        EXPECT_EQ(tips.Tips()[0].message, "");
        EXPECT_EQ(tips.Tips()[0].error, c.error);
    }
    EXPECT_EQ(ActiveNumbers(), (std::vector<std::u16string>{u"101"}));
}

// Installing a reply: the fields of each element in reply order, the request's pid appended.
TEST_F(NumberBatchTest, ReplyElementsBecomeRecordsWithThePid)
{
    numbers.InstallBatch({Record(u"999")});
    numbers.MarkReceived(u"999");
    numbers.ParseNumbers(R"({"code":0,"msg":"ok","list":[)"
                         R"({"mobile":"13800000001","prov":"广东","city":"深圳","corp":"移动"},)"
                         R"({"Mobile":13800000002,"prov":"浙江","corp":"电信"},)"
                         R"({"mobile":"13800000003","prov":null,"city":"","corp":["x"]}]})",
                         u"1001");

    std::vector<NumberRecord> batch = numbers.GetBatch();
    ASSERT_EQ(batch.size(), 3u);
    EXPECT_EQ(batch[0], (NumberRecord{u"13800000001", u"广东", u"深圳", u"移动", u"1001"}));
    // A number sent as a JSON number keeps all eleven digits; a missing city is kept empty.
    EXPECT_EQ(batch[1], (NumberRecord{u"13800000002", u"浙江", u"", u"电信", u"1001"}));
    EXPECT_EQ(batch[2], (NumberRecord{u"13800000003", u"", u"", u"", u"1001"}));
    EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"PhoneNumManager.37.", "PhoneNumManager.39.",
                                                       "PhoneNumManager.38.", "PhoneNumManager.39."}));
    EXPECT_FALSE(numbers.IsReceived(u"999"));
}

TEST_F(NumberBatchTest, UnreadableReplyKeepsTheOldBatch)
{
    struct Case
    {
        const char* reply;
        const char* error;
    };
    const Case cases[] = {{"", "PhoneNumManager.33."}, {"<html>busy</html>", "PhoneNumManager.34."}};
    for (const Case& c : cases) {
        numbers.InstallBatch({Record(u"101")});
        numbers.MarkOffline(u"101");
        tips.Clear();
        numbers.ParseNumbers(c.reply, u"1001");
        EXPECT_EQ(tips.Errors(), (std::vector<std::string>{c.error}));
        EXPECT_EQ(numbers.GetBatch().size(), 1u);
        EXPECT_TRUE(numbers.IsOffline(u"101"));
    }
}

TEST_F(NumberBatchTest, ReplyWithoutListEmptiesBatchAndMarks)
{
    numbers.InstallBatch({Record(u"101")});
    numbers.MarkForBlacklist(u"101");
    numbers.ParseNumbers(R"({"code":0,"msg":"ok"})", u"1001");
    EXPECT_TRUE(numbers.GetBatch().empty());
    EXPECT_FALSE(numbers.IsMarkedForBlacklist(u"101"));
    EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"PhoneNumManager.35."}));
}

} // namespace
} // namespace kh
