#include "ui/qt/GuiTrayIcon.h"

#include "ui/qt/GuiThread.h"

#include <QIcon>
#include <QSystemTrayIcon>

namespace kh::ui {

GuiTrayIcon::GuiTrayIcon(QMenu* menu, QObject* parent)
    : QObject(parent), icon(new QSystemTrayIcon(QIcon(QStringLiteral(":/app.svg")), this))
{
    icon->setToolTip(QStringLiteral("Zelto - 客户端"));
    icon->setContextMenu(menu);
    connect(icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit leftClicked();
    });
}

bool GuiTrayIcon::Available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool GuiTrayIcon::IsShown() const
{
    return icon->isVisible();
}

bool GuiTrayIcon::AddIcon()
{
    return OnGuiThread([&] {
        if (!Available())
            return true;
        if (icon->isVisible())
            return false;
        icon->show();
        return true;
    });
}

bool GuiTrayIcon::RemoveIcon()
{
    return OnGuiThread([&] {
        if (!Available())
            return true;
        if (!icon->isVisible())
            return false;
        icon->hide();
        return true;
    });
}

} // namespace kh::ui
