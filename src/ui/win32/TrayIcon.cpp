#include "ui/win32/TrayIcon.h"

#include "ui/win32/GuiThread.h"
#include "ui/win32/ResourceIds.h"

#include <algorithm>
#include <cwchar>

namespace kh::win32 {

namespace {

// Copies text into a fixed field of the record, cut to fit with its terminator.
template <size_t N> void CopyField(wchar_t (&field)[N], const std::u16string& text)
{
    size_t length = std::min(text.size(), N - 1);
    std::wmemcpy(field, Wide(text), length);
    field[length] = L'\0';
}

} // namespace

TrayIcon::TrayIcon(HWND owner) : owner(owner) {}

TrayIcon::~TrayIcon()
{
    {
        std::lock_guard<std::mutex> hold(balloonLock);
        stopping = true;
        balloons.clear();
    }
    balloonWake.notify_all();
    if (balloonThread.joinable())
        balloonThread.join();
    if (shown)
        Shell_NotifyIconW(NIM_DELETE, &record);
    if (icon != nullptr)
        DestroyIcon(icon);
}

void TrayIcon::SetOwner(HWND window)
{
    owner = window;
}

bool TrayIcon::AddIcon()
{
    return OnGuiThread([&] {
        if (owner == nullptr || IsShown())
            return false;
        if (icon == nullptr)
            icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                 LR_DEFAULTCOLOR));
        if (icon == nullptr)
            return false;
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof(data);
        data.hWnd = owner;
        data.uID = 0;
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = KH_WM_TRAY_NOTIFY;
        data.hIcon = icon;
        CopyField(data.szTip, u"Zelto - 客户端");
        bool added = Shell_NotifyIconW(NIM_ADD, &data) != 0;
        std::lock_guard<std::mutex> hold(recordLock);
        record = data;
        shown = added;
        return added;
    });
}

bool TrayIcon::RemoveIcon()
{
    return OnGuiThread([&] {
        NOTIFYICONDATAW data{};
        {
            std::lock_guard<std::mutex> hold(recordLock);
            if (!shown)
                return false;
            shown = false;
            data = record;
        }
        return Shell_NotifyIconW(NIM_DELETE, &data) != 0;
    });
}

bool TrayIcon::IsShown() const
{
    std::lock_guard<std::mutex> hold(recordLock);
    return shown;
}

void TrayIcon::HandleNotify(LPARAM lParam)
{
    switch (static_cast<UINT>(lParam)) {
    case WM_LBUTTONDOWN:
        if (onLeftClick)
            onLeftClick();
        break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
        ShowMenu();
        break;
    case NIN_BALLOONUSERCLICK:
        if (onBalloonClick)
            onBalloonClick();
        break;
    default:
        break;
    }
}

void TrayIcon::ShowMenu()
{
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_TRAY_MENU));
    if (menu == nullptr)
        return;
    POINT cursor{};
    GetCursorPos(&cursor);
    // The menu closes when the user clicks elsewhere only if its owner is the foreground window.
    SetForegroundWindow(owner);
    int chosen = TrackPopupMenu(GetSubMenu(menu, 0), TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_RIGHTBUTTON,
                                cursor.x, cursor.y, 0, owner, nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (chosen != 0 && onMenuCommand)
        onMenuCommand(chosen);
}

void TrayIcon::PostBalloon(const std::u16string& title, const std::u16string& text)
{
    if (IsClosing())
        return;
    {
        std::lock_guard<std::mutex> hold(balloonLock);
        if (stopping)
            return;
        balloons.emplace_back(title, text);
        if (!balloonThread.joinable())
            balloonThread = std::thread([this] { ShowBalloons(); });
    }
    balloonWake.notify_one();
}

void TrayIcon::ShowBalloons()
{
    for (;;) {
        std::pair<std::u16string, std::u16string> balloon;
        {
            std::unique_lock<std::mutex> hold(balloonLock);
            balloonWake.wait(hold, [&] { return stopping || !balloons.empty(); });
            if (stopping)
                return;
            balloon = std::move(balloons.front());
            balloons.pop_front();
        }
        if (IsClosing())
            continue;
        NOTIFYICONDATAW data{};
        {
            std::lock_guard<std::mutex> hold(recordLock);
            if (!shown)
                continue;
            data = record;
        }
        data.uFlags = NIF_INFO;
        CopyField(data.szInfoTitle, balloon.first);
        CopyField(data.szInfo, balloon.second);
        data.dwInfoFlags = NIIF_INFO;
        Shell_NotifyIconW(NIM_MODIFY, &data);
    }
}

void TrayNotifier::NotifyCode(const std::u16string& number, const std::u16string& code)
{
    tray.PostBalloon(code, number);
}

} // namespace kh::win32
