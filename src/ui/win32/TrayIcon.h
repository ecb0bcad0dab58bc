#pragma once
// The client's icon in the notification area, with the tip "Zelto - 客户端": added at start-up,
// removed at shutdown (the tray-icon port). Its notifications arrive at the owner window as
// KH_WM_TRAY_NOTIFY (WM_USER + 1) with the mouse message in lParam; the owner hands them to
// HandleNotify, which turns a left press into onLeftClick, a right click into the icon's menu
// ("显示/隐藏", "退出": onMenuCommand with the item's id) and a click on a balloon into
// onBalloonClick. PostBalloon shows a balloon over the icon (NIF_INFO), the way a new code is
// announced on Windows. Balloons are shown by a thread of the icon's own, in the order posted:
// Shell_NotifyIcon waits for the process that owns the notification area (under wine milliseconds
// each, now and then a tenth of a second), which neither the GUI thread nor a worker should.

#include "core/ports/NotifierPort.h"
#include "core/ports/TrayIconPort.h"
#include "ui/win32/WinApi.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

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

    // Queues a balloon with title and text for the balloon thread and returns at once; nothing is
    // shown while the icon is not in the notification area, nor once closing has begun. Any thread.
    void PostBalloon(const std::u16string& title, const std::u16string& text);

private:
    void ShowMenu();
    void ShowBalloons();

    HWND owner;
    HICON icon = nullptr;
    // The icon's record as last added, and whether it is shown: written on the GUI thread, read by
    // the balloon thread (under recordLock, never held across a call into the shell).
    mutable std::mutex recordLock;
    NOTIFYICONDATAW record{};
    bool shown = false;
    // The balloons waiting, and the thread that shows them (started with the first one).
    std::mutex balloonLock;
    std::condition_variable balloonWake;
    std::deque<std::pair<std::u16string, std::u16string>> balloons;
    bool stopping = false;
    std::thread balloonThread;
};

// The notifier port on Windows: each extracted code as a balloon of the tray icon, the code as
// its title and the number as its text. Never waits (the balloon is queued).
class TrayNotifier final : public NotifierPort
{
public:
    explicit TrayNotifier(TrayIcon& tray) : tray(tray) {}

    void NotifyCode(const std::u16string& number, const std::u16string& code) override;

private:
    TrayIcon& tray;
};

} // namespace kh::win32
