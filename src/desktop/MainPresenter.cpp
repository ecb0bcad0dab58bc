#include "desktop/MainPresenter.h"

#include "app/ClientSession.h"
#include "app/Dispatcher.h"
#include "app/TipsBox.h"
#include "base/Version.h"
#include "core/ports/CheckBoxPort.h"
#include "core/ports/TextBoxPort.h"
#include "core/ports/ToolBarPort.h"
#include "core/ports/UiExecutor.h"
#include "platform/LocalTime.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"

#include <mutex>

namespace kh::desktop {

namespace {

// The command each toolbar button and menu item queues, with its argument.
struct CommandRoute
{
    int commandId;
    int32_t code;
    int32_t argument;
};

constexpr CommandRoute kCommandRoutes[] = {
    {kIdGetNumbers, kCmdGetNumbers, 0},
    {kIdGetSms, kCmdToggleSmsFetch, 0},
    {kIdExtractRule, kCmdExtractRule, 0},
    {kIdSettingsCentre, kCmdSettingsCentre, 0},
    {kIdProjectManagement, kCmdProjectManagement, 0},
    {kIdRecharge, kCmdRecharge, 0},
    {kIdWindowTop, kCmdToggleWindowTop, 0},
    {kIdProjectLink, kCmdProjectLink, 0},
    {kIdCopyNumber, kCmdCopyNumber, 0},
    {kIdCopySms, kCmdCopySms, 0},
    {kIdCopyCode, kCmdCopyCode, 0},
    {kIdBlacklistNumber, kCmdBlacklistSelected, 0},
    // The tray menu's two entries: the left click's toggle, and closing (which asks first).
    {kIdTrayShowHide, kCmdTrayNotify, kTrayLeftButtonDown},
    {kIdTrayExit, kCmdShutdown, 0},
};

} // namespace

MainPresenter::MainPresenter(MainView& view, ClientSession& session)
    : view(view), session(session), executor(session.Controls().executor)
{
    view.SetCaption(Caption({}));
    view.SetPresenter(this);
}

MainPresenter::~MainPresenter()
{
    view.SetPresenter(nullptr);
}

std::u16string MainPresenter::Caption(const std::string& webSite)
{
    // The site's domain name, without a port.
    std::string domain = webSite;
    size_t colon = domain.rfind(':');
    if (colon != std::string::npos && colon > 0)
        domain.resize(colon);
    return u"Zelto - " + AnsiToWide(domain) + u" - 客户端 - v" + AnsiToWide(KH_VERSION);
}

const std::vector<MenuItem>& MainPresenter::ToolBar()
{
    static const std::vector<MenuItem> buttons = {
        {kIdGetNumbers, u"获取号码"}, {kIdGetSms, u"获取短信"},         {kIdExtractRule, u"提取规则"},
        {kIdRecharge, u"账户充值"},   {kIdProjectLink, u"项目对接"},    {kIdProjectManagement, u"项目管理"},
        {kIdWindowTop, u"窗口置顶"},  {kIdSettingsCentre, u"设置中心"},
    };
    return buttons;
}

const std::vector<MenuItem>& MainPresenter::ListMenu()
{
    static const std::vector<MenuItem> items = {
        {kIdCopyNumber, u"复制手机号码"},      {kIdCopySms, u"复制短信"},
        {kIdCopyCode, u"复制验证码"},          {0, nullptr},
        {kIdBlacklistNumber, u"加黑手机号码"}, {0, nullptr},
        {kIdExportList, u"导出列表..."},
    };
    return items;
}

const std::vector<MenuItem>& MainPresenter::TrayMenu()
{
    static const std::vector<MenuItem> items = {
        {kIdTrayShowHide, u"显示/隐藏"},
        {kIdTrayExit, u"退出"},
    };
    return items;
}

std::u16string MainPresenter::ExportFileName()
{
    return u"号码列表-" + AnsiToWide(FormatLocalTime("%Y%m%d-%H%M%S")) + u".csv";
}

void MainPresenter::ShowSettings()
{
    SettingsValues stored = session.Config().Snapshot();
    const SessionControls& controls = session.Controls();
    if (controls.autoGetSmsBox != nullptr)
        controls.autoGetSmsBox->SetChecked(stored.autoGetSms != 0);
    if (controls.autoExtractBox != nullptr)
        controls.autoExtractBox->SetChecked(stored.autoExtractCode != 0);
    if (controls.listAutoSortBox != nullptr)
        controls.listAutoSortBox->SetChecked(stored.listAutoSort != 0);
    if (controls.countBox != nullptr)
        controls.countBox->SetWindowText(u"1");
    if (controls.searchBox != nullptr)
        controls.searchBox->SetWindowText(u"");
    view.SetCaption(Caption(stored.webSite));
}

void MainPresenter::ShowWindow()
{
    view.ShowWindow();
}

void MainPresenter::RunUntilClosed()
{
    if (closed)
        return;
    inMainLoop = true;
    view.RunMainLoop();
    inMainLoop = false;
}

bool MainPresenter::WaitForCloseNotice(int milliseconds)
{
    if (!closed) {
        bool outer = waitingForClose;
        waitingForClose = true;
        view.RunLoop(milliseconds);
        waitingForClose = outer;
    }
    return closed;
}

void MainPresenter::ForceShutdown()
{
    view.AnswerShutdownWithoutAsking();
    Push(kCmdShutdown);
}

void MainPresenter::Detach()
{
    if (detached)
        return;
    // An export still reading the list needs the GUI thread (the list's port calls): once the port
    // calls have ended its reads would come back empty and it would replace the chosen file with a
    // header alone. So it is let finish first, the GUI thread served until it says so.
    if (exportsRunning > 0) {
        if (executor != nullptr) {
            waitingForExports = true;
            view.RunLoop(kExportFinishMs);
            waitingForExports = false;
        } else {
            // No GUI thread to serve: the export's reads run on its own thread.
            session.Exporter().WaitUntilIdle(kExportFinishMs);
        }
    }
    detached = true;
    view.EndPortCalls();
}

void MainPresenter::Push(int32_t code, int32_t argument)
{
    if (!closed && !detached)
        session.Push(code, argument);
}

void MainPresenter::OnCommand(int commandId)
{
    if (commandId == kIdExportList) {
        ExportList();
        return;
    }
    for (const CommandRoute& route : kCommandRoutes) {
        if (route.commandId == commandId) {
            Push(route.code, route.argument);
            return;
        }
    }
}

void MainPresenter::OnProjectChosen(int index)
{
    if (index >= 1)
        Push(kCmdShowProjectInfo, index - 1);
}

void MainPresenter::OnSearch()
{
    Push(kCmdSearchProjects);
}

void MainPresenter::OnCheckBoxClicked(MainCheckBox box, bool checked)
{
    if (detached)
        return;
    // Each box stores only its own state; nothing else of the window is read.
    uint32_t value = checked ? 1 : 0;
    ConfigCenter& config = session.Config();
    config.Update([box, value](SettingsValues& values) {
        switch (box) {
        case MainCheckBox::AutoGetSms:
            values.autoGetSms = value;
            break;
        case MainCheckBox::AutoExtractCode:
            values.autoExtractCode = value;
            break;
        case MainCheckBox::ListAutoSort:
            values.listAutoSort = value;
            break;
        }
    });
    if (checked && box == MainCheckBox::AutoGetSms)
        Push(kCmdAutoGetSmsChecked);
    else if (checked && box == MainCheckBox::AutoExtractCode)
        Push(kCmdAutoExtractChecked);
}

void MainPresenter::OnHeaderClicked(int column)
{
    Push(kCmdSortColumn, column);
}

void MainPresenter::OnTrayClicked()
{
    Push(kCmdTrayNotify, kTrayLeftButtonDown);
}

bool MainPresenter::OnCloseRequested()
{
    if (closed)
        return true;
    // The shutdown command asks first; only its close notice ends the window.
    Push(kCmdShutdown);
    return false;
}

void MainPresenter::OnEscape()
{
    Push(kCmdShutdown);
}

void MainPresenter::OnMinimised()
{
    // Hidden only when the notification area can bring it back.
    if (!closed && view.CanRestoreFromTray())
        view.HideWindow();
}

void MainPresenter::OnMousePress(bool insideTips)
{
    // A press inside the tips box pauses its auto-scroll, a press anywhere else resumes it.
    if (!detached)
        session.Tips().SetAutoScroll(!insideTips);
}

void MainPresenter::OnCloseNotice()
{
    if (closed)
        return;
    closed = true;
    view.CloseWindow();
    if (waitingForClose)
        view.QuitLoop();
    if (inMainLoop)
        view.QuitMainLoop();
}

void MainPresenter::ExportList()
{
    if (closed || detached)
        return;
    std::u16string path = view.ChooseExportFile(ExportFileName());
    // The file dialog ran an event loop of its own: the window may have been closed meanwhile.
    if (path.empty() || closed || detached)
        return;
    ++exportsRunning;
    auto finished = [this] {
        if (executor != nullptr)
            executor->Post([this] { OnExportFinished(); });
        else
            OnExportFinished();
    };
    if (!session.Exporter().StartExport(WideToAnsi(path), finished))
        --exportsRunning;
}

void MainPresenter::OnExportFinished()
{
    if (--exportsRunning == 0 && waitingForExports)
        view.QuitLoop();
}

} // namespace kh::desktop
