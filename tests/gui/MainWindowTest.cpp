// The main window end to end against the sandbox, driven as a user drives it: the project box
// with its count line and the project information, renting numbers with the toolbar, codes
// arriving by automatic fetching, a header sort, a copy from the context menu, blacklisting, the
// list's export, the check boxes, the pressed states, the tips box's auto-scroll, and closing with
// its question.

#include "WindowFixture.h"
#include "app/TipsBox.h"
#include "core/ports/ToolBarPort.h"
#include "platform/TextCodec.h"
#include "support/CsvReader.h"
#include "ui/qt/GuiCheckBox.h"
#include "ui/qt/GuiComboBox.h"
#include "ui/qt/GuiInfoBox.h"
#include "ui/qt/GuiLineEdit.h"
#include "ui/qt/GuiStatusBar.h"
#include "ui/qt/GuiTipsView.h"
#include "ui/qt/GuiToolBar.h"
#include "ui/qt/GuiTrayIcon.h"
#include "ui/qt/Translations.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>
#include <QToolTip>
#include <QTranslator>
#include <thread>

using namespace kh;
using namespace kh::test;
using namespace kh::ui;

namespace {

constexpr int kWait = 20000;

const QRegularExpression kSixDigits(QStringLiteral("^\\d{6}$"));

// Picks entry index of a combo as a user does with the keyboard: from the entry above, Down.
void ChooseEntry(QComboBox* combo, int index)
{
    {
        QSignalBlocker blocker(combo);
        combo->setCurrentIndex(index - 1);
    }
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
}

// Chinese text arrives from the input method as a committed string.
void TypeChinese(QWidget* widget, const QString& text)
{
    widget->setFocus();
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

void ClickHeader(GuiListView* list, int column)
{
    QHeaderView* header = list->horizontalHeader();
    int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

QPoint RowPoint(GuiListView* list, int row)
{
    return list->visualRect(list->model()->index(row, 1)).center();
}

// Right click in the list: the context menu as the desktop delivers it.
void RightClick(GuiListView* list, const QPoint& point)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, list->viewport()->mapToGlobal(point));
    QApplication::sendEvent(list->viewport(), &event);
}

QAction* MenuItem(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// Waits until the project box has been filled with count entries: the last step of a fill
// selects the count line, with redrawing on again.
bool ProjectsShown(QComboBox* combo, int count)
{
    return QTest::qWaitFor(
        [&] { return combo->count() == count && combo->currentIndex() == 0 && combo->updatesEnabled(); }, kWait);
}

// Rents count numbers of the project at combo entry 1 (3001) with the toolbar button.
bool RentNumbers(WindowFixture& f, int count)
{
    MainWindow& w = *f.window;
    if (!ProjectsShown(w.ProjectCombo(), 4))
        return false;
    ChooseEntry(w.ProjectCombo(), 1);
    w.CountBox()->clear();
    QTest::keyClicks(w.CountBox(), QString::number(count));
    QTest::mouseClick(w.ToolBar()->Button(kIdGetNumbers), Qt::LeftButton);
    // Done when the number job has ended with every row written.
    return QTest::qWaitFor(
        [&] {
            return !f.session->Numbers().IsBusy() && f.Rows().rowCount() == count && !f.Column(1).contains(QString()) &&
                   !f.Column(4).contains(QString());
        },
        kWait);
}

QString ReadGbkFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    std::u16string text;
    if (!MultiByteToWide(kCpGbk, std::string(bytes.constData(), size_t(bytes.size())), text))
        return {};
    return QString::fromStdU16String(text);
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void projectBoxCountLineAndProjectInformation()
    {
        WindowFixture f(WindowScenario(600000));
        QVERIFY(f.SignInAndStart());
        MainWindow& w = *f.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Zelto - 127.0.0.1 - 客户端 - v1.0"));
        QVERIFY(ProjectsShown(w.ProjectCombo(), 4));
        QCOMPARE(w.ProjectCombo()->itemText(0), QStringLiteral("共 3 个项目"));
        QCOMPARE(w.ProjectCombo()->itemText(2), QStringLiteral("3002：快跑外卖"));

        ChooseEntry(w.ProjectCombo(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(w.RemarkBox()->toPlainText(), QStringLiteral("价格：0.30\n备注：登录"), kWait);
        // The count line is not a project: choosing it queues nothing, and the information stays.
        ChooseEntry(w.ProjectCombo(), 0);
        QVERIFY(f.Drain());
        QCOMPARE(w.RemarkBox()->toPlainText(), QStringLiteral("价格：0.30\n备注：登录"));
        ChooseEntry(w.ProjectCombo(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(w.RemarkBox()->toPlainText(), QStringLiteral("价格：0.50\n备注：注册"), kWait);

        TypeChinese(w.SearchBox(), QStringLiteral("影视"));
        QTest::mouseClick(w.SearchButton(), Qt::LeftButton);
        QVERIFY(ProjectsShown(w.ProjectCombo(), 2));
        QCOMPARE(w.ProjectCombo()->itemText(0), QStringLiteral("共 1 个匹配的项目"));
        QCOMPARE(w.ProjectCombo()->itemText(1), QStringLiteral("3003：星河影视"));

        // The choice boxes and the account figures of the start-up commands.
        QTRY_VERIFY_WITH_TIMEOUT(w.ProvinceCombo()->count() > 30, kWait);
        QCOMPARE(w.ProvinceCombo()->currentText(), QStringLiteral("不限"));
        QCOMPARE(w.CarrierCombo()->count(), 4);
        QTRY_COMPARE_WITH_TIMEOUT(w.StatusBar()->PaneText(0), std::u16string(u"用户名：demo"), kWait);
        QCOMPARE(w.StatusBar()->PaneText(3), std::u16string(u"等级：VIP2"));
    }

    // Rent, receive, sort, copy, blacklist, close: the road of a user.
    void numbersCodesSortCopyBlacklistAndClose()
    {
        WindowFixture f(WindowScenario(1500));
        BoxAnswerer user;
        QVERIFY(f.SignInAndStart());
        MainWindow& w = *f.window;
        QVERIFY(RentNumbers(f, 4));
        QCOMPARE(f.Column(0), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(f.Rows().Title(1), QStringLiteral("手机号码"));
        QCOMPARE(f.Rows().columnCount(), 5);
        QVERIFY(!f.Cell(0, 4).isEmpty());

        // Automatic fetching (the box was checked from the settings) brings every code.
        QVERIFY(w.AutoGetSmsBox()->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(f.Column(3).filter(kSixDigits).size() == 4, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!w.ToolBar()->IsButtonChecked(kIdGetSms), kWait);
        for (int row = 0; row < 4; ++row)
            QVERIFY(f.Cell(row, 2).contains(f.Cell(row, 3)));

        // Two clicks on the number header: ascending, then descending.
        QStringList numbers = f.Column(1);
        std::sort(numbers.begin(), numbers.end());
        ClickHeader(w.NumberList(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(f.Column(1), numbers, kWait);
        ClickHeader(w.NumberList(), 1);
        std::reverse(numbers.begin(), numbers.end());
        QTRY_COMPARE_WITH_TIMEOUT(f.Column(1), numbers, kWait);
        // The serials are renumbered once the sort command has ended.
        QVERIFY(f.Drain());
        QCOMPARE(f.Column(0), QStringList({"1", "2", "3", "4"}));

        // Copy the code of the clicked row through the context menu.
        QTest::mouseClick(w.NumberList()->viewport(), Qt::LeftButton, {}, RowPoint(w.NumberList(), 2));
        RightClick(w.NumberList(), RowPoint(w.NumberList(), 2));
        QTRY_VERIFY(w.ListMenu()->isVisible());
        QStringList items;
        for (QAction* action : w.ListMenu()->actions())
            items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(items,
                 QStringList({"复制手机号码", "复制短信", "复制验证码", "-", "加黑手机号码", "-", "导出列表..."}));
        MenuItem(w.ListMenu(), QStringLiteral("复制验证码"))->trigger();
        w.ListMenu()->hide();
        QString code = f.Cell(2, 3);
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::clipboard()->text(), code, kWait);

        // Blacklist the first two rows (click, Ctrl+click): their rows go at once.
        QStringList blacklisted = {f.Cell(0, 1), f.Cell(1, 1)};
        QTest::mouseClick(w.NumberList()->viewport(), Qt::LeftButton, {}, RowPoint(w.NumberList(), 0));
        QTest::mouseClick(w.NumberList()->viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(w.NumberList(), 1));
        RightClick(w.NumberList(), RowPoint(w.NumberList(), 1));
        MenuItem(w.ListMenu(), QStringLiteral("加黑手机号码"))->trigger();
        w.ListMenu()->hide();
        QTRY_COMPARE_WITH_TIMEOUT(f.Rows().rowCount(), 2, kWait);
        QVERIFY(f.Drain());
        QCOMPARE(f.Column(0), QStringList({"1", "2"}));
        QVERIFY(!f.Column(1).contains(blacklisted[0]) && !f.Column(1).contains(blacklisted[1]));

        // Closing asks; Cancel keeps everything, Escape asks again, OK ends the window.
        user.Queue(false);
        w.close();
        QTRY_COMPARE_WITH_TIMEOUT(int(user.Seen().size()), 1, kWait);
        QCOMPARE(user.Seen()[0].text, QStringLiteral("确定要关闭软件吗？"));
        QCOMPARE(user.Seen()[0].caption, QStringLiteral("关闭软件"));
        QVERIFY(f.Drain());
        QVERIFY(w.isVisible() && !f.presenter->IsClosed());

        QSignalSpy closed(&w, &MainWindow::closeNoticeArrived);
        user.Queue(true);
        QTest::keyClick(w.NumberList(), Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kWait);
        QVERIFY(!w.isVisible());
        QVERIFY(f.session->WaitUntilEnded(std::chrono::milliseconds(kWait)));
        QStringList sandboxBlacklist = f.SandboxNumbers(QStringLiteral("blacklist"));
        QVERIFY(sandboxBlacklist.contains(blacklisted[0]) && sandboxBlacklist.contains(blacklisted[1]));

        // The tip log holds the run's tips.
        std::string log = f.session->Tips().LastLogFile();
        QVERIFY(!log.empty());
        QString text = ReadGbkFile(log);
        QVERIFY(text.contains(QStringLiteral("[手机号码] [升序] 正在排序...排序完成。")));
        QVERIFY(text.contains(QStringLiteral("正在关闭软件...关闭完成。")));
    }

    // A long SMS can be read: its column takes the width the window gains, and hovering an SMS or a
    // code cell shows the whole text (other cells have no tooltip of their own).
    void longSmsTakesTheWidthAndShowsWholeOnHover()
    {
        WindowFixture f(WindowScenario(300));
        QVERIFY(f.SignInAndStart());
        MainWindow& w = *f.window;
        QVERIFY(RentNumbers(f, 2));
        QTRY_VERIFY_WITH_TIMEOUT(f.Column(3).filter(kSixDigits).size() == 2, kWait);
        QVERIFY(f.Drain());

        GuiListView* list = w.NumberList();
        QHeaderView* header = list->horizontalHeader();
        // From a width where every column has its room, 300 more go to the SMS alone.
        QSize start = w.minimumSizeHint() + QSize(300, 0);
        w.resize(start);
        QTRY_COMPARE(w.size(), start);
        QList<int> before;
        for (int column = 0; column < 5; ++column)
            before << header->sectionSize(column);
        w.resize(w.width() + 300, w.height());
        QTRY_VERIFY(header->sectionSize(2) >= before[2] + 250);
        for (int column : {0, 1, 3, 4})
            QCOMPARE(header->sectionSize(column), before[column]);

        struct Hover
        {
            int column;
            QString tip;
        };
        const Hover hovers[] = {{2, f.Cell(0, 2)}, {3, f.Cell(0, 3)}};
        for (const Hover& hover : hovers) {
            QVERIFY(!hover.tip.isEmpty());
            QCOMPARE(f.Rows().data(f.Rows().index(0, hover.column), Qt::ToolTipRole).toString(), hover.tip);
            QPoint point = list->visualRect(f.Rows().index(0, hover.column)).center();
            QHelpEvent event(QEvent::ToolTip, point, list->viewport()->mapToGlobal(point));
            QApplication::sendEvent(list->viewport(), &event);
            QTRY_VERIFY(QToolTip::isVisible());
            QCOMPARE(QToolTip::text(), hover.tip);
            QToolTip::hideText();
        }
        for (int column : {0, 1, 4})
            QVERIFY(!f.Rows().data(f.Rows().index(0, column), Qt::ToolTipRole).isValid());
    }

    // Enter in the search box searches; the keyboard starts at the number list and goes down the
    // panel.
    void enterSearchesAndTabFollowsThePanel()
    {
        WindowFixture f(WindowScenario(600000));
        QVERIFY(f.SignInAndStart());
        MainWindow& w = *f.window;
        QVERIFY(ProjectsShown(w.ProjectCombo(), 4));
        QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.NumberList()));
        const QWidget* order[] = {w.ProjectCombo(),   w.SearchBox(),      w.SearchButton(), w.RemarkBox(),
                                  w.CountBox(),       w.ProvinceCombo(),  w.CarrierCombo(), w.AutoGetSmsBox(),
                                  w.AutoExtractBox(), w.ListAutoSortBox()};
        QWidget* widget = w.NumberList();
        for (const QWidget* next : order) {
            widget = widget->nextInFocusChain();
            while (widget->focusPolicy() == Qt::NoFocus || !widget->isVisible())
                widget = widget->nextInFocusChain();
            QCOMPARE(widget, next);
        }

        TypeChinese(w.SearchBox(), QStringLiteral("影视"));
        QTest::keyClick(w.SearchBox(), Qt::Key_Return);
        QVERIFY(ProjectsShown(w.ProjectCombo(), 2));
        QCOMPARE(w.ProjectCombo()->itemText(1), QStringLiteral("3003：星河影视"));
    }

    // Qt's own texts (standard buttons, the file dialog) are Chinese once the translations are in.
    void qtTextsAreChinese()
    {
        QVERIFY(InstallQtTranslations(*qApp));
        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Save);
        QCOMPARE(buttons.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
        QCOMPARE(buttons.button(QDialogButtonBox::Save)->text(), QStringLiteral("保存"));
        QFileDialog dialog(nullptr, QStringLiteral("导出列表"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        QVERIFY(lookIn != nullptr);
        QVERIFY2(!lookIn->text().contains(QStringLiteral("Look")), qPrintable(lookIn->text()));
        for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    // "导出列表..." writes the list as the window shows it, with the arrival times, to the file
    // chosen; the outcome is a tip. A cancelled choice writes nothing.
    void exportWritesTheListToTheChosenFile()
    {
        WindowFixture f(WindowScenario(300));
        QVERIFY(f.SignInAndStart());
        MainWindow& w = *f.window;
        QVERIFY(RentNumbers(f, 3));
        QTRY_VERIFY_WITH_TIMEOUT(f.Column(3).filter(kSixDigits).size() == 3, kWait);
        QVERIFY(f.Drain());

        QTemporaryDir folder;
        QString path = folder.filePath(QStringLiteral("导出的列表.csv"));
        QString offered;
        w.SetExportFileChooser([&](const QString& suggested) {
            offered = suggested;
            return path;
        });
        RightClick(w.NumberList(), RowPoint(w.NumberList(), 0));
        QTRY_VERIFY(w.ListMenu()->isVisible());
        MenuItem(w.ListMenu(), QStringLiteral("导出列表..."))->trigger();
        w.ListMenu()->hide();
        QVERIFY2(QFileInfo(offered).fileName().startsWith(QStringLiteral("号码列表-")) &&
                     offered.endsWith(QStringLiteral(".csv")),
                 qPrintable(offered));
        QString done = QStringLiteral("正在导出列表...导出完成，共 3 行，已保存到 ") + path;
        QTRY_VERIFY_WITH_TIMEOUT(w.TipsView()->toPlainText().contains(done), kWait);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        std::optional<test::CsvFile> csv = test::ReadCsv(file.readAll().toStdString());
        QVERIFY(csv.has_value());
        QCOMPARE(int(csv->records.size()), 4);
        for (int row = 0; row < 3; ++row) {
            const std::vector<std::string>& fields = csv->records[size_t(row) + 1];
            QCOMPARE(int(fields.size()), 6);
            for (int column = 0; column < 5; ++column)
                QCOMPARE(QString::fromStdString(fields[size_t(column)]), f.Cell(row, column));
            QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                         .match(QString::fromStdString(fields[5]))
                         .hasMatch(),
                     fields[5].c_str());
        }

        // Cancelled: no file, no tip.
        file.remove();
        w.SetExportFileChooser([](const QString&) { return QString(); });
        RightClick(w.NumberList(), RowPoint(w.NumberList(), 0));
        MenuItem(w.ListMenu(), QStringLiteral("导出列表..."))->trigger();
        w.ListMenu()->hide();
        QVERIFY(WindowFixture::OnWorker([&] { ClientSession::WaitForIdle(f.session->Exporter()); }));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(w.TipsView()->toPlainText().count(QStringLiteral("正在导出列表")), 1);

        // Closing right after the choice, before the export has read a row (every read needs the
        // GUI thread, which has served nothing since): the export still gets the whole list.
        w.SetExportFileChooser([&](const QString&) { return path; });
        MenuItem(w.ListMenu(), QStringLiteral("导出列表..."))->trigger();
        f.presenter->Detach();
        QVERIFY(WindowFixture::OnWorker([&] { ClientSession::WaitForIdle(f.session->Exporter()); }));
        QVERIFY(file.open(QIODevice::ReadOnly));
        csv = test::ReadCsv(file.readAll().toStdString());
        QVERIFY(csv.has_value());
        QCOMPARE(int(csv->records.size()), 4);
    }

    void closingReleasesWaitingNumbers()
    {
        WindowFixture f(WindowScenario(600000));
        BoxAnswerer user;
        QVERIFY(f.SignInAndStart());
        QVERIFY(RentNumbers(f, 3));
        QStringList rented = f.Column(1);
        QTRY_COMPARE_WITH_TIMEOUT(f.SandboxNumbers(QStringLiteral("held")).size(), 3, kWait);

        QSignalSpy closed(f.window.get(), &MainWindow::closeNoticeArrived);
        user.Queue(true);
        f.window->close();
        QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kWait);
        QCOMPARE(f.SandboxNumbers(QStringLiteral("held")), QStringList());
        QStringList released = f.SandboxNumbers(QStringLiteral("released"));
        for (const QString& number : rented)
            QVERIFY2(released.contains(number), qPrintable(number));
    }

    // A forced shutdown (logging out, SIGTERM) asks nothing and still settles the numbers.
    void forcedShutdownAsksNothingAndReleasesTheNumbers()
    {
        WindowFixture f(WindowScenario(600000));
        BoxAnswerer user;
        QVERIFY(f.SignInAndStart());
        QVERIFY(RentNumbers(f, 2));
        QSignalSpy closed(f.window.get(), &MainWindow::closeNoticeArrived);
        f.presenter->ForceShutdown();
        QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kWait);
        QCOMPARE(int(user.Seen().size()), 0);
        QCOMPARE(f.SandboxNumbers(QStringLiteral("held")), QStringList());
        QVERIFY(!f.session->Tips().LastLogFile().empty());
    }

    void checkBoxesStoreOnlyTheirOwnSetting_data()
    {
        QTest::addColumn<int>("box");
        QTest::newRow("自动获取短信") << 0;
        QTest::newRow("自动提取验证码") << 1;
        QTest::newRow("列表自动排序") << 2;
    }

    void checkBoxesStoreOnlyTheirOwnSetting()
    {
        QFETCH(int, box);
        WindowFixture f(WindowScenario(600000));
        QVERIFY(f.SignInAndStart([](SettingsValues& c) { c.autoGetSms = c.autoExtractCode = c.listAutoSort = 0; }));
        MainWindow& w = *f.window;
        GuiCheckBox* boxes[] = {w.AutoGetSmsBox(), w.AutoExtractBox(), w.ListAutoSortBox()};
        ConfigCenter& config = f.session->Config();
        auto values = [&] {
            SettingsValues stored = config.Snapshot();
            return QList<uint32_t>({stored.autoGetSms, stored.autoExtractCode, stored.listAutoSort});
        };
        QCOMPARE(values(), QList<uint32_t>({0, 0, 0}));
        // Whatever the count box holds, the click stores the box's own state.
        QTest::keyClicks(w.CountBox(), QStringLiteral("x7-"));
        QCOMPARE(w.CountBox()->text(), QStringLiteral("17"));
        QTest::mouseClick(boxes[box], Qt::LeftButton, {}, QPoint(5, boxes[box]->height() / 2));
        QList<uint32_t> expected = {0, 0, 0};
        expected[box] = 1;
        QCOMPARE(values(), expected);
        QTest::mouseClick(boxes[box], Qt::LeftButton, {}, QPoint(5, boxes[box]->height() / 2));
        QCOMPARE(values(), QList<uint32_t>({0, 0, 0}));
    }

    // A click queues the command; the pressed state comes from the core when it has run it.
    void pressedStatesComeFromTheCore()
    {
        WindowFixture f(WindowScenario(600000));
        QVERIFY(f.SignInAndStart([](SettingsValues& c) { c.autoGetSms = 0; }));
        MainWindow& w = *f.window;
        QToolButton* onTop = w.ToolBar()->Button(kIdWindowTop);
        QVERIFY(f.Drain());
        QVERIFY(!onTop->isChecked());
        QTest::mouseClick(onTop, Qt::LeftButton);
        QVERIFY(!onTop->isChecked()); // nothing has been carried out yet: no event was served
        QTRY_VERIFY_WITH_TIMEOUT(onTop->isChecked(), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint), kWait);
        QVERIFY(w.isVisible());
        QTest::mouseClick(onTop, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!onTop->isChecked(), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!w.windowFlags().testFlag(Qt::WindowStaysOnTopHint), kWait);

        // "获取短信" is held pressed while the automatic fetch runs; a click stops it.
        {
            f.session->Config().Update([&](SettingsValues& values) { values.autoGetSms = 1; });
        }
        QVERIFY(RentNumbers(f, 2));
        QToolButton* sms = w.ToolBar()->Button(kIdGetSms);
        QTRY_VERIFY_WITH_TIMEOUT(sms->isChecked(), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(f.Cell(0, 2), QStringLiteral("正在获取"), kWait);
        QTest::mouseClick(sms, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!sms->isChecked(), kWait);
    }

    // A press into the tips box pauses its auto-scroll, a press elsewhere resumes it; a selection
    // stays where the user made it.
    void tipsBoxAutoScroll()
    {
        WindowFixture f(WindowScenario(600000));
        QVERIFY(f.SignInAndStart());
        MainWindow& w = *f.window;
        GuiTipsView* tips = w.TipsView();
        QScrollBar* bar = tips->verticalScrollBar();
        // Tips from a worker, as managers raise them; true once all are in the box.
        auto addTips = [&](int count) {
            int lines = tips->document()->blockCount();
            return WindowFixture::OnWorker([&] {
                       for (int i = 0; i < count; ++i)
                           f.session->Tips().AddTip(u"测试提示 " + AnsiToWide(std::to_string(i)));
                   }) &&
                   QTest::qWaitFor([&] { return tips->document()->blockCount() >= lines + count; }, kWait);
        };
        // What the user sees at the end: the newest tip's line wholly in the viewport and the bar
        // at its end, whatever the font's line height.
        auto newestLineInView = [&] {
            QTextCursor last(tips->document()->lastBlock());
            last.movePosition(QTextCursor::EndOfBlock);
            QRect line = tips->cursorRect(last);
            return tips->viewport()->rect().contains(line) && bar->value() == bar->maximum();
        };
        QVERIFY(addTips(80));
        QTRY_VERIFY(newestLineInView());

        QTest::mouseClick(tips->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        bar->setValue(3);
        QVERIFY(addTips(20));
        QCOMPARE(bar->value(), 3);

        QTest::mouseClick(w.NumberList()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(addTips(5));
        QTRY_VERIFY(newestLineInView());
        QCOMPARE(bar->value(), bar->maximum());

        // Text selected in the box stays selected and in view while tips arrive.
        QTextCursor selection(tips->document()->findBlockByNumber(5));
        selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        tips->setTextCursor(selection);
        QString selected = tips->textCursor().selectedText();
        QVERIFY(!selected.isEmpty());
        int position = bar->value();
        QVERIFY(addTips(10));
        QCOMPARE(tips->textCursor().selectedText(), selected);
        QCOMPARE(bar->value(), position);
    }

    void minimisingWithoutANotificationAreaKeepsTheWindow()
    {
        WindowFixture f(WindowScenario(600000));
        QVERIFY(f.SignInAndStart());
        QVERIFY(f.Drain());
        if (GuiTrayIcon::Available())
            QSKIP("this desktop has a notification area");
        f.window->showMinimized();
        QTRY_VERIFY(f.window->windowState().testFlag(Qt::WindowMinimized));
        // A hide would be posted from the state change; serve it before looking.
        QCoreApplication::processEvents();
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.window->TrayIcon()->IsShown());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
