// The windowed client's figures, printed only: start to login dialog shown, sign-in to main window
// filled (projects and account figures), the GUI thread's longest stall while 100 pollers report
// arrivals (a 10 ms timer measuring its own lateness), the time until their 100 codes are shown,
// and the peak memory with 100 numbers. Waits run the GUI thread's real event loop, as the client
// does: QTest::qWaitFor sleeps 10 ms between its passes, and every port call a worker makes waits
// for the GUI thread, so it would measure its own sleeps.

#include "core/ports/ToolBarPort.h"
#include "gui/WindowFixture.h"
#include "ui/qt/GuiComboBox.h"
#include "ui/qt/GuiLineEdit.h"
#include "ui/qt/GuiStatusBar.h"
#include "ui/qt/GuiToolBar.h"
#include "ui/qt/LoginDialog.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

using namespace kh;
using namespace kh::test;

namespace {

// Runs the event loop until done() holds or timeoutMs have passed; false on time-out. The loop
// sleeps in the event dispatcher and wakes for every posted call, so workers are served at once;
// done() is checked each time the loop has handled what was pending and is about to sleep again
// (everything it reads changes only on the GUI thread).
bool RunUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    bool met = false;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop, [&] {
        if (!met && done()) {
            met = true;
            loop.quit();
        }
    });
    loop.exec();
    return met;
}

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    WindowFixture f(WindowScenario(1500, 200));
    ui::LoginDialog login;
    login.show();
    if (!RunUntil([&] { return login.windowHandle() != nullptr && login.windowHandle()->isExposed(); }, 5000))
        std::printf("the login dialog was not exposed\n");
    std::printf("start to login dialog shown: %lld ms\n", static_cast<long long>(sinceStart.elapsed()));
    login.hide();

    QElapsedTimer signIn;
    signIn.start();
    if (!f.SignInAndStart([](SettingsValues& c) { c.spaceTime = 100; })) {
        std::printf("sign-in failed\n");
        return 1;
    }
    ui::MainWindow& w = *f.window;
    bool filled = RunUntil(
        [&] {
            return w.ProjectCombo()->count() == 4 && w.ProjectCombo()->currentIndex() == 0 &&
                   w.StatusBar()->PaneText(0) != u"用户名：";
        },
        30000);
    std::printf("sign-in to main window filled: %lld ms%s\n", static_cast<long long>(signIn.elapsed()),
                filled ? "" : " (not filled)");

    // 100 numbers, polled every 100 ms; a 10 ms timer notes how late it fires.
    qint64 longestStall = 0;
    QElapsedTimer tick;
    tick.start();
    QTimer lateness;
    QObject::connect(&lateness, &QTimer::timeout, [&] { longestStall = std::max(longestStall, tick.restart() - 10); });
    lateness.start(10);
    {
        QSignalBlocker blocker(w.ProjectCombo());
        w.ProjectCombo()->setCurrentIndex(0);
    }
    w.ProjectCombo()->setFocus();
    QTest::keyClick(w.ProjectCombo(), Qt::Key_Down);
    w.CountBox()->setText(QStringLiteral("100"));
    QElapsedTimer getNumbers;
    getNumbers.start();
    QTest::mouseClick(w.ToolBar()->Button(kIdGetNumbers), Qt::LeftButton);
    const QRegularExpression sixDigits(QStringLiteral("^\\d{6}$"));
    bool arrived = RunUntil([&] { return f.Column(3).filter(sixDigits).size() == 100; }, 120000);
    qint64 allCodes = getNumbers.elapsed();
    lateness.stop();
    std::printf("get 100 numbers to their 100 codes shown: %lld ms%s\n", static_cast<long long>(allCodes),
                arrived ? "" : " (not all arrived)");
    std::printf("GUI thread's longest stall while 100 pollers report: %lld ms (%lld rows, %lld codes)\n",
                static_cast<long long>(longestStall), static_cast<long long>(f.Rows().rowCount()),
                static_cast<long long>(f.Column(3).filter(sixDigits).size()));
    if (!arrived)
        std::printf("not every code arrived; the tips box says:\n%s\n", qPrintable(w.TipsView()->toPlainText()));

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak RSS with 100 numbers: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
