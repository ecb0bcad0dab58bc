// The main window's presenter over the in-memory views and a session that is not started: the
// command each button and menu item queues, the project box's count line, the check boxes that
// store only their own setting, the caption, closing (the close box and Escape queue the shutdown
// until its close notice ends the window), the forced shutdown, minimising, and the list's export
// that closing waits for.

#include "desktop/MainPresenter.h"

#include "HeadlessWindows.h"
#include "app/ClientSession.h"
#include "app/Dispatcher.h"
#include "core/ports/ToolBarPort.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "support/TempSettingsDir.h"

#include <gtest/gtest.h>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace kh::desktop {
namespace {

using namespace std::chrono_literals;

// Pushed after an action: every command before it came from the action.
constexpr int32_t kSentinel = -1;

struct Queued
{
    int32_t code;
    int32_t argument;
    bool operator==(const Queued&) const = default;
};

void PrintTo(const Queued& command, std::ostream* out)
{
    *out << "(" << command.code << ", " << command.argument << ")";
}

class MainPresenterTest : public ::testing::Test
{
protected:
    MainPresenterTest() { session.LoadSettings(); }
    ~MainPresenterTest() override
    {
        presenter.Detach();
        session.StopAndWait();
    }

    // The commands the presenter queued since the last call, in order.
    std::vector<Queued> Pushed()
    {
        session.Push(kSentinel);
        std::vector<Queued> pushed;
        Command command;
        while (session.Commands().PopCommand(command) && command.code != kSentinel)
            pushed.push_back({command.code, command.argument});
        return pushed;
    }

    SettingsValues Stored() { return session.Config().Snapshot(); }

    test::TempSettingsDir settingsDir;
    test::HeadlessWindows windows;
    ClientSession session{windows.Controls()};
    MainPresenter presenter{windows.mainView, session};
};

TEST_F(MainPresenterTest, EachButtonAndMenuItemQueuesItsCommand)
{
    struct Case
    {
        int commandId;
        Queued expected;
    };
    const Case cases[] = {
        {kIdGetNumbers, {kCmdGetNumbers, 0}},
        {kIdGetSms, {kCmdToggleSmsFetch, 0}},
        {kIdExtractRule, {kCmdExtractRule, 0}},
        {kIdRecharge, {kCmdRecharge, 0}},
        {kIdProjectLink, {kCmdProjectLink, 0}},
        {kIdProjectManagement, {kCmdProjectManagement, 0}},
        {kIdWindowTop, {kCmdToggleWindowTop, 0}},
        {kIdSettingsCentre, {kCmdSettingsCentre, 0}},
        {kIdCopyNumber, {kCmdCopyNumber, 0}},
        {kIdCopySms, {kCmdCopySms, 0}},
        {kIdCopyCode, {kCmdCopyCode, 0}},
        {kIdBlacklistNumber, {kCmdBlacklistSelected, 0}},
        {kIdTrayShowHide, {kCmdTrayNotify, kTrayLeftButtonDown}},
        {kIdTrayExit, {kCmdShutdown, 0}},
    };
    for (const Case& c : cases) {
        presenter.OnCommand(c.commandId);
        EXPECT_EQ(Pushed(), std::vector<Queued>{c.expected}) << "command id " << c.commandId;
    }
    // Every toolbar button and every entry of the two menus does something (the export is the
    // window's own, below).
    EXPECT_EQ(MainPresenter::ToolBar().size(), 8u);
    for (const auto* menu : {&MainPresenter::ToolBar(), &MainPresenter::ListMenu(), &MainPresenter::TrayMenu()}) {
        for (const MenuItem& item : *menu) {
            if (item.commandId == 0 || item.commandId == kIdExportList)
                continue;
            presenter.OnCommand(item.commandId);
            EXPECT_EQ(Pushed().size(), 1u) << WideToUtf8(item.text);
        }
    }
    presenter.OnCommand(12345);
    EXPECT_TRUE(Pushed().empty());
}

TEST_F(MainPresenterTest, ChoicesSearchSortAndTrayQueueTheirCommands)
{
    // Entry 0 of the project box is its count line, not a project.
    presenter.OnProjectChosen(0);
    EXPECT_TRUE(Pushed().empty());
    presenter.OnProjectChosen(1);
    presenter.OnProjectChosen(7);
    presenter.OnSearch();
    presenter.OnHeaderClicked(3);
    presenter.OnTrayClicked();
    EXPECT_EQ(Pushed(), (std::vector<Queued>{{kCmdShowProjectInfo, 0},
                                             {kCmdShowProjectInfo, 6},
                                             {kCmdSearchProjects, 0},
                                             {kCmdSortColumn, 3},
                                             {kCmdTrayNotify, kTrayLeftButtonDown}}));
}

TEST_F(MainPresenterTest, CheckBoxesStoreOnlyTheirOwnSetting)
{
    struct Case
    {
        MainCheckBox box;
        uint32_t SettingsValues::*setting;
        int32_t commandWhenChecked; // 0: none
    };
    const Case cases[] = {
        {MainCheckBox::AutoGetSms, &SettingsValues::autoGetSms, kCmdAutoGetSmsChecked},
        {MainCheckBox::AutoExtractCode, &SettingsValues::autoExtractCode, kCmdAutoExtractChecked},
        {MainCheckBox::ListAutoSort, &SettingsValues::listAutoSort, 0},
    };
    for (const Case& c : cases) {
        session.Config().Update(
            [](SettingsValues& values) { values.autoGetSms = values.autoExtractCode = values.listAutoSort = 0; });
        presenter.OnCheckBoxClicked(c.box, true);
        SettingsValues stored = Stored();
        for (const Case& other : cases)
            EXPECT_EQ(stored.*other.setting, &other == &c ? 1u : 0u);
        std::vector<Queued> expected;
        if (c.commandWhenChecked != 0)
            expected.push_back({c.commandWhenChecked, 0});
        EXPECT_EQ(Pushed(), expected);

        // Unchecking only stores.
        presenter.OnCheckBoxClicked(c.box, false);
        EXPECT_EQ(Stored().*c.setting, 0u);
        EXPECT_TRUE(Pushed().empty());
    }
}

TEST_F(MainPresenterTest, CaptionNamesTheWebSiteWithoutItsPort)
{
    const std::pair<std::string, std::u16string> cases[] = {
        {"www.example.com", u"Zelto - www.example.com - 客户端 - v1.0"},
        {"127.0.0.1:8080", u"Zelto - 127.0.0.1 - 客户端 - v1.0"},
        {"", u"Zelto -  - 客户端 - v1.0"},
    };
    for (const auto& [site, caption] : cases)
        EXPECT_EQ(MainPresenter::Caption(site), caption) << site;

    // The settings reach the controls and the caption; the count starts at one.
    {
        session.Config().Update([&](SettingsValues& values) {
            values.webSite = "site.test:8443";
            values.autoGetSms = 1;
            values.autoExtractCode = 0;
            values.listAutoSort = 1;
        });
    }
    windows.controls.countBox.SetWindowText(u"9");
    windows.controls.searchBox.SetWindowText(u"旧词");
    presenter.ShowSettings();
    EXPECT_EQ(windows.mainView.caption, u"Zelto - site.test - 客户端 - v1.0");
    EXPECT_TRUE(windows.controls.autoGetSmsBox.IsChecked());
    EXPECT_FALSE(windows.controls.autoExtractBox.IsChecked());
    EXPECT_TRUE(windows.controls.listAutoSortBox.IsChecked());
    EXPECT_EQ(windows.controls.countBox.GetWindowText(), u"1");
    EXPECT_EQ(windows.controls.searchBox.GetWindowText(), u"");
}

// The close box and Escape queue the shutdown command, which asks; only its close notice, posted
// from the command worker, ends the window. After it nothing is queued any more.
TEST_F(MainPresenterTest, ClosingQueuesTheShutdownUntilTheCloseNoticeEndsTheWindow)
{
    EXPECT_FALSE(presenter.OnCloseRequested());
    presenter.OnEscape();
    EXPECT_EQ(Pushed(), (std::vector<Queued>{{kCmdShutdown, 0}, {kCmdShutdown, 0}}));
    EXPECT_FALSE(presenter.IsClosed());

    // Not yet: the serving ends at its deadline.
    EXPECT_FALSE(presenter.WaitForCloseNotice(20));
    std::thread worker([this] { windows.controls.window.PostClose(); });
    EXPECT_TRUE(presenter.WaitForCloseNotice(10000));
    worker.join();
    EXPECT_TRUE(windows.mainView.closed);
    EXPECT_TRUE(windows.mainView.lastLoopQuit);

    EXPECT_TRUE(presenter.OnCloseRequested());
    presenter.OnEscape();
    presenter.OnCommand(kIdGetNumbers);
    EXPECT_TRUE(Pushed().empty());
}

TEST_F(MainPresenterTest, TheApplicationLoopEndsWithTheCloseNotice)
{
    std::thread worker([this] { windows.controls.window.PostClose(); });
    presenter.RunUntilClosed();
    worker.join();
    EXPECT_TRUE(presenter.IsClosed());
    EXPECT_TRUE(windows.mainView.closed);
}

TEST_F(MainPresenterTest, ForcedShutdownAnswersWithoutAskingAndQueuesTheShutdown)
{
    presenter.ForceShutdown();
    EXPECT_TRUE(windows.mainView.quietShutdown);
    EXPECT_EQ(Pushed(), (std::vector<Queued>{{kCmdShutdown, 0}}));
    EXPECT_EQ(windows.controls.messageBox.Show(kShutdownQuestion, kShutdownCaption, kMbOkCancel, true), kIdOk);
    EXPECT_EQ(windows.controls.messageBox.Show(u"更新？", u"更新软件", kMbOkCancel, true), kIdCancel);
    EXPECT_TRUE(windows.controls.messageBox.Shown().empty());
}

TEST_F(MainPresenterTest, MinimisingHidesOnlyWhenTheTrayCanBringTheWindowBack)
{
    windows.mainView.trayShown = false;
    presenter.OnMinimised();
    EXPECT_EQ(windows.mainView.hides, 0);
    windows.mainView.trayShown = true;
    presenter.OnMinimised();
    EXPECT_EQ(windows.mainView.hides, 1);
}

// The file is chosen by the view, written in the background, and announced in a tip; closing lets
// an export in progress finish first and hears of its end (no waiting out the limit).
TEST_F(MainPresenterTest, ExportWritesTheChosenFileAndClosingWaitsForIt)
{
    session.Tips().Init(&windows.controls.tipsView, &session.Owner(), {});
    windows.mainView.exportAnswer = {};
    presenter.OnCommand(kIdExportList);
    EXPECT_TRUE(
        std::regex_match(WideToUtf8(windows.mainView.offeredExportName), std::regex("号码列表-\\d{8}-\\d{6}\\.csv")))
        << WideToUtf8(windows.mainView.offeredExportName);
    // Cancelled: nothing runs.
    EXPECT_TRUE(ClientSession::WaitForIdle(session.Exporter(), 0ms));

    std::string path = settingsDir.Path() + kPathSeparator + "列表.csv";
    windows.mainView.exportAnswer = AnsiToWide(path);
    presenter.OnCommand(kIdExportList);
    presenter.Detach();
    EXPECT_TRUE(windows.mainView.lastLoopQuit);
    EXPECT_TRUE(windows.mainView.portCallsEnded);
    EXPECT_EQ(test::TempSettingsDir::ReadFile(path), "\xEF\xBB\xBF序号,手机号码,短信,验证码,归属信息,收到时间\r\n");
    EXPECT_NE(WideToUtf8(windows.controls.tipsView.GetText()).find("正在导出列表...导出完成，共 0 行"),
              std::string::npos);

    // Detached: the window's handlers queue nothing more.
    presenter.OnCommand(kIdGetNumbers);
    EXPECT_TRUE(Pushed().empty());
}

} // namespace
} // namespace kh::desktop
