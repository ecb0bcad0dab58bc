// borvankh: the windowed client. Sets up the Qt application (Chinese font, icon, no quitting when
// the last window closes: only the shutdown command ends the client) and runs DesktopApp. SIGTERM
// and SIGINT end it as logging out does: the shutdown runs without the question.

#include "ui/DesktopApp.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

// Only writes a byte: the GUI thread picks it up through a socket notifier.
void OnTerminate(int)
{
    char byte = 1;
    [[maybe_unused]] ssize_t written = write(signalPipe[1], &byte, 1);
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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("BorvanKH"));
    QApplication::setDesktopFileName(QStringLiteral("borvankh"));
    QApplication::setQuitOnLastWindowClosed(false);
    PreferCjkFont(app);

    kh::ui::DesktopApp client;
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app.svg")));

    QSocketNotifier* notifier = nullptr;
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &client, [&client] {
            char byte;
            [[maybe_unused]] ssize_t got = read(signalPipe[0], &byte, 1);
            client.Terminate();
        });
        struct sigaction action = {};
        action.sa_handler = OnTerminate;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
    }

    return client.Run();
}
