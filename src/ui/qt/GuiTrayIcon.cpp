#include "ui/qt/GuiTrayIcon.h"

#include "ui/qt/GuiThread.h"

#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>

namespace kh::ui {

GuiTrayIcon::GuiTrayIcon(QMenu* menu, QObject* parent)
    : QObject(parent), icon(new QSystemTrayIcon(QIcon(QStringLiteral(":/app.svg")), this)), watch(new QTimer(this))
{
    icon->setToolTip(QStringLiteral("Zelto - 客户端"));
    icon->setContextMenu(menu);
    connect(icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit leftClicked();
    });
    watch->setInterval(kWatchMs);
    connect(watch, &QTimer::timeout, this, [this] { ShowWhenAvailable(); });
}

bool GuiTrayIcon::Available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool GuiTrayIcon::IsShown() const
{
    return wanted && !watch->isActive() && icon->isVisible() && Available();
}

void GuiTrayIcon::ShowWhenAvailable()
{
    if (!wanted || !Available()) {
        if (wanted && !watch->isActive())
            watch->start();
        return;
    }
    watch->stop();
    // Shown afresh: a QSystemTrayIcon shown while there was no notification area has nothing to
    // dock into, and (over D-Bus) is not registered with the one that came later.
    icon->hide();
    icon->show();
}

bool GuiTrayIcon::AddIcon()
{
    return OnGuiThread([&] {
        if (wanted)
            return false;
        wanted = true;
        ShowWhenAvailable();
        return true;
    });
}

bool GuiTrayIcon::RemoveIcon()
{
    return OnGuiThread([&] {
        if (!wanted)
            return false;
        wanted = false;
        watch->stop();
        icon->hide();
        return true;
    });
}

} // namespace kh::ui
