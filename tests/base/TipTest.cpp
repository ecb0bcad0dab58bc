// The three shapes of a tip: a plain message, an internal error with its site and detail, nothing.

#include "base/Tip.h"

#include "support/TipRecorder.h"

#include <gtest/gtest.h>

namespace kh {
namespace {

using test::TipRecorder;

TEST(Tip, ErrorStringCarriesMarkerSiteAndDetail)
{
    struct Case
    {
        const char* message;
        int siteCode;
        const char* detail;
        const char* expectedError;
    } cases[] = {
        {"成功。", 0, "dropped", ""},
        {"", 8, "12.", "SMSManager.8.12."},
        {"", 20, "114.", "SMSManager.20.114."},
        {"", 3, "", "SMSManager.3."},
    };
    for (const Case& c : cases) {
        TipRecorder recorder;
        ReportTip(&TipRecorder::Callback, recorder.Context(), "SMSManager.", c.message, c.siteCode, c.detail);
        ASSERT_EQ(recorder.Count(), 1u);
        EXPECT_EQ(recorder.Tips()[0].message, c.message);
        EXPECT_EQ(recorder.Tips()[0].error, c.expectedError);
    }
}

TEST(Tip, NothingIsDeliveredWithoutCallbackOrContext)
{
    TipRecorder recorder;
    ReportTip(nullptr, recorder.Context(), "SMSManager.", "m", 1, "d");
    ReportTip(&TipRecorder::Callback, nullptr, "SMSManager.", "m", 1, "d");
    EXPECT_EQ(recorder.Count(), 0u);
}

TEST(Tip, TipSourceReportsWithItsOwnMarker)
{
    struct Module : TipSource
    {
        using TipSource::TipSource;
    };
    TipRecorder recorder;
    Module module("UpdateManager.", &TipRecorder::Callback, recorder.Context());
    module.ReportTip("", 4, "132.");
    module.ReportTip("正在检查新版本...", 0);
    EXPECT_TRUE(recorder.HasError("UpdateManager.4.132."));
    EXPECT_TRUE(recorder.HasMessage("正在检查新版本..."));
    EXPECT_EQ(recorder.Tips()[1].error, "");
}

} // namespace
} // namespace kh
