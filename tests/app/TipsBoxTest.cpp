// Tips box: the display text of a tip, time-stamped lines separated by CR LF, the reader's selection
// kept, and the log files (limit, names, GBK with CR LF, the per-user fallback, nothing lost); and
// with a GUI thread of its own: no tip waits while the view or the severe-error box works, the
// lines of many threads all arrive, and the box may go before its posted work has run.

#include "app/TipsBox.h"

#include "core/OwnerWindow.h"
#include "headless/HeadlessMessageBox.h"
#include "headless/HeadlessTipsView.h"
#include "platform/Sync.h"
#include "platform/TextCodec.h"
#include "support/GuiThreadExecutor.h"
#include "support/TempSettingsDir.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <regex>
#include <thread>
#include <vector>

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

// The system's path separator as a regular expression.
const std::string kSeparatorPattern = kPathSeparator == '\\' ? R"(\\)" : "/";

class TipsBoxTest : public ::testing::Test
{
protected:
    // A private data folder (TempSettingsDir's "data" folder stands for the user's): dir is its
    // parent.
    test::TempSettingsDir settings;
    std::string dir = settings.Path();
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
    TipsBox box(&severe, nullptr, 200);
    box.Init(&view, &owner, AnsiToWide(dir));
    int n = 0;
    while (box.LastLogFile().empty() && n < 100)
        box.AddTip(u"tip number " + AnsiToWide(std::to_string(++n)));
    ASSERT_FALSE(box.LastLogFile().empty());
    std::string saved = ReadFile(box.LastLogFile());
    EXPECT_TRUE(saved.size() >= 200u);
    EXPECT_EQ(saved.substr(saved.size() - ("tip number " + std::to_string(n)).size()),
              "tip number " + std::to_string(n));

    // The box holds only the saved-to line, naming the file by its full path.
    std::string text = Utf8(view.GetText());
    ASSERT_GE(text.size(), 19u);
    EXPECT_EQ(text.substr(19), "以上提示信息，已经保存到了 " + box.LastLogFile() + " 文件中。");
    EXPECT_TRUE(
        std::regex_match(box.LastLogFile().substr(dir.size()),
                         std::regex(kSeparatorPattern + "TipsLog" + kSeparatorPattern + R"(\d{8}_\d{6}(_\d+)?\.log)")))
        << box.LastLogFile();
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
    std::string expected =
        dir + kPathSeparator + "data" + kPathSeparator + "BorvanKH" + kPathSeparator + "TipsLog" + kPathSeparator;
    EXPECT_EQ(file.rfind(expected, 0), 0u) << file;
    EXPECT_NE(ReadFile(file).find("keep me"), std::string::npos);
    EXPECT_NE(Utf8(view.GetText()).find(file), std::string::npos);
    EXPECT_TRUE(severe.Shown().empty());
}

#ifndef _WIN32
// The logs hold the account's activity: each file is its owner's alone, in folders of the owner's
// alone, in the program's folder and in the per-user fallback.
TEST_F(TipsBoxTest, LogFilesAndTheirFoldersAreTheOwnersOnly)
{
    std::ofstream(dir + "/plainfile") << "x";
    for (const std::string& programDir : {dir, dir + "/plainfile"}) {
        SCOPED_TRACE(programDir);
        TipsBox box(&severe);
        box.Init(&view, &owner, AnsiToWide(programDir));
        box.AddTip(u"the account's activity");
        box.SaveAndClear();
        fs::path file = box.LastLogFile();
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(fs::status(file.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
        if (programDir != dir) {
            EXPECT_EQ(fs::status(file.parent_path().parent_path()).permissions() & fs::perms::all,
                      fs::perms::owner_all);
        }
    }
}

// The installed program lives in /usr/bin: its log goes to the user's data folder even when the
// process could write beside the program (root), so no file appears in a system folder.
TEST_F(TipsBoxTest, ProgramInASystemFolderLogsToUserDataFolder)
{
    const bool existed = fs::exists("/usr/bin/TipsLog");
    TipsBox box(&severe);
    box.Init(&view, &owner, u"/usr/bin");
    box.AddTip(u"keep me");
    box.SaveAndClear();
    std::string file = box.LastLogFile();
    EXPECT_EQ(file.rfind(dir + "/data/BorvanKH/TipsLog/", 0), 0u) << file;
    EXPECT_NE(ReadFile(file).find("keep me"), std::string::npos);
    EXPECT_EQ(fs::exists("/usr/bin/TipsLog"), existed);
    EXPECT_TRUE(severe.Shown().empty());
}
#endif

TEST_F(TipsBoxTest, TextThatCannotBeWrittenAnywhereStaysInTheBox)
{
    std::ofstream(dir + "/plainfile") << "x";
    // The user's data folder is a file too (TempSettingsDir restores the variable).
#ifdef _WIN32
    _putenv_s("LOCALAPPDATA", (dir + "\\plainfile").c_str());
#else
    setenv("XDG_DATA_HOME", (dir + "/plainfile").c_str(), 1);
#endif
    TipsBox box(&severe, nullptr, 100);
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

// Raises a tip on a thread of its own; true when AddTip returned within the deadline. It would
// block for ever if the thread asking held a lock of the box while it waits for the GUI thread.
bool TipFromAnotherThreadReturns(TipsBox& box)
{
    auto returned = std::make_shared<Event>(true);
    std::thread raiser([&box, returned] {
        box.AddTip(u"raised meanwhile");
        returned->Set();
    });
    bool ok = returned->Wait(10000);
    if (ok)
        raiser.join();
    else
        raiser.detach();
    return ok;
}

// The tips view and the severe-error box on the stand-in GUI thread: each notes whether it was
// called there, and in its first insert (or box) has another thread raise a tip.
class ProbingTipsView final : public TipsViewPort
{
public:
    ProbingTipsView(HeadlessTipsView& inner, test::GuiThreadExecutor& gui) : inner(inner), gui(gui) {}

    size_t TextLength() override { return Note(), inner.TextLength(); }
    void GetSelection(size_t& start, size_t& end) override { Note(), inner.GetSelection(start, end); }
    void SetSelection(size_t start, size_t end) override { Note(), inner.SetSelection(start, end); }
    void ReplaceSelection(const std::u16string& text) override
    {
        Note();
        if (box != nullptr && !probed.exchange(true))
            probeReturned = TipFromAnotherThreadReturns(*box);
        inner.ReplaceSelection(text);
    }
    std::u16string GetText() override { return Note(), inner.GetText(); }
    void Clear() override { Note(), inner.Clear(); }
    void SetRedraw(bool on) override { Note(), inner.SetRedraw(on); }

    TipsBox* box = nullptr;
    std::atomic<int> callsOffGuiThread{0};
    std::atomic<bool> probed{false};
    std::atomic<bool> probeReturned{false};

private:
    void Note()
    {
        if (!gui.OnGuiThread())
            ++callsOffGuiThread;
    }

    HeadlessTipsView& inner;
    test::GuiThreadExecutor& gui;
};

class ProbingMessageBox final : public MessageBoxPort
{
public:
    explicit ProbingMessageBox(test::GuiThreadExecutor& gui) : gui(gui) {}

    int Show(const std::u16string& text, const std::u16string&, unsigned, bool) override
    {
        if (!gui.OnGuiThread())
            ++callsOffGuiThread;
        if (box != nullptr && !probed.exchange(true))
            probeReturned = TipFromAnotherThreadReturns(*box);
        std::lock_guard<std::mutex> guard(mutex);
        texts.push_back(Utf8(text));
        return kIdOk;
    }
    std::vector<std::string> Texts()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return texts;
    }

    TipsBox* box = nullptr;
    std::atomic<int> callsOffGuiThread{0};
    std::atomic<bool> probed{false};
    std::atomic<bool> probeReturned{false};

private:
    test::GuiThreadExecutor& gui;
    std::mutex mutex;
    std::vector<std::string> texts;
};

TEST_F(TipsBoxTest, NoTipWaitsWhileTheGuiThreadWorksForTheBox)
{
    test::GuiThreadExecutor gui;
    ProbingTipsView probingView(view, gui);
    ProbingMessageBox probingBox(gui);
    TipsBox box(&probingBox, &gui);
    probingView.box = &box;
    probingBox.box = &box;

    // Before Init: the two severe-error boxes are posted, not shown by the thread raising the tip.
    box.AddTip(u"too early");
    gui.Flush();
    ASSERT_TRUE(probingBox.probed.load());
    EXPECT_TRUE(probingBox.probeReturned.load());
    ASSERT_GE(probingBox.Texts().size(), 2u);
    EXPECT_EQ(probingBox.Texts()[0], "提示框，发生严重错误！错误串：3.。");
    EXPECT_EQ(probingBox.Texts()[1], "提示框，发生严重错误！错误串：10.。");

    box.Init(&probingView, &owner, AnsiToWide(dir));
    box.AddTip(u"first");
    gui.Flush();
    ASSERT_TRUE(probingView.probed.load());
    EXPECT_TRUE(probingView.probeReturned.load());
    std::string text = Utf8(view.GetText());
    EXPECT_NE(text.find("first"), std::string::npos) << text;
    EXPECT_NE(text.find("raised meanwhile"), std::string::npos) << text;

    box.SaveAndClear();
    gui.Flush();
    EXPECT_NE(ReadFile(box.LastLogFile()).find("raised meanwhile"), std::string::npos);
    EXPECT_EQ(probingView.callsOffGuiThread.load(), 0);
    EXPECT_EQ(probingBox.callsOffGuiThread.load(), 0);
}

TEST_F(TipsBoxTest, TipsOfManyThreadsAllReachTheLogInTheOrderEachRaisedThem)
{
    test::GuiThreadExecutor gui;
    TipsBox box(&severe, &gui);
    box.Init(&view, &owner, AnsiToWide(dir));
    constexpr int kThreads = 8;
    constexpr int kTips = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&box, t] {
            for (int i = 0; i < kTips; ++i)
                box.AddTip(AnsiToWide("t" + std::to_string(t) + " n" + std::to_string(i)));
        });
    }
    for (auto& thread : threads)
        thread.join();
    box.SaveAndClear();
    gui.Flush();

    std::u16string wide;
    ASSERT_TRUE(MultiByteToWide(kCpGbk, ReadFile(box.LastLogFile()), wide));
    std::string log = Utf8(wide);
    std::vector<int> next(kThreads, 0);
    std::regex line(R"(\[\d\d-\d\d\] \[\d\d:\d\d:\d\d\] t(\d+) n(\d+))");
    size_t lines = 0;
    for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it, ++lines) {
        int t = std::stoi((*it)[1].str());
        EXPECT_EQ(std::stoi((*it)[2].str()), next[static_cast<size_t>(t)]++) << "thread " << t;
    }
    EXPECT_EQ(lines, static_cast<size_t>(kThreads * kTips));
    EXPECT_TRUE(severe.Shown().empty());
}

// The work posted for a tip holds what it needs: the box may be destroyed before it runs, as the
// session may go while the GUI thread still has the last tips queued.
TEST_F(TipsBoxTest, PostedWorkRunsAfterTheBoxIsGone)
{
    test::GuiThreadExecutor gui;
    auto gate = std::make_shared<Event>(true);
    gui.Post([gate] { gate->Wait(kInfinite); });
    {
        TipsBox box(&severe, &gui);
        box.Init(&view, &owner, AnsiToWide(dir));
        box.AddTip(u"last words");
        box.SaveAndClear();
    }
    gate->Set();
    gui.Flush();
    std::string text = Utf8(view.GetText());
    EXPECT_NE(text.find("以上提示信息，已经保存到了 " + dir + kPathSeparator + "TipsLog" + kPathSeparator),
              std::string::npos)
        << text;
    EXPECT_TRUE(severe.Shown().empty());
}

} // namespace
} // namespace kh
