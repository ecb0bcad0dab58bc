// AutoLock: holds its critical section for its scope, and reports a missing object.

#include "base/AutoLock.h"

#include "support/TipRecorder.h"

#include <future>
#include <gtest/gtest.h>

namespace kh {
namespace {

using test::TipRecorder;

bool FreeForAnotherThread(CriticalSection& section)
{
    return std::async(std::launch::async,
                      [&section] {
                          if (!section.TryLock())
                              return false;
                          section.Unlock();
                          return true;
                      })
        .get();
}

TEST(AutoLockTest, HoldsTheSectionForItsScopeAndNests)
{
    TipRecorder tips;
    CriticalSection section;
    {
        AutoLock outer(TipRecorder::Callback, tips.Context(), &section);
        EXPECT_FALSE(FreeForAnotherThread(section));
        {
            AutoLock inner(TipRecorder::Callback, tips.Context(), &section); // recursive on one thread
        }
        EXPECT_FALSE(FreeForAnotherThread(section));
    }
    EXPECT_TRUE(FreeForAnotherThread(section));
    EXPECT_EQ(tips.Count(), 0u);
}

TEST(AutoLockTest, MissingObjectReportsTip1OnLockAndTip4OnUnlock)
{
    TipRecorder tips;
    {
        AutoLock lock(TipRecorder::Callback, tips.Context(), nullptr);
        EXPECT_EQ(tips.Errors(), std::vector<std::string>{"AutoLock.1."});
    }
    EXPECT_EQ(tips.Errors(), (std::vector<std::string>{"AutoLock.1.", "AutoLock.4."}));
    EXPECT_EQ(tips.Messages(), (std::vector<std::string>{"", ""}));
}

} // namespace
} // namespace kh
