#include "ui/win32/MainWindow.h"

#include "desktop/MainPresenter.h"
#include "ui/win32/GuiThread.h"
#include "ui/win32/ResourceIds.h"

// After WinApi.h (through MainDialog.h): the common save dialog and the documents folder.
// clang-format off
#include <commdlg.h>
#include <shlobj.h>
// clang-format on
#include <algorithm>

namespace kh::win32 {

namespace {

// The commands whose resource id differs from the presenter's.
struct CommandMap
{
    int resourceId;
    int presenterId;
};

constexpr CommandMap kRenamedCommands[] = {
    {ID_EXPORT_LIST, desktop::kIdExportList},
    {ID_TRAY_SHOW_HIDE, desktop::kIdTrayShowHide},
    {ID_TRAY_EXIT, desktop::kIdTrayExit},
};

std::u16string DocumentsFolder()
{
    wchar_t folder[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return FromWide(folder, wcslen(folder));
    return {};
}

} // namespace

MainWindow::MainWindow()
{
    Connect();
}

bool MainWindow::Create()
{
    if (!dialog.Create(IDD_MAIN, nullptr))
        return false;
    dialog.CreateBars();
    if (!caption.empty())
        SetWindowTextW(dialog.Handle(), Wide(caption));
    return true;
}

void MainWindow::AddDialog(HWND other)
{
    if (other != nullptr)
        dialogs.push_back(other);
}

int MainWindow::PresenterCommand(int resourceId)
{
    for (const CommandMap& renamed : kRenamedCommands) {
        if (renamed.resourceId == resourceId)
            return renamed.presenterId;
    }
    // The toolbar's and the list menu's own commands have the same ids on both sides.
    if (resourceId >= ID_GET_NUMBERS && resourceId <= ID_PROJECT_LINK)
        return resourceId;
    return 0;
}

void MainWindow::Connect()
{
    // Every report goes to the presenter while there is one and the port calls have not ended.
    auto target = [this]() -> desktop::MainPresenter* { return portsEnded ? nullptr : presenter; };
    dialog.onCommand = [this, target](int id, int) {
        int command = PresenterCommand(id);
        if (command == 0)
            return false;
        if (desktop::MainPresenter* p = target())
            p->OnCommand(command);
        return true;
    };
    dialog.onClose = [target] {
        if (desktop::MainPresenter* p = target())
            p->OnCloseRequested();
    };
    dialog.onCloseNotice = [this] {
        if (presenter != nullptr)
            presenter->OnCloseNotice();
    };
    dialog.onMinimised = [target] {
        if (desktop::MainPresenter* p = target())
            p->OnMinimised();
    };
    dialog.onMousePress = [this, target](POINT point) {
        desktop::MainPresenter* p = target();
        if (p == nullptr)
            return;
        RECT tips = dialog.tipsBox.RectInParent();
        p->OnMousePress(PtInRect(&tips, point) != 0);
    };
    dialog.onMessage = [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        return onSystemMessage ? onSystemMessage(message, wParam, lParam, result) : false;
    };
    dialog.searchButton.onClick = [target] {
        if (desktop::MainPresenter* p = target())
            p->OnSearch();
    };
    dialog.projectCombo.onSelectionChanged = [target](int index) {
        if (desktop::MainPresenter* p = target())
            p->OnProjectChosen(index);
    };
    const std::pair<CheckBox*, desktop::MainCheckBox> boxes[] = {
        {&dialog.autoGetSmsBox, desktop::MainCheckBox::AutoGetSms},
        {&dialog.autoExtractBox, desktop::MainCheckBox::AutoExtractCode},
        {&dialog.listAutoSortBox, desktop::MainCheckBox::ListAutoSort},
    };
    for (auto [box, which] : boxes) {
        box->onClick = [target, which](bool checked) {
            if (desktop::MainPresenter* p = target())
                p->OnCheckBoxClicked(which, checked);
        };
    }
    dialog.numberList.onColumnClick = [target](int column) {
        if (desktop::MainPresenter* p = target())
            p->OnHeaderClicked(column);
    };
    // The context menu is the window's own: its items come back as commands.
    dialog.numberList.onRightClick = [this](POINT screen) {
        if (!portsEnded)
            dialog.ShowListMenu(screen);
    };
    dialog.trayIcon.onLeftClick = [target] {
        if (desktop::MainPresenter* p = target())
            p->OnTrayClicked();
    };
    dialog.trayIcon.onMenuCommand = [target](int id) {
        int command = PresenterCommand(id);
        if (desktop::MainPresenter* p = target(); p != nullptr && command != 0)
            p->OnCommand(command);
    };
    dialog.trayIcon.onBalloonClick = [this] {
        HWND window = dialog.Handle();
        if (portsEnded || window == nullptr)
            return;
        ::ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(window);
    };
}

void MainWindow::SetPresenter(desktop::MainPresenter* owner)
{
    presenter = owner;
}

void MainWindow::SetCaption(const std::u16string& caption)
{
    // Kept for the window made later.
    this->caption = caption;
    if (dialog.Handle() != nullptr)
        SetWindowTextW(dialog.Handle(), Wide(caption));
}

void MainWindow::ShowWindow()
{
    HWND window = dialog.Handle();
    if (window == nullptr)
        return;
    ::ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
}

void MainWindow::CloseWindow()
{
    for (HWND other : dialogs)
        ::ShowWindow(other, SW_HIDE);
    if (dialog.Handle() != nullptr)
        ::ShowWindow(dialog.Handle(), SW_HIDE);
}

bool MainWindow::CanRestoreFromTray()
{
    return dialog.trayIcon.IsShown();
}

void MainWindow::HideWindow()
{
    if (dialog.Handle() != nullptr)
        ::ShowWindow(dialog.Handle(), SW_HIDE);
}

std::u16string MainWindow::ChooseExportFile(const std::u16string& suggestedName)
{
    std::u16string folder = DocumentsFolder();
    if (exportFileChooser)
        return exportFileChooser(folder.empty() ? suggestedName : folder + u"\\" + suggestedName);

    std::vector<wchar_t> file(32768, L'\0');
    std::copy_n(Wide(suggestedName), std::min(suggestedName.size(), file.size() - 1), file.begin());
    OPENFILENAMEW choice{};
    choice.lStructSize = sizeof(choice);
    choice.hwndOwner = dialog.Handle();
    choice.lpstrFilter = L"CSV 文件 (*.csv)\0*.csv\0所有文件 (*.*)\0*.*\0";
    choice.lpstrFile = file.data();
    choice.nMaxFile = static_cast<DWORD>(file.size());
    choice.lpstrInitialDir = folder.empty() ? nullptr : Wide(folder);
    choice.lpstrTitle = L"导出列表";
    choice.lpstrDefExt = L"csv";
    choice.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&choice))
        return {};
    return FromWide(file.data(), wcslen(file.data()));
}

void MainWindow::AnswerShutdownWithoutAsking()
{
    dialog.messageBoxes.AnswerShutdownWithoutAsking();
}

void MainWindow::Dispatch(MSG& message)
{
    HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr &&
        (root == dialog.Handle() || std::find(dialogs.begin(), dialogs.end(), root) != dialogs.end()) &&
        IsDialogMessageW(root, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void MainWindow::RunMainLoop()
{
    quitMain = false;
    while (!quitMain) {
        MSG message;
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        // WM_QUIT: the system ends the application.
        if (got == 0 || got == -1)
            return;
        Dispatch(message);
    }
}

void MainWindow::QuitMainLoop()
{
    quitMain = true;
    // The loop looks at its flag after each message; this one makes sure there is one.
    if (dialog.Handle() != nullptr)
        PostMessageW(dialog.Handle(), WM_NULL, 0, 0);
}

void MainWindow::RunLoop(int timeoutMs)
{
    bool quit = false;
    loops.push_back(&quit);
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(std::max(timeoutMs, 0));
    while (!quit) {
        MSG message;
        while (!quit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                continue;
            Dispatch(message);
        }
        ULONGLONG now = GetTickCount64();
        if (quit || now >= deadline)
            break;
        // Wakes for any message, sent ones included (a worker's port call), or at the deadline.
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    loops.pop_back();
}

void MainWindow::QuitLoop()
{
    if (!loops.empty())
        *loops.back() = true;
}

void MainWindow::EndPortCalls()
{
    BeginClosing();
    dialog.executor.Stop();
    portsEnded = true;
}

} // namespace kh::win32
