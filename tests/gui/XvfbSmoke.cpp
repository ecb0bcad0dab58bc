// The windowed client in a real X window (Xvfb, the xcb platform, not the offscreen one): start,
// sign in, rent a number with the toolbar, see its code arrive, close with OK. CTest runs it under
// xvfb-run; started elsewhere without an X display it skips.

#include "WindowFixture.h"
#include "core/ports/ToolBarPort.h"
#include "ui/qt/GuiComboBox.h"
#include "ui/qt/GuiLineEdit.h"
#include "ui/qt/GuiToolBar.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace kh;
using namespace kh::test;
using namespace kh::ui;

class XvfbSmoke : public QObject
{
    Q_OBJECT

private slots:
    void startSignInGetACodeAndClose()
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            QSKIP("needs an X display (run under xvfb-run)");
        constexpr int kWait = 20000;
        WindowFixture f(WindowScenario(500));
        BoxAnswerer user;
        QVERIFY(f.SignInAndStart());
        MainWindow& w = *f.window;
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        // The project box fills with the count line and three projects; choose the first project.
        QTRY_VERIFY_WITH_TIMEOUT(w.ProjectCombo()->count() == 4 && w.ProjectCombo()->updatesEnabled(), kWait);
        w.ProjectCombo()->setFocus();
        QTest::keyClick(w.ProjectCombo(), Qt::Key_Down);
        w.CountBox()->clear();
        QTest::keyClicks(w.CountBox(), QStringLiteral("1"));
        QTest::mouseClick(w.ToolBar()->Button(kIdGetNumbers), Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(f.Rows().rowCount(), 1, kWait);
        const QRegularExpression sixDigits(QStringLiteral("^\\d{6}$"));
        QTRY_VERIFY_WITH_TIMEOUT(sixDigits.match(f.Cell(0, 3)).hasMatch(), kWait);
        QVERIFY(f.Cell(0, 2).contains(f.Cell(0, 3)));

        QSignalSpy closed(&w, &MainWindow::closeNoticeArrived);
        user.Queue(true);
        w.close();
        QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kWait);
        QVERIFY(f.session->WaitUntilEnded(std::chrono::milliseconds(kWait)));
        QVERIFY(!f.session->Tips().LastLogFile().empty());
    }
};

QTEST_MAIN(XvfbSmoke)
#include "XvfbSmoke.moc"
