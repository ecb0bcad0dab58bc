#pragma once
// The client's icon in the notification area, with the tip "Zelto - 客户端" and a small menu. On a
// desktop without a notification area (yet: started at login, the client may come before the
// panel) AddIcon succeeds and the icon waits: the desktop is asked again every kWatchMs, and the
// icon shows once a notification area is there. Until then the window never hides itself (it
// could not be brought back).

#include "core/ports/TrayIconPort.h"

#include <QObject>

class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace kh::ui {

class GuiTrayIcon final : public QObject, public TrayIconPort
{
    Q_OBJECT

public:
    // How often a waiting icon asks whether the desktop has a notification area now.
    static constexpr int kWatchMs = 1000;

    // menu: the icon's context menu (owned by the caller).
    GuiTrayIcon(QMenu* menu, QObject* parent = nullptr);

    // Adding an icon that is shown already fails, as does removing one that is not.
    bool AddIcon() override;
    bool RemoveIcon() override;

    // Whether the icon is in the notification area now. GUI thread.
    bool IsShown() const;
    // Whether the desktop has a notification area. GUI thread.
    static bool Available();

signals:
    // A left click (the desktop's "trigger" of the icon).
    void leftClicked();

private:
    // The icon is wanted: once there is a notification area, it is shown.
    void ShowWhenAvailable();

    QSystemTrayIcon* icon;
    QTimer* watch;
    bool wanted = false;
};

} // namespace kh::ui
