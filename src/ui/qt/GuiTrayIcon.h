#pragma once
// The client's icon in the notification area, with the tip "Zelto - 客户端" and a small menu. On a
// desktop without a notification area there is nothing to add: AddIcon and RemoveIcon succeed
// without showing anything, and the window never hides itself (it could not be brought back).

#include "core/ports/TrayIconPort.h"

#include <QObject>

class QMenu;
class QSystemTrayIcon;

namespace kh::ui {

class GuiTrayIcon final : public QObject, public TrayIconPort
{
    Q_OBJECT

public:
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
    QSystemTrayIcon* icon;
};

} // namespace kh::ui
