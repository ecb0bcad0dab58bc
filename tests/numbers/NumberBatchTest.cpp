// The number batch: marks, active numbers, arrival times, and a new batch that starts without marks.

#include "numbers/NumberBatch.h"

#include "support/TipRecorder.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
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
        batch.GetActiveNumbers(active);
        std::vector<std::u16string> result;
        for (const NumberRecord& record : active)
            result.push_back(record.at(kFieldMobile));
        return result;
    }

    TipRecorder tips;
    NumberBatch batch{&TipRecorder::Callback, tips.Context()};
};

TEST_F(NumberBatchTest, ActiveNumbersLeaveOutEveryMarkedNumberInBatchOrder)
{
    batch.Install({Record(u"101"), Record(u"102"), Record(u"103"), Record(u"104"), Record(u"105"), Record(u"106")});
    batch.MarkReceived(u"102");
    batch.MarkForBlacklist(u"103");
    batch.MarkOffline(u"104");
    batch.MarkReceived(u"105");
    batch.MarkForBlacklist(u"105");

    EXPECT_EQ(ActiveNumbers(), (std::vector<std::u16string>{u"101", u"106"}));
    EXPECT_TRUE(batch.IsReceived(u"105"));
    EXPECT_TRUE(batch.IsMarkedForBlacklist(u"105"));
    EXPECT_FALSE(batch.IsOffline(u"105"));
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(NumberBatchTest, NewBatchStartsWithNoMarks)
{
    batch.Install({Record(u"101"), Record(u"102")});
    batch.MarkReceived(u"101");
    batch.MarkForBlacklist(u"102");
    batch.MarkOffline(u"101");

    batch.Install({Record(u"101"), Record(u"102"), Record(u"201")});

    EXPECT_EQ(ActiveNumbers(), (std::vector<std::u16string>{u"101", u"102", u"201"}));
    EXPECT_FALSE(batch.IsReceived(u"101"));
    EXPECT_FALSE(batch.IsMarkedForBlacklist(u"102"));
    EXPECT_FALSE(batch.IsOffline(u"101"));
}

TEST_F(NumberBatchTest, MarksCompareNumbersExactly)
{
    batch.Install({Record(u"13800138000"), Record(u"13800138000 ")});
    batch.MarkReceived(u"13800138000");
    EXPECT_EQ(ActiveNumbers(), (std::vector<std::u16string>{u"13800138000 "}));
}

TEST_F(NumberBatchTest, RecordWithoutFieldsStopsTheWalk)
{
    batch.Install({Record(u"101"), NumberRecord{}, Record(u"103")});
    EXPECT_EQ(ActiveNumbers(), (std::vector<std::u16string>{u"101"}));
    EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"PhoneNumManager.4."}));
}

TEST_F(NumberBatchTest, EmptyNumberIsRefusedWithItsTip)
{
    struct Case
    {
        std::function<void(NumberBatch&)> call;
        const char* error;
    };
    const Case cases[] = {
        {[](NumberBatch& m) { m.MarkReceived(u""); }, "PhoneNumManager.5."},
        {[](NumberBatch& m) { EXPECT_FALSE(m.IsReceived(u"")); }, "PhoneNumManager.6."},
        {[](NumberBatch& m) { m.MarkForBlacklist(u""); }, "PhoneNumManager.7."},
        {[](NumberBatch& m) { m.MarkOffline(u""); }, "PhoneNumManager.8."},
        {[](NumberBatch& m) { EXPECT_FALSE(m.IsMarkedForBlacklist(u"")); }, "PhoneNumManager.44."},
        {[](NumberBatch& m) { EXPECT_FALSE(m.IsOffline(u"")); }, "PhoneNumManager.45."},
    };
    batch.Install({Record(u"101")});
    for (const Case& c : cases) {
        tips.Clear();
        c.call(batch);
        ASSERT_EQ(tips.Tips().size(), 1u) << c.error;
        EXPECT_EQ(tips.Tips()[0].message, "");
        EXPECT_EQ(tips.Tips()[0].error, c.error);
    }
    EXPECT_EQ(ActiveNumbers(), (std::vector<std::u16string>{u"101"}));
}

// The arrival time is the moment of the first MarkReceived, kept until the next batch.
TEST_F(NumberBatchTest, ReceivingStampsTheArrivalTimeOnce)
{
    batch.Install({Record(u"13800000001"), Record(u"13800000002")});
    EXPECT_FALSE(batch.ArrivalTime(u"13800000001").has_value());

    auto before = NumberBatch::Clock::now();
    batch.MarkReceived(u"13800000001");
    auto after = NumberBatch::Clock::now();
    std::optional<NumberBatch::Clock::time_point> arrived = batch.ArrivalTime(u"13800000001");
    ASSERT_TRUE(arrived.has_value());
    EXPECT_GE(*arrived, before);
    EXPECT_LE(*arrived, after);

    // Marked again later (a repeated arrival): the first moment stays.
    batch.MarkReceived(u"13800000001");
    EXPECT_EQ(batch.ArrivalTime(u"13800000001"), arrived);
    // Other marks are not arrivals.
    batch.MarkOffline(u"13800000002");
    EXPECT_FALSE(batch.ArrivalTime(u"13800000002").has_value());

    batch.Install({Record(u"13800000001")});
    EXPECT_FALSE(batch.ArrivalTime(u"13800000001").has_value());
}

} // namespace
} // namespace kh
