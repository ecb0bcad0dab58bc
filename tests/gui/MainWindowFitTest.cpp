// The main window on a high-DPI desktop: at 200 percent (QT_SCALE_FACTOR=2, set before the
// application starts) its least size, with the toolbar, status bar and lists as the core fills
// them after the sign-in, fits a 2560x1440 screen (1280x720 logical, less a title bar and a panel;
// 1920x1080 at 150 percent is the same logical size), and at that size every part of the window
// can still be reached: the list and the tips box gave up their room, not the panel.

#include "WindowFixture.h"
#include "core/ports/ToolBarPort.h"
#include "ui/qt/GuiCheckBox.h"
#include "ui/qt/GuiComboBox.h"
#include "ui/qt/GuiStatusBar.h"
#include "ui/qt/GuiTipsView.h"
#include "ui/qt/GuiToolBar.h"

#include <QTest>
#include <QToolButton>

using namespace kh;
using namespace kh::test;
using namespace kh::ui;

namespace {

// 1280x720 logical less a title bar (about 30) and a panel (about 50).
constexpr int kScreenWidth = 1280;
constexpr int kUsableHeight = 720 - 80;

// Whether widget lies wholly inside the window's client area and has room of its own.
bool Inside(QWidget* window, QWidget* widget)
{
    QRect area(widget->mapTo(window, QPoint(0, 0)), widget->size());
    return widget->isVisible() && area.width() > 0 && area.height() > 0 && window->rect().contains(area);
}

} // namespace

class MainWindowFitTest : public QObject
{
    Q_OBJECT

private slots:
    void fitsA1280x720DesktopAtScale2()
    {
        WindowFixture f(WindowScenario(600000));
        QVERIFY(f.SignInAndStart());
        QVERIFY(f.Drain());
        MainWindow& w = *f.window;
        QCOMPARE(w.devicePixelRatio(), 2.0);

        QSize least = w.minimumSizeHint().expandedTo(w.minimumSize());
        QVERIFY2(least.width() <= kScreenWidth && least.height() <= kUsableHeight,
                 qPrintable(QStringLiteral("least size %1x%2").arg(least.width()).arg(least.height())));

        w.resize(least);
        QTRY_COMPARE(w.size(), least);
        QWidget* parts[] = {w.ToolBar()->Button(kIdSettingsCentre),
                            w.NumberList(),
                            w.TipsView(),
                            w.ProjectCombo(),
                            w.CarrierCombo(),
                            w.ListAutoSortBox(),
                            w.StatusBar()};
        for (QWidget* part : parts)
            QVERIFY2(Inside(&w, part), qPrintable(part->objectName() + QStringLiteral(" is cut off")));
        // The list still shows some rows and the tips box some lines.
        QVERIFY(w.NumberList()->viewport()->height() >= 3 * w.NumberList()->fontMetrics().height());
        QVERIFY(w.TipsView()->viewport()->height() >= 2 * w.TipsView()->fontMetrics().lineSpacing());
    }
};

int main(int argc, char** argv)
{
    // Before the application reads it.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    MainWindowFitTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainWindowFitTest.moc"
