#pragma once
// The client's icon in the notification area, with the tip "Zelto - 客户端": added at start-up,
// removed at shutdown (the tray-icon port). Its notifications arrive at the owner window as
// KH_WM_TRAY_NOTIFY (WM_USER + 1) with the mouse message in lParam; the owner hands them to
// HandleNotify, which turns a left press into onLeftClick, a right click into the icon's menu
// ("显示/隐藏", "退出": onMenuCommand with the item's id) and a click on a balloon into
// onBalloonClick. ShowBalloon shows a balloon over the icon (NIF_INFO), the way a new code is
// announced on Windows.

#include "core/ports/NotifierPort.h"
#include "core/ports/TrayIconPort.h"
#include "ui/win32/WinApi.h"

#include <functional>
#include <memory>

namespace kh::win32 {

class TrayIcon final : public TrayIconPort
{
public:
    std::function<void()> onLeftClick;
    std::function<void()> onBalloonClick;
    std::function<void(int commandId)> onMenuCommand;

    explicit TrayIcon(HWND owner = nullptr);
    ~TrayIcon() override;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    void SetOwner(HWND window);

    // Any thread. Adding an icon that is shown already fails, as does removing one that is not.
    bool AddIcon() override;
    bool RemoveIcon() override;
    bool IsShown() const;

    // The owner's KH_WM_TRAY_NOTIFY. GUI thread.
    void HandleNotify(LPARAM lParam);

    // Posts a balloon with title and text to the GUI thread and returns at once; nothing is shown
    // while the icon is not in the notification area. Any thread.
    void PostBalloon(const std::u16string& title, const std::u16string& text);

private:
    struct Record
    {
        NOTIFYICONDATAW data{};
        bool shown = false;
    };

    void ShowMenu();

    HWND owner;
    HICON icon = nullptr;
    // Shared with posted balloons, which may run after the icon is gone.
    std::shared_ptr<Record> record;
};

// The notifier port on Windows: each extracted code as a balloon of the tray icon, the code as
// its title and the number as its text. Never waits (the balloon is posted).
class TrayNotifier final : public NotifierPort
{
public:
    explicit TrayNotifier(TrayIcon& tray) : tray(tray) {}

    void NotifyCode(const std::u16string& number, const std::u16string& code) override;

private:
    TrayIcon& tray;
};

} // namespace kh::win32
