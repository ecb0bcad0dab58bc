// The GUI thread under load: 100 pollers report arrivals into the list and the tips box while the
// GUI thread itself raises tips and the user keeps sorting the list. Nothing may deadlock (every
// wait here has a deadline), every code must land in its own number's row, and the close must
// still settle the numbers.

#include "WindowFixture.h"
#include "app/TipsBox.h"
#include "core/ports/ToolBarPort.h"
#include "ui/qt/GuiComboBox.h"
#include "ui/qt/GuiLineEdit.h"
#include "ui/qt/GuiToolBar.h"

#include <QHeaderView>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace kh;
using namespace kh::test;
using namespace kh::ui;

namespace {

constexpr int kNumbers = 100;
constexpr int kWait = 120000;

void ClickHeader(GuiListView* list, int column)
{
    QHeaderView* header = list->horizontalHeader();
    int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

} // namespace

class ThreadsTest : public QObject
{
    Q_OBJECT

private slots:
    void hundredPollersWhileTheGuiRaisesTipsAndSorts()
    {
        WindowFixture f(WindowScenario(1500, 2 * kNumbers));
        BoxAnswerer user;
        QVERIFY(f.SignInAndStart([](SettingsValues& c) { c.spaceTime = 100; }));
        MainWindow& w = *f.window;
        // Filled: the last step of a fill selects the count line.
        QTRY_VERIFY_WITH_TIMEOUT(w.ProjectCombo()->count() == 4 && w.ProjectCombo()->currentIndex() == 0 &&
                                     w.ProjectCombo()->updatesEnabled(),
                                 kWait);
        {
            QSignalBlocker blocker(w.ProjectCombo());
            w.ProjectCombo()->setCurrentIndex(0);
        }
        w.ProjectCombo()->setFocus();
        QTest::keyClick(w.ProjectCombo(), Qt::Key_Down);
        w.CountBox()->clear();
        QTest::keyClicks(w.CountBox(), QString::number(kNumbers));
        QTest::mouseClick(w.ToolBar()->Button(kIdGetNumbers), Qt::LeftButton);

        // While the numbers come in and their SMS arrive: tips from the GUI thread, and header
        // clicks that sort by number and by code in turn.
        int guiTips = 0;
        QTimer tipTimer;
        connect(&tipTimer, &QTimer::timeout,
                [&] { ShowTip("界面提示 " + std::to_string(++guiTips), {}, &f.session->Owner()); });
        tipTimer.start(20);
        int clicks = 0;
        QTimer sortTimer;
        connect(&sortTimer, &QTimer::timeout, [&] { ClickHeader(w.NumberList(), ++clicks % 2 == 0 ? 1 : 3); });
        sortTimer.start(300);

        const QRegularExpression sixDigits(QStringLiteral("^\\d{6}$"));
        QTRY_COMPARE_WITH_TIMEOUT(f.Rows().rowCount(), kNumbers, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(int(f.Column(3).filter(sixDigits).size()), kNumbers, kWait);
        tipTimer.stop();
        sortTimer.stop();
        QVERIFY(guiTips > 0 && clicks > 0);

        // Every code is in the row of the number that received it.
        QJsonObject state = QJsonDocument::fromJson(QByteArray::fromStdString(f.sandbox->State())).object();
        QHash<QString, QString> codes;
        for (const QJsonValue& account : state.value(QStringLiteral("accounts")).toArray())
            for (const QJsonValue& held : account.toObject().value(QStringLiteral("held")).toArray())
                codes.insert(held.toObject().value(QStringLiteral("mobile")).toString(),
                             held.toObject().value(QStringLiteral("code")).toString());
        QCOMPARE(codes.size(), kNumbers);
        for (int row = 0; row < kNumbers; ++row)
            QCOMPARE(f.Cell(row, 3), codes.value(f.Cell(row, 1)));

        QSignalSpy closed(&w, &MainWindow::closeNoticeArrived);
        user.Queue(true);
        w.close();
        QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kWait);
        QVERIFY(f.session->WaitUntilEnded(std::chrono::milliseconds(kWait)));
        QVERIFY(!f.session->Tips().LastLogFile().empty());
    }
};

QTEST_MAIN(ThreadsTest)
#include "ThreadsTest.moc"
