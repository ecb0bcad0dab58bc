// The clipboard helper over the in-memory clipboard: the text lands as it is, and each failed
// step leaves the clipboard closed and reports its own tip.

#include "core/Clipboard.h"

#include "headless/HeadlessClipboard.h"
#include "support/TipRecorder.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace kh {
namespace {

using Strings = std::vector<std::string>;

class ClipboardTest : public ::testing::Test
{
protected:
    test::TipRecorder tips;
    HeadlessClipboard port;
    Clipboard clipboard{&test::TipRecorder::Callback, tips.Context()};
};

TEST_F(ClipboardTest, CopiesTextIncludingEmptyText)
{
    EXPECT_TRUE(clipboard.CopyText(&port, u"验证码 123456"));
    EXPECT_EQ(port.Text(), std::u16string(u"验证码 123456"));
    EXPECT_TRUE(clipboard.CopyText(&port, u""));
    EXPECT_EQ(port.Text(), std::u16string());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(ClipboardTest, EachFailedStepReportsItsTipAndLeavesTheClipboardClosed)
{
    struct Case
    {
        const char* name;
        std::function<void(HeadlessClipboard&)> arrange;
        const char* error;
        bool contentKept;
    };
    const Case cases[] = {
        {"held by another program", [](HeadlessClipboard& c) { c.HoldByOther(true); }, "Clipboard.1.", true},
        {"cannot be emptied", [](HeadlessClipboard& c) { c.FailNext(HeadlessClipboard::Op::Empty); }, "Clipboard.2.",
         true},
        {"did not take the data", [](HeadlessClipboard& c) { c.FailNext(HeadlessClipboard::Op::Set); }, "Clipboard.7.",
         false},
        {"cannot be closed", [](HeadlessClipboard& c) { c.FailNext(HeadlessClipboard::Op::Close); }, "Clipboard.8.",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(clipboard.CopyText(&port, u"before"));
        tips.Clear();
        c.arrange(port);
        EXPECT_FALSE(clipboard.CopyText(&port, u"after"));
        port.HoldByOther(false);
        EXPECT_EQ(tips.Errors(), Strings{c.error});
        if (c.contentKept) {
            EXPECT_EQ(port.Text(), std::u16string(u"before"));
        }
        // Another user can open the clipboard at once.
        bool opened = false;
        std::thread other([&] {
            opened = port.Open();
            port.Close();
        });
        other.join();
        EXPECT_TRUE(opened);
    }

    tips.Clear();
    EXPECT_FALSE(clipboard.CopyText(nullptr, u"x"));
    EXPECT_EQ(tips.Errors(), Strings{"Clipboard.1."});
}

} // namespace
} // namespace kh
