// Tips box: the display text of a tip, time-stamped lines separated by CR LF, the reader's selection
// kept, and the log files (limit, names, GBK with CR LF, the per-user fallback, nothing lost).

#include "app/TipsBox.h"

#include "core/OwnerWindow.h"
#include "headless/HeadlessMessageBox.h"
#include "headless/HeadlessTipsView.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>

namespace kh {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const std::u16string& text)
{
    return WideToUtf8(text);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class TipsBoxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kh-tipsbox-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        const char* old = std::getenv("XDG_DATA_HOME");
        savedDataHome = old != nullptr ? old : "";
        hadDataHome = old != nullptr;
        setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    }
    void TearDown() override
    {
        if (hadDataHome)
            setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        fs::remove_all(dir);
    }

    std::string dir;
    std::string savedDataHome;
    bool hadDataHome = false;
    HeadlessMessageBox severe{kIdOk};
    HeadlessTipsView view;
    OwnerWindow owner;
};

TEST_F(TipsBoxTest, ShowTipBuildsTheThreeDisplayShapes)
{
    struct Case
    {
        std::string message, error, shown;
    } cases[] = {
        {"正在获取短信...成功", "", "正在获取短信...成功"},
        {"网络连接失败，登录失败！", "LoginCtrl.8.12.", "网络连接失败，登录失败！错误串：LoginCtrl.8.12.。"},
        {"", "SMSManager.20.114.", "发生内部错误！错误串：SMSManager.20.114.。"},
    };
    TipsBox box(&severe);
    owner.tipsBox = &box;
    box.Init(&view, &owner, AnsiToWide(dir));
    for (const Case& c : cases) {
        view.Clear();
        ShowTip(c.message, c.error, &owner);
        std::string text = Utf8(view.GetText());
        ASSERT_GE(text.size(), 19u);
        EXPECT_EQ(text.substr(19), c.shown); // behind "[mm-dd] [hh:mm:ss] "
    }
    view.Clear();
    ShowTip("lost", "", nullptr);
    EXPECT_EQ(view.TextLength(), 0u);
}

TEST_F(TipsBoxTest, LinesAreTimeStampedAndSeparatedByCrLf)
{
    TipsBox box(&severe);
    box.Init(&view, &owner, AnsiToWide(dir));
    box.AddTip(u"一");
    box.AddTip(u"二");
    box.AddTip(u"三");
    std::string stamp = R"(\[\d\d-\d\d\] \[\d\d:\d\d:\d\d\] )";
    EXPECT_TRUE(std::regex_match(Utf8(view.GetText()), std::regex(stamp + "一\r\n" + stamp + "二\r\n" + stamp + "三")))
        << Utf8(view.GetText());
}

TEST_F(TipsBoxTest, SelectionAndViewStayWhileTheUserReads)
{
    TipsBox box(&severe);
    box.Init(&view, &owner, AnsiToWide(dir));
    box.AddTip(u"first line");
    view.SetSelection(3, 8);
    box.AddTip(u"second line");
    size_t start = 0, end = 0;
    view.GetSelection(start, end);
    EXPECT_EQ(start, 3u);
    EXPECT_EQ(end, 8u);
    EXPECT_TRUE(view.RedrawOn());
    EXPECT_NE(Utf8(view.GetText()).find("second line"), std::string::npos);

    // Without a selection but with scrolling paused by a click into the box, the caret stays too.
    view.SetSelection(4, 4);
    box.SetAutoScroll(false);
    box.AddTip(u"third line");
    view.GetSelection(start, end);
    EXPECT_EQ(start, 4u);
    box.SetAutoScroll(true);
    box.AddTip(u"fourth");
    view.GetSelection(start, end);
    EXPECT_EQ(start, view.TextLength());
}

TEST_F(TipsBoxTest, SavesAtTheLimitIncludingTheTipThatReachedIt)
{
    TipsBox box(&severe, 200);
    box.Init(&view, &owner, AnsiToWide(dir));
    int n = 0;
    while (box.LastLogFile().empty() && n < 100)
        box.AddTip(u"tip number " + AnsiToWide(std::to_string(++n)));
    ASSERT_FALSE(box.LastLogFile().empty());
    std::string saved = ReadFile(box.LastLogFile());
    EXPECT_TRUE(saved.size() >= 200u);
    EXPECT_EQ(saved.substr(saved.size() - ("tip number " + std::to_string(n)).size()),
              "tip number " + std::to_string(n));

    std::string text = Utf8(view.GetText());
    EXPECT_TRUE(std::regex_match(
        text,
        std::regex(
            R"(\[\d\d-\d\d\] \[\d\d:\d\d:\d\d\] 以上提示信息，已经保存到了 /TipsLog/\d{8}_\d{6}(_\d+)?\.log 文件中。)")))
        << text;
    EXPECT_EQ(box.LastLogFile(),
              dir + text.substr(text.find("/TipsLog/"), text.find(".log") + 4 - text.find("/TipsLog/")));
    EXPECT_TRUE(severe.Shown().empty());
}

TEST_F(TipsBoxTest, TwoSavesWithinOneSecondKeepBothFiles)
{
    TipsBox box(&severe);
    box.Init(&view, &owner, AnsiToWide(dir));
    box.AddTip(u"alpha");
    box.SaveAndClear();
    std::string first = box.LastLogFile();
    box.AddTip(u"beta");
    box.SaveAndClear();
    std::string second = box.LastLogFile();
    ASSERT_NE(first, second);
    EXPECT_NE(ReadFile(first).find("alpha"), std::string::npos);
    EXPECT_NE(ReadFile(second).find("beta"), std::string::npos);
    EXPECT_EQ(ReadFile(second).find("alpha"), std::string::npos);
    std::string name = fs::path(first).filename().string();
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(\d{8}_\d{6}\.log)"))) << name;
}

TEST_F(TipsBoxTest, LogFileIsGbkWithCrLfLineEnds)
{
    TipsBox box(&severe);
    box.Init(&view, &owner, AnsiToWide(dir));
    box.AddTip(u"中文提示");
    box.AddTip(u"发现新版本\n第二行");
    box.SaveAndClear();
    std::string bytes = ReadFile(box.LastLogFile());
    EXPECT_NE(bytes.find("\xD6\xD0\xCE\xC4\xCC\xE1\xCA\xBE"), std::string::npos); // 中文提示 in GBK
    EXPECT_EQ(bytes.find("\xE4\xB8\xAD"), std::string::npos);                     // not UTF-8
    size_t lineEnds = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(bytes[i - 1], '\r') << "bare LF at " << i;
            EXPECT_FALSE(i >= 2 && bytes[i - 2] == '\r') << "CR CR LF at " << i;
            ++lineEnds;
        }
    }
    EXPECT_EQ(lineEnds, 2u);
}

TEST_F(TipsBoxTest, UnwritableProgramFolderFallsBackToUserDataFolder)
{
    std::ofstream(dir + "/plainfile") << "x";
    TipsBox box(&severe);
    box.Init(&view, &owner, AnsiToWide(dir + "/plainfile"));
    box.AddTip(u"keep me");
    box.SaveAndClear();
    std::string file = box.LastLogFile();
    EXPECT_EQ(file.rfind(dir + "/data/BorvanKH/TipsLog/", 0), 0u) << file;
    EXPECT_NE(ReadFile(file).find("keep me"), std::string::npos);
    EXPECT_NE(Utf8(view.GetText()).find(file), std::string::npos);
    EXPECT_TRUE(severe.Shown().empty());
}

TEST_F(TipsBoxTest, TextThatCannotBeWrittenAnywhereStaysInTheBox)
{
    std::ofstream(dir + "/plainfile") << "x";
    setenv("XDG_DATA_HOME", (dir + "/plainfile").c_str(), 1);
    TipsBox box(&severe, 100);
    box.Init(&view, &owner, AnsiToWide(dir + "/plainfile"));
    for (int i = 0; i < 10; ++i)
        box.AddTip(u"precious tip");
    EXPECT_TRUE(box.LastLogFile().empty());
    std::string text = Utf8(view.GetText());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 9);
    // One box each time the limit is reached again, not one per tip.
    ASSERT_GE(severe.Shown().size(), 1u);
    EXPECT_LE(severe.Shown().size(), 3u);
    EXPECT_EQ(Utf8(severe.Shown()[0].caption), "严重错误");
    EXPECT_EQ(Utf8(severe.Shown()[0].text).rfind("提示框，发生严重错误！错误串：13.", 0), 0u);
    EXPECT_FALSE(severe.Shown()[0].owned);
}

TEST_F(TipsBoxTest, TipBeforeInitReportsSevereThreeThenTen)
{
    TipsBox box(&severe);
    box.AddTip(u"too early");
    auto shown = severe.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(Utf8(shown[0].text), "提示框，发生严重错误！错误串：3.。");
    EXPECT_EQ(Utf8(shown[1].text), "提示框，发生严重错误！错误串：10.。");
    EXPECT_EQ(shown[0].flags, kMbOk | kMbIconError);
}

} // namespace
} // namespace kh
