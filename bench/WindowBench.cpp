// The windowed client's figures, printed only: start to login dialog shown, sign-in to main window
// filled (projects and account figures), the GUI thread's longest stall while 100 pollers report
// arrivals (a 10 ms timer measuring its own lateness), and the peak memory with 100 numbers.

#include "core/ports/ToolBarPort.h"
#include "gui/WindowFixture.h"
#include "ui/qt/GuiComboBox.h"
#include "ui/qt/GuiLineEdit.h"
#include "ui/qt/GuiStatusBar.h"
#include "ui/qt/GuiToolBar.h"
#include "ui/qt/LoginDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QToolButton>
#include <cstdio>
#include <sys/resource.h>

using namespace kh;
using namespace kh::test;

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
    if (!QTest::qWaitForWindowExposed(&login))
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
    bool filled = QTest::qWaitFor(
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
    QTest::mouseClick(w.ToolBar()->Button(kIdGetNumbers), Qt::LeftButton);
    const QRegularExpression sixDigits(QStringLiteral("^\\d{6}$"));
    bool arrived = QTest::qWaitFor([&] { return f.Column(3).filter(sixDigits).size() == 100; }, 120000);
    lateness.stop();
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
