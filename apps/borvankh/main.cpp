// borvankh: the windowed client. Sets up the Qt application (Chinese font, no quitting when
// the last window closes: only the shutdown command ends the client) and runs QtClient. A stop
// request (SIGTERM, SIGINT) ends it as logging out does: the shutdown runs without the question.
// "--version" and "--help" are answered before Qt starts, so they need no display.

#include "base/Version.h"
#include "desktop/AppPresenter.h"
#include "platform/Terminal.h"
#include "ui/qt/QtClient.h"
#include "ui/qt/Translations.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

const char* kHelp = R"(Usage: borvankh [--help | --version]
The windowed client of BorvanKH: sign in to the SMS verification-code service,
rent phone numbers for a project, receive their SMS and copy the verification
codes. Closing the window gives the unused numbers back.

Options:
  --help     show this text
  --version  print the version

Files:
  $XDG_CONFIG_HOME/BorvanKH/registry.json   the settings, shared with borvankh-cli
  $XDG_DATA_HOME/BorvanKH/journal/          numbers still rented, given back at the
                                            next sign-in
  $XDG_DATA_HOME/BorvanKH/TipsLog/          the tip logs (TipsLog beside the program
                                            instead when it runs from a writable
                                            folder outside the system's folders)
XDG_CONFIG_HOME is ~/.config and XDG_DATA_HOME ~/.local/share when they are not set.
)";

// The client a stop request goes to, while one runs.
std::mutex stopMutex;
kh::desktop::AppPresenter* stopTarget = nullptr;

void OnStopRequest()
{
    std::lock_guard<std::mutex> guard(stopMutex);
    if (stopTarget != nullptr)
        stopTarget->RequestTerminate();
}

// Noto Sans CJK (fonts-noto-cjk) when it is installed; otherwise the desktop's font stays.
void PreferCjkFont(QApplication& app)
{
    const QStringList families = QFontDatabase::families();
    for (const char* name : {"Noto Sans CJK SC", "Noto Sans SC", "Noto Sans CJK"}) {
        QString family = QString::fromLatin1(name);
        if (families.contains(family)) {
            QFont font = app.font();
            font.setFamilies({family});
            app.setFont(font);
            return;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("borvankh " KH_VERSION "\n", stdout);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    // Before any other thread starts, so that every thread Qt starts leaves the stop signals to
    // the watch's own thread.
    kh::StopRequestWatch stopWatch(&OnStopRequest);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("BorvanKH"));
    QApplication::setDesktopFileName(QStringLiteral("borvankh"));
    QApplication::setQuitOnLastWindowClosed(false);
    PreferCjkFont(app);
    kh::ui::InstallQtTranslations(app);

    // The client sets the application's icon once its login dialog is on the screen.
    kh::ui::QtClient client;
    {
        std::lock_guard<std::mutex> guard(stopMutex);
        stopTarget = &client.App();
    }
    int status = client.Run();
    {
        std::lock_guard<std::mutex> guard(stopMutex);
        stopTarget = nullptr;
    }
    return status;
}
