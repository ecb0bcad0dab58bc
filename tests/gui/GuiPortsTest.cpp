// The Qt controls behind the ports, driven from a worker thread as the managers drive them: the
// combo box keeps a dialog combo's selection rules, the list view keeps rows, selection and focus
// together through a reordering and moves an arriving row in one step, the tips view counts
// positions as an edit control does, the toolbar's pressed state belongs to the core, programmatic
// changes emit no user signals, the clipboard is held by one thread at a time, and message boxes
// map their flags and handle the shutdown question.

#include "app/Dispatcher.h"
#include "core/OwnerWindow.h"
#include "core/ports/MessageBoxPort.h"
#include "core/ports/ToolBarPort.h"
#include "numbers/NumberBatch.h"
#include "numbers/PhoneSMSListCtrl.h"
#include "platform/TextCodec.h"
#include "ui/qt/GuiCheckBox.h"
#include "ui/qt/GuiClipboard.h"
#include "ui/qt/GuiComboBox.h"
#include "ui/qt/GuiListView.h"
#include "ui/qt/GuiMessageBox.h"
#include "ui/qt/GuiStatusBar.h"
#include "ui/qt/GuiThread.h"
#include "ui/qt/GuiTipsView.h"
#include "ui/qt/GuiToolBar.h"
#include "ui/qt/NumberListModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <functional>
#include <thread>

using namespace kh;
using namespace kh::ui;

namespace {

// Runs script on a worker thread while the GUI thread serves the port calls; false when the worker
// did not finish in time.
bool OnWorker(const std::function<void()>& script)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        script();
        done = true;
    });
    bool finished = QTest::qWaitFor([&] { return done.load(); }, 20000);
    if (!finished)
        BeginClosing(); // let a stuck worker go, so the test fails instead of hanging
    worker.join();
    return finished;
}

// The first visible message box, or null.
QMessageBox* OpenBox(const QString& text)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->isVisible() && box->text() == text)
            return box;
    }
    return nullptr;
}

QAbstractButton* ButtonOf(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

} // namespace

class GuiPortsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { ResetClosingForTest(); }

    void comboBoxKeepsTheSelectionRulesOfADialogCombo()
    {
        GuiComboBox combo;
        QSignalSpy activated(&combo, &QComboBox::activated);
        QSignalSpy changed(&combo, &QComboBox::currentIndexChanged);
        int added = -2, outside = -2, selectedAfterAdd = -2, selectedAfterInsert = -2, selectedAfterDelete = -2;
        std::u16string shown, item;
        bool readOutside = true;
        QVERIFY(OnWorker([&] {
            added = combo.AddString(u"甲");
            combo.AddString(u"乙");
            selectedAfterAdd = combo.GetCurSel();
            combo.SetCurSel(1);
            combo.InsertString(0, u"共 2 个项目");
            selectedAfterInsert = combo.GetCurSel();
            shown = combo.GetWindowText();
            outside = combo.InsertString(9, u"丙");
            readOutside = combo.GetItemText(5, item);
            combo.SetItemData(1, 77);
            combo.DeleteString(2);
            selectedAfterDelete = combo.GetCurSel();
        }));
        QCOMPARE(added, 0);
        QCOMPARE(selectedAfterAdd, -1);
        QCOMPARE(selectedAfterInsert, 2);
        QCOMPARE(shown, std::u16string(u"乙"));
        QCOMPARE(outside, -1);
        QVERIFY(!readOutside);
        QCOMPARE(selectedAfterDelete, -1);
        QCOMPARE(combo.count(), 2);
        QCOMPARE(combo.itemText(1), QStringLiteral("甲"));
        QCOMPARE(combo.GetItemData(1), intptr_t(77));
        QCOMPARE(combo.GetWindowText(), std::u16string());
        // None of it was the user's doing.
        QCOMPARE(activated.count(), 0);
        QCOMPARE(changed.count(), 0);
    }

    void listViewKeepsRowsSelectionAndFocusTogetherThroughASort()
    {
        GuiListView list;
        list.resize(400, 300);
        std::vector<int> selectedAfter;
        int focusedAfter = -2, appendedAt = -2, columns = -2;
        bool refusedShort = true, refusedRepeat = true;
        std::u16string title;
        QStringList numbers;
        QVERIFY(OnWorker([&] {
            list.SetExtendedStyle(kListExGridLines | kListExFullRowSelect | kListExDoubleBuffer);
            for (int i = 0; i < 5; ++i)
                list.InsertColumn(i, i == 1 ? u"手机号码" : u"列", 60);
            const char16_t* values[] = {u"300", u"100", u"500", u"200", u"400"};
            for (int i = 0; i < 5; ++i) {
                appendedAt = list.InsertItem(99, std::u16string(1, char16_t(u'1' + i)));
                list.SetItemText(appendedAt, 1, values[i]);
                list.SetItemData(appendedAt, i);
            }
            list.SetItemSelected(0, true); // 300
            list.SetItemSelected(2, true); // 500
            list.SetFocusedRow(2);
            // The core works out the order (by the number column) and hands it over; a list of
            // the wrong length or with a repeated row is refused.
            refusedShort = list.ApplyOrder({1, 3, 0});
            refusedRepeat = list.ApplyOrder({1, 3, 0, 0, 2});
            list.ApplyOrder({1, 3, 0, 4, 2});
            selectedAfter = list.GetSelectedRows();
            focusedAfter = list.GetFocusedRow();
            columns = list.GetHeaderColumnCount();
            list.GetColumnTitle(1, 2, title);
        }));
        QCOMPARE(appendedAt, 4);
        QVERIFY(!refusedShort && !refusedRepeat);
        for (int row = 0; row < 5; ++row)
            numbers << list.Model()->Text(row, 1);
        QCOMPARE(numbers, QStringList({"100", "200", "300", "400", "500"}));
        QCOMPARE(selectedAfter, std::vector<int>({2, 4}));
        QCOMPARE(focusedAfter, 4);
        QCOMPARE(columns, 5);
        QCOMPARE(title, std::u16string(u"手机"));
        QVERIFY(list.showGrid());
        QCOMPARE(list.selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list.horizontalHeader()->isSortIndicatorShown(), false);
        QVERIFY(!list.DeleteItem(5));
        QVERIFY(!list.EnsureVisible(-1, false));

        // The column calls read and write every row in one round trip; a text list of the wrong
        // length or an absent column changes nothing.
        std::vector<std::u16string> before, after;
        bool refusedLength = true, refusedColumn = true, written = false;
        QVERIFY(OnWorker([&] {
            before = list.GetColumnTexts(1);
            refusedLength = list.SetColumnTexts(0, {u"a", u"b"});
            refusedColumn = list.SetColumnTexts(7, {u"a", u"b", u"c", u"d", u"e"});
            written = list.SetColumnTexts(0, {u"a", u"b", u"c", u"d", u"e"});
            after = list.GetColumnTexts(0);
        }));
        QCOMPARE(before, (std::vector<std::u16string>{u"100", u"200", u"300", u"400", u"500"}));
        QVERIFY(!refusedLength && !refusedColumn && written);
        QCOMPARE(after, (std::vector<std::u16string>{u"a", u"b", u"c", u"d", u"e"}));
    }

    // With the list sorted as SMS arrive, an arriving row moves up in one step of the model (the
    // view repaints the rows in between), never as a copy inserted and the original deleted cell
    // by cell, nor as a reordering of the whole list: at a thousand rows that is what keeps an
    // arrival cheap (bench/WindowBench). The row keeps its cells, data and selection, the rows it
    // passes keep theirs; the serials and the number index follow; the focus stays behind.
    void listViewMovesAnArrivingRowUpInOneStep()
    {
        GuiListView list;
        list.resize(400, 300);
        NumberBatch batch(nullptr, nullptr);
        OwnerWindow owner;
        owner.batch = &batch;
        PhoneSMSListCtrl numbers(&owner, nullptr, nullptr);
        constexpr int kRows = 200;
        auto number = [](int i) { return AnsiToWide(std::to_string(13800000000LL + i)); };
        QVERIFY(OnWorker([&] {
            numbers.SetupList(&list);
            for (int i = 0; i < kRows; ++i)
                numbers.AddRow(number(i), u"广东", u"深圳", u"移动");
            batch.MarkReceived(number(0));
            numbers.SetCell(number(150), kColumnSms, u"您的验证码是123456");
            list.SetFocusedRow(150);
        }));
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.scrollToBottom();
        // Rows 148 to 152 selected as one range, which the moving row leaves.
        list.selectionModel()->select(QItemSelection(list.Model()->index(148, 0), list.Model()->index(152, 4)),
                                      QItemSelectionModel::Select);
        QSignalSpy moved(list.Model(), &QAbstractItemModel::rowsMoved);
        QSignalSpy relaid(list.Model(), &QAbstractItemModel::layoutChanged);
        QSignalSpy reset(list.Model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserted(list.Model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(list.Model(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(list.Model(), &QAbstractItemModel::dataChanged);
        int found = -2, focused = -2;
        std::vector<int> selected;
        QVERIFY(OnWorker([&] {
            batch.MarkReceived(number(150));
            numbers.MoveRowUp(number(150));
            found = numbers.FindRow(number(150));
            selected = list.GetSelectedRows();
            focused = list.GetFocusedRow();
        }));
        QCOMPARE(moved.count() + relaid.count() + reset.count() + inserted.count() + removed.count(), 0);
        // Above the topmost row that received its SMS before.
        QCOMPARE(found, 0);
        QCOMPARE(list.Model()->Text(0, kColumnNumber), QString::fromStdU16String(number(150)));
        QCOMPARE(list.Model()->Text(0, kColumnSms), QStringLiteral("您的验证码是123456"));
        QCOMPARE(list.Model()->Text(0, kColumnLocation), QStringLiteral("广东深圳 移动"));
        QCOMPARE(list.Model()->Text(1, kColumnNumber), QString::fromStdU16String(number(0)));
        QCOMPARE(list.Model()->Text(151, kColumnNumber), QString::fromStdU16String(number(151)));
        for (int row : {0, 1, 2, 150, 151, kRows - 1})
            QCOMPARE(list.Model()->Text(row, kColumnSerial), QString::number(row + 1));
        QCOMPARE(selected, (std::vector<int>{0, 149, 150, 151, 152}));
        QCOMPARE(focused, -1);
        // Selected, the row was scrolled into view at its new place.
        QVERIFY(list.viewport()->rect().contains(list.visualRect(list.Model()->index(0, 0)).center()));
        // The views hear of the move as the changed cells of rows 0 to 150 (a move of rows would
        // make the table lay itself out and repaint the window around it), then of the serials of
        // those rows, renumbered in one update rather than one per row.
        QList<QList<int>> updates;
        for (const QList<QVariant>& update : changed) {
            QModelIndex first = update.at(0).toModelIndex();
            QModelIndex last = update.at(1).toModelIndex();
            updates.append({first.row(), last.row(), first.column(), last.column()});
        }
        QCOMPARE(updates, (QList<QList<int>>{{0, 150, 0, 4}, {0, 150, kColumnSerial, kColumnSerial}}));
        int consistent = 0;
        QVERIFY(OnWorker([&] {
            for (int i = 0; i < kRows; ++i)
                consistent += numbers.FindRow(number(i)) == (i == 150 ? 0 : i < 150 ? i + 1 : i) ? 1 : 0;
        }));
        QCOMPARE(consistent, kRows);
    }

    // Changes made through the port in a burst are held from the screen for a moment only: the
    // list takes repaints again afterwards and paints once more, so the last change is shown.
    void listViewPaintsAfterABurstOfChanges()
    {
        GuiListView list;
        list.resize(400, 300);
        list.InsertColumn(0, u"序号", 40);
        list.InsertItem(0, u"0");
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        // Whether the viewport was painted since the model last changed.
        struct PaintWatch : QObject
        {
            bool painted = false;
            bool eventFilter(QObject*, QEvent* event) override
            {
                painted = painted || event->type() == QEvent::Paint;
                return false;
            }
        } watch;
        list.viewport()->installEventFilter(&watch);
        QObject::connect(list.Model(), &QAbstractItemModel::dataChanged, &watch, [&] { watch.painted = false; });
        QVERIFY(OnWorker([&] {
            for (int i = 1; i <= 50; ++i)
                list.SetItemText(0, 0, AnsiToWide(std::to_string(i)));
        }));
        QTRY_VERIFY_WITH_TIMEOUT(list.viewport()->updatesEnabled() && watch.painted, 2000);
        QCOMPARE(list.Model()->Text(0, 0), QStringLiteral("50"));
    }

    void listViewReportsOnlyTheUsersHeaderClicks()
    {
        GuiListView list;
        list.resize(400, 300);
        QSignalSpy clicked(&list, &GuiListView::headerClicked);
        list.InsertColumn(0, u"序号", 40);
        list.InsertColumn(1, u"手机号码", 90);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QHeaderView* header = list.horizontalHeader();
        int x = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), 1);
    }

    // Positions count CR LF as two units, as the edit control the tips box was written for does.
    void tipsViewCountsPositionsAsAnEditControl()
    {
        GuiTipsView view;
        size_t length = 0, start = 9, end = 9;
        std::u16string text;
        QVERIFY(OnWorker([&] {
            view.ReplaceSelection(u"[01-01] 第一行");
            view.SetSelection(view.TextLength(), view.TextLength());
            view.ReplaceSelection(u"\r\n[01-01] 第二行");
            view.SetSelection(view.TextLength(), view.TextLength());
            view.ReplaceSelection(u"\r\nxyz");
            length = view.TextLength();
            text = view.GetText();
            view.SetSelection(14, 16); // the first line is 11 units, CR LF 2 more: "01" of the second
            view.GetSelection(start, end);
        }));
        QCOMPARE(text, std::u16string(u"[01-01] 第一行\r\n[01-01] 第二行\r\nxyz"));
        QCOMPARE(length, text.size());
        QCOMPARE(start, size_t(14));
        QCOMPARE(end, size_t(16));
        QCOMPARE(view.textCursor().selectedText(), QStringLiteral("01"));
        // Read-only for the user.
        QTest::keyClicks(&view, "abc");
        QCOMPARE(view.GetText(), text);
    }

    void tipsViewKeepsItsScrollPositionWhileRedrawingIsOff()
    {
        GuiTipsView view;
        view.resize(300, 120);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int i = 0; i < 100; ++i) {
            view.SetSelection(view.TextLength(), view.TextLength());
            view.ReplaceSelection(u"\r\nline");
        }
        // Appending follows the new line.
        QVERIFY(view.viewport()->rect().contains(view.cursorRect()));
        QScrollBar* bar = view.verticalScrollBar();
        bar->setValue(10);
        view.SetRedraw(false);
        view.SetSelection(view.TextLength(), view.TextLength());
        view.ReplaceSelection(u"\r\nmore");
        view.SetSelection(0, 0);
        view.SetRedraw(true);
        QCOMPARE(bar->value(), 10);
    }

    void toolBarShowsThePressedStateOnlyTheCoreSets()
    {
        GuiToolBar toolBar;
        QSignalSpy commands(&toolBar, &GuiToolBar::commandClicked);
        QToolButton* sms = toolBar.Button(kIdGetSms);
        QVERIFY(sms != nullptr);
        QCOMPARE(sms->text(), QStringLiteral("获取短信"));
        QCOMPARE(sms->iconSize(), QSize(32, 32));
        QCOMPARE(sms->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QTest::mouseClick(sms, Qt::LeftButton);
        QCOMPARE(commands.count(), 1);
        QCOMPARE(commands.at(0).at(0).toInt(), int(kIdGetSms));
        QVERIFY(!sms->isChecked());
        bool set = false, unknown = true, checked = false;
        QVERIFY(OnWorker([&] {
            set = toolBar.SetButtonChecked(kIdGetSms, true);
            unknown = toolBar.SetButtonChecked(kIdCopyCode, true);
            checked = toolBar.IsButtonChecked(kIdGetSms);
        }));
        QVERIFY(set && checked && !unknown);
        QTest::mouseClick(sms, Qt::LeftButton);
        QVERIFY(sms->isChecked());
        QCOMPARE(commands.count(), 2);
    }

    void toolBarButtonsInOrder()
    {
        GuiToolBar toolBar;
        toolBar.resize(900, 80);
        toolBar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&toolBar));
        const int ids[] = {kIdGetNumbers,        kIdGetSms,    kIdExtractRule,   kIdRecharge, kIdProjectLink,
                           kIdProjectManagement, kIdWindowTop, kIdSettingsCentre};
        QStringList texts;
        int previousRight = -1;
        for (int id : ids) {
            QToolButton* button = toolBar.Button(id);
            texts << button->text();
            QVERIFY(button->geometry().left() > previousRight);
            previousRight = button->geometry().right();
        }
        QCOMPARE(texts, QStringList({"获取号码", "获取短信", "提取规则", "账户充值", "项目对接", "项目管理", "窗口置顶",
                                     "设置中心"}));
        // Spread from edge to edge.
        QCOMPARE(toolBar.Button(kIdGetNumbers)->geometry().left(), 0);
        QCOMPARE(toolBar.Button(kIdSettingsCentre)->geometry().right(), toolBar.width() - 1);
    }

    void statusBarPanes()
    {
        GuiStatusBar bar;
        QCOMPARE(bar.PaneText(2), std::u16string(u"可获取号码数："));
        bool outside = true;
        std::u16string text;
        QVERIFY(OnWorker([&] {
            bar.SetPaneText(0, u"用户名：demo");
            bar.SetPaneText(StatusBarPort::kNoticePane, u"连接未经验证");
            outside = bar.SetPaneText(StatusBarPort::kNoticePane + 1, u"x");
            text = bar.PaneText(0) + bar.PaneText(StatusBarPort::kNoticePane);
        }));
        QCOMPARE(text, std::u16string(u"用户名：demo连接未经验证"));
        QVERIFY(!outside);
    }

    void checkBoxChangedByTheCoreEmitsNoClick()
    {
        GuiCheckBox box(QStringLiteral("自动获取短信"));
        QSignalSpy clicked(&box, &QCheckBox::clicked);
        QVERIFY(OnWorker([&] { box.SetChecked(true); }));
        QVERIFY(box.isChecked());
        QCOMPARE(clicked.count(), 0);
    }

    void clipboardIsHeldByOneThreadAtATime()
    {
        GuiClipboard clipboard;
        bool opened = false, otherOpened = true, set = false, closed = false, emptySet = false;
        QVERIFY(OnWorker([&] {
            opened = clipboard.Open();
            std::thread other([&] { otherOpened = clipboard.Open(); });
            other.join();
            clipboard.Empty();
            set = clipboard.SetUnicodeText(u"168168");
            closed = clipboard.Close();
        }));
        QVERIFY(opened && !otherOpened && set && closed);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("168168"));
        QVERIFY(OnWorker([&] {
            clipboard.Open();
            emptySet = clipboard.SetUnicodeText(u"");
            clipboard.Close();
        }));
        QVERIFY(emptySet);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }

    void messageBoxMapsTheFlags_data()
    {
        QTest::addColumn<unsigned>("flags");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("defaultButton");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("escapeAnswer");
        QTest::newRow("question, Cancel default") << (kMbOkCancel | kMbIconQuestion | kMbDefButton2) << 2 << "取消"
                                                  << int(QMessageBox::Question) << kIdCancel;
        QTest::newRow("offer, OK default")
            << (kMbOkCancel | kMbIconInformation) << 2 << "确定" << int(QMessageBox::Information) << kIdCancel;
        QTest::newRow("severe error") << (kMbOk | kMbIconError) << 1 << "确定" << int(QMessageBox::Critical) << kIdOk;
    }

    void messageBoxMapsTheFlags()
    {
        QFETCH(unsigned, flags);
        QFETCH(int, buttons);
        QFETCH(QString, defaultButton);
        QFETCH(int, icon);
        QFETCH(int, escapeAnswer);
        QWidget owner;
        GuiMessageBox boxes(&owner);
        // The box runs its own loop; a timer inside it reads the box and presses Escape.
        QString title, shownDefault;
        int shownButtons = 0, shownIcon = -1;
        QTimer::singleShot(0, [&] {
            QMessageBox* box = OpenBox(QStringLiteral("正文"));
            if (box == nullptr)
                return;
            title = box->windowTitle();
            shownButtons = static_cast<int>(box->buttons().size());
            shownDefault = box->defaultButton() != nullptr ? box->defaultButton()->text() : QString();
            shownIcon = int(box->icon());
            QTest::keyClick(box, Qt::Key_Escape);
        });
        int answer = boxes.Show(u"正文", u"标题", flags, true);
        QCOMPARE(title, QStringLiteral("标题"));
        QCOMPARE(shownButtons, buttons);
        QCOMPARE(shownDefault, defaultButton);
        QCOMPARE(shownIcon, icon);
        QCOMPARE(answer, escapeAnswer);
    }

    // A confirmed shutdown answers an open update offer with Cancel instead of waiting for it.
    void confirmedShutdownCancelsAnOpenQuestion()
    {
        QWidget owner;
        GuiMessageBox boxes(&owner);
        std::atomic<int> offerAnswer{0};
        std::atomic<int> shutdownAnswer{0};
        std::thread offer([&] { offerAnswer = boxes.Show(u"发现新版本", u"更新软件", kMbOkCancel, true); });
        std::thread shutdown;
        // The boxes run nested loops on this thread, so the user's part is played from a timer
        // inside them: once the offer is open the shutdown question comes, and the user says OK.
        QTimer user;
        user.setInterval(10);
        connect(&user, &QTimer::timeout, [&] {
            if (!shutdown.joinable() && OpenBox(QStringLiteral("发现新版本")) != nullptr) {
                shutdown = std::thread([&] {
                    shutdownAnswer = boxes.Show(kShutdownQuestion, kShutdownCaption,
                                                kMbOkCancel | kMbIconQuestion | kMbDefButton2, true);
                });
            } else if (QMessageBox* question = OpenBox(QStringLiteral("确定要关闭软件吗？"))) {
                ButtonOf(question, QStringLiteral("确定"))->click();
            }
        });
        user.start();
        QTRY_COMPARE_WITH_TIMEOUT(shutdownAnswer.load(), kIdOk, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(offerAnswer.load(), kIdCancel, 20000);
        user.stop();
        shutdown.join();
        offer.join();
        // Later questions are not shown any more.
        QCOMPARE(boxes.Show(u"发现新版本", u"更新软件", kMbOkCancel, true), kIdCancel);
    }

    void forcedShutdownAnswersTheQuestionWithoutShowingIt()
    {
        QWidget owner;
        GuiMessageBox boxes(&owner);
        boxes.AnswerShutdownWithoutAsking();
        int answer =
            boxes.Show(kShutdownQuestion, kShutdownCaption, kMbOkCancel | kMbIconQuestion | kMbDefButton2, true);
        QCOMPARE(answer, kIdOk);
        QVERIFY(OpenBox(QStringLiteral("确定要关闭软件吗？")) == nullptr);
    }

    void portsReturnAtOnceOnceClosingHasBegun()
    {
        GuiComboBox combo;
        GuiMessageBox boxes(&combo);
        BeginClosing();
        int count = 0, answer = 0;
        QVERIFY(OnWorker([&] {
            count = combo.AddString(u"甲");
            answer = boxes.Show(u"正文", u"标题", kMbOkCancel, true);
        }));
        QCOMPARE(count, -1);
        QCOMPARE(answer, kIdCancel);
        QCOMPARE(combo.count(), 0);
    }
};

QTEST_MAIN(GuiPortsTest)
#include "GuiPortsTest.moc"
