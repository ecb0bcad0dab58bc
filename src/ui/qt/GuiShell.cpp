#include "ui/qt/GuiShell.h"

#include "ui/qt/GuiThread.h"

#include <QDesktopServices>
#include <QUrl>

namespace kh::ui {

namespace {

constexpr long kOpened = 42;
constexpr long kNotOpened = 2;

} // namespace

long GuiShell::OpenUrl(const std::u16string& url)
{
    return OnGuiThread(
        [&] {
            // The token goes into the address as the caller wrote it; TolerantMode keeps it as it is.
            QUrl address(QString::fromStdU16String(url), QUrl::TolerantMode);
            return address.isValid() && QDesktopServices::openUrl(address) ? kOpened : kNotOpened;
        },
        0L);
}

} // namespace kh::ui
