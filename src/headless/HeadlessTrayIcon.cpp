#include "headless/HeadlessTrayIcon.h"

#include "headless/HeadlessJournal.h"

namespace kh {

bool HeadlessTrayIcon::AddIcon()
{
    Note(journal, "tray.add");
    return !shown.exchange(true);
}

bool HeadlessTrayIcon::RemoveIcon()
{
    Note(journal, "tray.remove");
    return shown.exchange(false);
}

} // namespace kh
