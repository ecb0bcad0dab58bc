#include "ui/win32/MainDialog.h"

#include "ui/win32/GuiThread.h"
#include "ui/win32/ResourceIds.h"

#include <algorithm>

namespace kh::win32 {

namespace {

// The window whose mouse presses the thread's hook reports (one main window per thread).
thread_local MainDialog* watched = nullptr;

} // namespace

HICON LoadIconSized(int id, int size)
{
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

MainDialog::MainDialog() = default;

MainDialog::~MainDialog()
{
    if (mouseHook != nullptr)
        UnhookWindowsHookEx(mouseHook);
    if (watched == this)
        watched = nullptr;
    if (bigIcon != nullptr)
        DestroyIcon(bigIcon);
    if (smallIcon != nullptr)
        DestroyIcon(smallIcon);
}

bool MainDialog::OnInitDialog()
{
    Bind(numberList, IDC_NUMBER_LIST);
    tipsBox.AttachEdit(Item(IDC_TIPS));
    Bind(projectCombo, IDC_PROJECT_COMBO);
    Bind(searchBox, IDC_SEARCH_TEXT);
    Bind(searchButton, IDC_SEARCH_BUTTON);
    Bind(projectInfo, IDC_PROJECT_INFO);
    Bind(countBox, IDC_NUMBER_COUNT);
    Bind(provinceCombo, IDC_PROVINCE_COMBO);
    Bind(carrierCombo, IDC_CARRIER_COMBO);
    Bind(autoGetSmsBox, IDC_AUTO_GET_SMS);
    Bind(autoExtractBox, IDC_AUTO_EXTRACT);
    Bind(listAutoSortBox, IDC_LIST_AUTO_SORT);
    trayIcon.SetOwner(hwnd);
    messageBoxes.SetOwner(hwnd);

    UINT dpi = Dpi();
    bigIcon = LoadIconSized(IDI_APP, ScaleTo(32, dpi));
    smallIcon = LoadIconSized(IDI_APP, ScaleTo(16, dpi));
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

    if (tooltip.Create(hwnd) &&
        tooltip.AddTool(numberList.Handle(), u"点击表头可排序\n按Shift或Ctrl可多选\n支持右键菜单"))
        tooltip.AddTool(tipsBox.Handle(), u"点击可暂停滚动\n选中一段内容可停止滚动\n");

    watched = this;
    mouseHook = SetWindowsHookExW(WH_GETMESSAGE, WatchMouse, nullptr, GetCurrentThreadId());
    RecordLayout();
    return Dialog::OnInitDialog();
}

LRESULT CALLBACK MainDialog::WatchMouse(int code, WPARAM wParam, LPARAM lParam)
{
    // Only messages being taken off the queue (PM_REMOVE), so a peeked press is not seen twice.
    if (code == HC_ACTION && wParam == PM_REMOVE && watched != nullptr && watched->onMousePress) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        if ((message->message == WM_LBUTTONDOWN || message->message == WM_RBUTTONDOWN) && watched->hwnd != nullptr &&
            (message->hwnd == watched->hwnd || IsChild(watched->hwnd, message->hwnd))) {
            POINT point{static_cast<short>(LOWORD(message->lParam)), static_cast<short>(HIWORD(message->lParam))};
            MapWindowPoints(message->hwnd, watched->hwnd, &point, 1);
            watched->onMousePress(point);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

SessionControls MainDialog::Controls()
{
    SessionControls controls;
    controls.remarkBox = &projectInfo;
    controls.projectCombo = &projectCombo;
    controls.searchBox = &searchBox;
    controls.provinceCombo = &provinceCombo;
    controls.carrierCombo = &carrierCombo;
    controls.countBox = &countBox;
    controls.numberListView = &numberList;
    controls.autoGetSmsBox = &autoGetSmsBox;
    controls.autoExtractBox = &autoExtractBox;
    controls.listAutoSortBox = &listAutoSortBox;
    controls.toolBar = &toolBar;
    controls.statusBar = &statusBar;
    controls.tipsView = &tipsBox;
    controls.window = this;
    controls.messageBox = &messageBoxes;
    controls.shell = &shell;
    controls.clipboard = &clipboard;
    controls.notifier = &notifier;
    controls.trayIcon = &trayIcon;
    controls.executor = &executor;
    return controls;
}

bool MainDialog::CreateBars()
{
    HWND place = Item(IDC_TOOLBAR_PLACE);
    if (hwnd == nullptr || place == nullptr)
        return false;
    RECT rect;
    GetWindowRect(place, &rect);
    MapWindowPoints(HWND_DESKTOP, hwnd, reinterpret_cast<POINT*>(&rect), 2);
    bool bars = toolBar.Create(hwnd, rect);
    bool status = statusBar.Create(hwnd);
    // The bars take room of their own: the smallest size follows them, and the controls are
    // placed again above the status bar.
    UpdateMinimumSize();
    RECT client;
    GetClientRect(hwnd, &client);
    LayOut(client.right, client.bottom);
    return status && bars;
}

void MainDialog::RecordLayout()
{
    placed.clear();
    RECT client;
    GetClientRect(hwnd, &client);
    startClient = {client.right, client.bottom};
    RECT listRect{};
    HWND list = Item(IDC_NUMBER_LIST);
    if (list == nullptr)
        return;
    GetWindowRect(list, &listRect);
    MapWindowPoints(HWND_DESKTOP, hwnd, reinterpret_cast<POINT*>(&listRect), 2);
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(HWND_DESKTOP, hwnd, reinterpret_cast<POINT*>(&rect), 2);
        int id = GetDlgCtrlID(child);
        Anchor anchor = Anchor::Panel;
        if (id == IDC_NUMBER_LIST)
            anchor = Anchor::List;
        else if (id == IDC_TIPS)
            anchor = Anchor::Tips;
        else if (id == IDC_TOOLBAR_PLACE)
            anchor = Anchor::ToolBar;
        else if (rect.left < listRect.right)
            continue; // nothing else lies left of the panel
        if (anchor == Anchor::Tips)
            tipsStartHeight = rect.bottom - rect.top;
        placed.push_back({child, rect, anchor});
    }
    UpdateMinimumSize();
}

void MainDialog::UpdateMinimumSize()
{
    // The tips box keeps two lines of its font; the list never gets shorter than the panel
    // beside it, nor narrower than half its own width.
    HDC dc = GetDC(hwnd);
    TEXTMETRICW metrics{};
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    tipsMinimumHeight = std::min<int>(tipsStartHeight, 2 * metrics.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE) + 4);

    int listWidth = 0;
    int toolBarRight = 0;
    for (const Placed& item : placed) {
        if (item.anchor == Anchor::List)
            listWidth = item.start.right - item.start.left;
        if (item.anchor == Anchor::ToolBar)
            toolBarRight = item.start.right;
    }
    int narrowest = startClient.cx - listWidth / 2;
    // The toolbar's buttons side by side with a little room between them.
    int buttons = toolBar.ButtonsWidth();
    if (buttons > 0)
        narrowest = std::max<int>(narrowest, buttons + Scale(4) * 7 + (startClient.cx - toolBarRight) * 2);
    int tipsTop = startClient.cy;
    for (const Placed& item : placed) {
        if (item.anchor == Anchor::Tips)
            tipsTop = item.start.top;
    }
    minimumClient = {std::min<int>(narrowest, startClient.cx),
                     std::min<int>(tipsTop + tipsMinimumHeight + BottomGap(), startClient.cy)};
}

int MainDialog::BottomGap() const
{
    // Below the tips box: the room the dialog leaves at its bottom edge, or the status bar and a
    // little more where that is taller.
    int margin = startClient.cy;
    for (const Placed& item : placed) {
        if (item.anchor == Anchor::Tips)
            margin = startClient.cy - item.start.bottom;
    }
    HWND status = statusBar.Handle();
    if (status == nullptr)
        return margin;
    RECT bar;
    GetWindowRect(status, &bar);
    return std::max<int>(margin, bar.bottom - bar.top + Scale(2));
}

void MainDialog::LayOut(int width, int height)
{
    if (placed.empty() || width <= 0 || height <= 0)
        return;
    int dx = width - startClient.cx;
    int dy = height - startClient.cy;
    // The list takes two thirds of what the window gains in height; the tips box, whose bottom
    // follows the window's, the rest, and the whole of what it loses (down to its two lines).
    int listGrowth = dy > 0 ? dy - dy / 3 : 0;
    if (statusBar.Handle() != nullptr)
        SendMessageW(statusBar.Handle(), WM_SIZE, 0, 0);
    int bottom = height - BottomGap();
    HDWP moves = BeginDeferWindowPos(static_cast<int>(placed.size()));
    for (const Placed& item : placed) {
        RECT rect = item.start;
        switch (item.anchor) {
        case Anchor::Panel:
            OffsetRect(&rect, dx, 0);
            break;
        case Anchor::List:
            rect.right += dx;
            rect.bottom += listGrowth;
            break;
        case Anchor::Tips:
            rect.right += dx;
            rect.top += listGrowth;
            rect.bottom = std::max<int>(bottom, rect.top + 1);
            break;
        case Anchor::ToolBar:
            rect.right += dx;
            toolBar.Layout(rect);
            break;
        }
        if (moves != nullptr)
            moves = DeferWindowPos(moves, item.control, nullptr, rect.left, rect.top, rect.right - rect.left,
                                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (moves != nullptr)
        EndDeferWindowPos(moves);
}

void MainDialog::ShowListMenu(POINT screen)
{
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_LIST_MENU));
    if (menu == nullptr)
        return;
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_LEFTBUTTON, screen.x, screen.y, 0, hwnd, nullptr);
    DestroyMenu(menu);
}

bool MainDialog::OnCommand(int id, int code, HWND control)
{
    // Escape (and the close box, which the dialog turns into IDCANCEL) asks to close; Enter does
    // nothing.
    if (id == IDCANCEL && control == nullptr) {
        if (onClose)
            onClose();
        return true;
    }
    if (id == IDOK && control == nullptr)
        return true;
    return Dialog::OnCommand(id, code, control);
}

bool MainDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_CLOSE:
        if (onClose)
            onClose();
        result = 0;
        return true;
    case KH_WM_CLOSE_NOTICE:
        if (onCloseNotice)
            onCloseNotice();
        return true;
    case KH_WM_TRAY_NOTIFY:
        trayIcon.HandleNotify(lParam);
        return true;
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED) {
            if (onMinimised)
                onMinimised();
        } else {
            LayOut(LOWORD(lParam), HIWORD(lParam));
        }
        break;
    case WM_GETMINMAXINFO:
        if (minimumClient.cx > 0) {
            RECT frame{0, 0, minimumClient.cx, minimumClient.cy};
            AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
            result = 0;
            return true;
        }
        break;
    case WM_SYSCOMMAND:
        // Minimising hides the window when the tray icon can bring it back.
        if ((wParam & 0xFFF0) == SC_MINIMIZE && !onMinimised && trayIcon.IsShown()) {
            ShowWindow(hwnd, SW_HIDE);
            result = 0;
            return true;
        }
        break;
    default:
        break;
    }
    return Dialog::OnMessage(message, wParam, lParam, result);
}

bool MainDialog::IsVisible()
{
    return OnGuiThread([&] { return hwnd != nullptr && IsWindowVisible(hwnd) != 0; });
}

void MainDialog::Show()
{
    OnGuiThread([&] {
        if (hwnd != nullptr)
            ShowWindow(hwnd, IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
    });
}

void MainDialog::Hide()
{
    OnGuiThread([&] {
        if (hwnd != nullptr)
            ShowWindow(hwnd, SW_HIDE);
    });
}

void MainDialog::SwitchTo()
{
    OnGuiThread([&] {
        if (hwnd != nullptr)
            SwitchToThisWindow(hwnd, TRUE);
    });
}

void MainDialog::SetTopMost(bool topMost)
{
    OnGuiThread([&] {
        if (hwnd != nullptr)
            SetWindowPos(hwnd, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    });
}

void MainDialog::PostClose()
{
    if (hwnd != nullptr)
        PostMessageW(hwnd, KH_WM_CLOSE_NOTICE, 0, 0);
}

} // namespace kh::win32
