// The Win32 ports against real common controls of the main window's dialog resource under wine:
// the number list's reordering, the tips box's positions, the combo box beside its in-memory
// twin, the toolbar and status bar, and the GUI thread's rules (a worker's call waits for the GUI
// thread, nothing runs once closing has begun, posted work never waits).

#include "Win32TestSupport.h"
#include "app/TipsBox.h"
#include "core/OwnerWindow.h"
#include "headless/HeadlessComboBox.h"
#include "ui/win32/MainDialog.h"
#include "ui/win32/ResourceIds.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace kh {
namespace {

using test::PumpUntil;

class MainDialogTest : public test::GuiThreadTest
{
protected:
    void SetUp() override
    {
        GuiThreadTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(window.Create(IDD_MAIN, nullptr));
    }

    // The number list with the five columns of the client.
    win32::ListView& NumberList()
    {
        win32::ListView& list = window.numberList;
        const char16_t* titles[] = {u"序号", u"手机号码", u"短信", u"验证码", u"归属信息"};
        const int widths[] = {40, 90, 150, 70, 100};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(list.InsertColumn(i, titles[i], widths[i]), i);
        return list;
    }

    win32::MainDialog window;
};

TEST_F(MainDialogTest, ApplyOrderMovesWholeRowsAndKeepsTheirData)
{
    win32::ListView& list = NumberList();
    list.SetExtendedStyle(kListExGridLines | kListExFullRowSelect | kListExDoubleBuffer);
    EXPECT_EQ(list.GetExtendedStyle(), 0x10021u);
    const std::u16string numbers[] = {u"A", u"B", u"C", u"D", u"E"};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(list.InsertItem(i, std::u16string(1, static_cast<char16_t>(u'1' + i))), i);
        ASSERT_TRUE(list.SetItemText(i, 1, numbers[i]));
        ASSERT_TRUE(list.SetItemData(i, 100 + i));
    }
    ASSERT_TRUE(list.SetItemSelected(1, true));
    ASSERT_TRUE(list.SetItemSelected(3, true));
    ASSERT_TRUE(list.SetFocusedRow(3));

    ASSERT_TRUE(list.ApplyOrder({3, 0, 4, 1, 2}));

    EXPECT_EQ(list.GetColumnTexts(1), (std::vector<std::u16string>{u"D", u"A", u"E", u"B", u"C"}));
    EXPECT_EQ(list.GetColumnTexts(0), (std::vector<std::u16string>{u"4", u"1", u"5", u"2", u"3"}));
    std::vector<intptr_t> data;
    for (int row = 0; row < 5; ++row)
        data.push_back(list.GetItemData(row));
    EXPECT_EQ(data, (std::vector<intptr_t>{103, 100, 104, 101, 102}));
    EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{0, 3}));
    EXPECT_EQ(list.GetFocusedRow(), 0);

    // What is not a permutation of the rows is refused, and nothing moves.
    const std::vector<std::vector<int>> refused = {{0, 1, 2, 3}, {0, 1, 2, 3, 3}, {0, 1, 2, 3, 5}, {-1, 0, 1, 2, 3}};
    for (const std::vector<int>& order : refused) {
        EXPECT_FALSE(list.ApplyOrder(order));
        EXPECT_EQ(list.GetColumnTexts(1), (std::vector<std::u16string>{u"D", u"A", u"E", u"B", u"C"}));
    }
}

TEST_F(MainDialogTest, MoveItemMovesOneRowEitherWayAndLeavesTheFocusBehind)
{
    win32::ListView& list = NumberList();
    struct Case
    {
        int from, to;
        std::vector<std::u16string> numbers;
    };
    const Case cases[] = {{3, 1, {u"A", u"D", u"B", u"C", u"E"}},
                          {0, 4, {u"B", u"C", u"D", u"E", u"A"}},
                          {4, 0, {u"E", u"A", u"B", u"C", u"D"}},
                          {2, 2, {u"A", u"B", u"C", u"D", u"E"}}};
    for (const Case& move : cases) {
        SCOPED_TRACE(testing::Message() << move.from << " -> " << move.to);
        ASSERT_TRUE(list.DeleteAllItems());
        for (int i = 0; i < 5; ++i) {
            ASSERT_EQ(list.InsertItem(i, u"x"), i);
            ASSERT_TRUE(list.SetItemText(i, 1, std::u16string(1, static_cast<char16_t>(u'A' + i))));
            ASSERT_TRUE(list.SetItemData(i, 100 + i));
        }
        ASSERT_TRUE(list.SetItemSelected(move.from, true));
        ASSERT_TRUE(list.SetFocusedRow(move.from));

        ASSERT_TRUE(list.MoveItem(move.from, move.to));

        EXPECT_EQ(list.GetColumnTexts(1), move.numbers);
        EXPECT_EQ(list.GetItemData(move.to), 100 + move.from);
        EXPECT_EQ(list.GetSelectedRows(), std::vector<int>{move.to});
        if (move.from != move.to) {
            EXPECT_EQ(list.GetFocusedRow(), -1);
        }
    }
    // The rows passed over shift by one with their data, selection and focus.
    ASSERT_TRUE(list.DeleteAllItems());
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(list.InsertItem(i, u"x"), i);
        ASSERT_TRUE(list.SetItemText(i, 1, std::u16string(1, static_cast<char16_t>(u'A' + i))));
        ASSERT_TRUE(list.SetItemData(i, 100 + i));
    }
    ASSERT_TRUE(list.SetItemSelected(1, true));
    ASSERT_TRUE(list.SetItemSelected(3, true));
    ASSERT_TRUE(list.SetFocusedRow(1));
    ASSERT_TRUE(list.MoveItem(3, 0));
    EXPECT_EQ(list.GetColumnTexts(1), (std::vector<std::u16string>{u"D", u"A", u"B", u"C", u"E"}));
    EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(list.GetFocusedRow(), 2);
    EXPECT_EQ(list.GetItemData(2), 101);
    ASSERT_TRUE(list.MoveItem(0, 4));
    EXPECT_EQ(list.GetColumnTexts(1), (std::vector<std::u16string>{u"A", u"B", u"C", u"E", u"D"}));
    EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{1, 4}));
    EXPECT_EQ(list.GetFocusedRow(), 1);
    ASSERT_TRUE(list.MoveItem(4, 3));

    // Absent rows are refused, and nothing moves.
    for (auto [from, to] : {std::pair{5, 0}, std::pair{0, 5}, std::pair{-1, 0}}) {
        EXPECT_FALSE(list.MoveItem(from, to));
        EXPECT_EQ(list.GetColumnTexts(1), (std::vector<std::u16string>{u"A", u"B", u"C", u"D", u"E"}));
    }
}

// Changes from the workers come in bursts; the list draws them once the GUI thread gets to its
// posted work, and scrolling to a row works in the middle of a burst.
TEST_F(MainDialogTest, ListDrawsAgainAfterABurstOfChangesAndScrollsToARow)
{
    win32::ListView& list = NumberList();
    ShowWindow(window.Handle(), SW_SHOWNA);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(list.InsertItem(i, u"1"), i);
    ASSERT_TRUE(list.EnsureVisible(99, false));
    EXPECT_GT(SendMessageW(list.Handle(), LVM_GETTOPINDEX, 0, 0), 0);

    // Everything drawn; then a change, and only the posted work is run, not the painting.
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    RECT dirty;
    ASSERT_FALSE(GetUpdateRect(list.Handle(), &dirty, FALSE));
    ASSERT_TRUE(list.SetItemText(99, 1, u"13800000000"));
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE))
        DispatchMessageW(&message);
    EXPECT_TRUE(GetUpdateRect(list.Handle(), &dirty, FALSE)) << "the list is to be drawn again";
}

TEST_F(MainDialogTest, ListCellsTitlesAndColumnWidths)
{
    win32::ListView& list = NumberList();
    EXPECT_EQ(list.GetHeaderColumnCount(), 5);
    std::u16string title;
    ASSERT_TRUE(list.GetColumnTitle(1, 4, title));
    EXPECT_EQ(title, u"手机号码");
    ASSERT_TRUE(list.GetColumnTitle(1, 2, title));
    EXPECT_EQ(title, u"手机");
    EXPECT_FALSE(list.GetColumnTitle(5, 4, title));
    // Widths are 96-DPI pixels, scaled to the window's DPI.
    EXPECT_EQ(ListView_GetColumnWidth(list.Handle(), 2), win32::ScaleTo(150, window.Dpi()));

    // A position past the end appends; absent cells read as empty; a column of texts must have one
    // text per row.
    EXPECT_EQ(list.InsertItem(7, u"1"), 0);
    EXPECT_EQ(list.InsertItem(7, u"2"), 1);
    EXPECT_EQ(list.GetItemText(5, 1), u"");
    EXPECT_EQ(list.GetItemText(0, 9), u"");
    EXPECT_FALSE(list.SetItemText(3, 1, u"x"));
    EXPECT_FALSE(list.SetColumnTexts(0, {u"9"}));
    EXPECT_TRUE(list.SetColumnTexts(3, {u"168168", u"未提取"}));
    EXPECT_EQ(list.GetColumnTexts(3), (std::vector<std::u16string>{u"168168", u"未提取"}));
    std::u16string longText(1000, u'短');
    EXPECT_TRUE(list.SetItemText(1, 2, longText));
    EXPECT_EQ(list.GetItemText(1, 2), longText);
}

TEST_F(MainDialogTest, WorkerCallsRunOnTheGuiThreadAndWaitForIt)
{
    win32::ListView& list = NumberList();
    DWORD guiThread = GetCurrentThreadId();
    std::atomic<bool> done{false};
    DWORD ranOn = 0;
    int inserted = -1;
    std::u16string readBack;
    std::thread worker([&] {
        win32::RunOnGuiThread([&] { ranOn = GetCurrentThreadId(); });
        inserted = list.InsertItem(0, u"1");
        list.SetItemText(0, 1, u"13800000001");
        readBack = list.GetItemText(0, 1);
        done = true;
    });
    bool finished = PumpUntil([&] { return done.load(); });
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(ranOn, guiThread);
    EXPECT_EQ(inserted, 0);
    EXPECT_EQ(readBack, u"13800000001");
}

TEST_F(MainDialogTest, TipsPositionsAreUtf16UnitsWithCrLf)
{
    win32::TipsEdit& tips = window.tipsBox;
    // U+1F600 is a surrogate pair: two units.
    tips.ReplaceSelection(u"a\U0001F600b");
    EXPECT_EQ(tips.TextLength(), 4u);
    tips.SetSelection(4, 4);
    tips.ReplaceSelection(u"\r\n第二行");
    EXPECT_EQ(tips.TextLength(), 9u);
    EXPECT_EQ(tips.GetText(), u"a\U0001F600b\r\n第二行");

    size_t start = 0;
    size_t end = 0;
    tips.SetSelection(6, 8);
    tips.GetSelection(start, end);
    EXPECT_EQ(start, 6u);
    EXPECT_EQ(end, 8u);
    tips.SetSelection(1, 3);
    tips.ReplaceSelection(u"X");
    EXPECT_EQ(tips.GetText(), u"aXb\r\n第二行");
    // Positions past the end are the end.
    tips.SetSelection(100, 200);
    tips.GetSelection(start, end);
    EXPECT_EQ(start, 8u);
    EXPECT_EQ(end, 8u);
    tips.Clear();
    EXPECT_EQ(tips.TextLength(), 0u);
}

TEST_F(MainDialogTest, TipsBoxAppendsWorkersTipsThroughTheExecutor)
{
    OwnerWindow owner;
    TipsBox box(nullptr, &window.executor);
    owner.tipsBox = &box;
    box.Init(&window.tipsBox, &owner, u"C:\\unused");
    std::thread worker([&] {
        box.AddTip(u"正在获取手机号码...");
        box.AddTip(u"正在获取手机号码...成功获取了 3 个手机号码。");
    });
    // AddTip only queues: the worker ends without the GUI thread having served it.
    worker.join();
    ASSERT_TRUE(PumpUntil([&] { return window.tipsBox.GetText().find(u"成功") != std::u16string::npos; }));
    std::u16string text = window.tipsBox.GetText();
    size_t lineBreak = text.find(u"\r\n");
    ASSERT_NE(lineBreak, std::u16string::npos);
    EXPECT_EQ(text.find(u"\r\n", lineBreak + 2), std::u16string::npos);
    EXPECT_EQ(text.substr(lineBreak - 5, 5), u"号码...");
    EXPECT_EQ(text.front(), u'[');
    EXPECT_EQ(text[lineBreak + 2], u'[');
    window.executor.Stop();
}

// The combo box's script runs against the control and against the in-memory box, which the
// managers' tests use: both must answer alike.
TEST_F(MainDialogTest, ComboBoxAnswersAsItsInMemoryTwin)
{
    struct Answers
    {
        std::vector<long long> values;
        std::vector<std::u16string> texts;
    };
    auto script = [](ComboBoxPort& box) {
        Answers a;
        auto value = [&](long long v) { a.values.push_back(v); };
        auto text = [&](const std::u16string& t) { a.texts.push_back(t); };
        box.ResetContent();
        // The project search: the matches, then the count line on top, selected.
        value(box.AddString(u"1001：云购商城"));
        value(box.AddString(u"1002：易信"));
        value(box.AddString(u"1003：闪电邮"));
        value(box.GetCurSel());
        text(box.GetWindowText());
        value(box.InsertString(0, u"共 3 个项目"));
        value(box.SetCurSel(0));
        text(box.GetWindowText());
        // The selection follows its item when items go in or out above it.
        value(box.SetCurSel(2));
        value(box.InsertString(1, u"插入"));
        value(box.GetCurSel());
        value(box.DeleteString(0));
        value(box.GetCurSel());
        text(box.GetWindowText());
        // Deleting the selected item leaves nothing selected.
        value(box.DeleteString(box.GetCurSel()));
        value(box.GetCurSel());
        text(box.GetWindowText());
        // Indexes outside the items.
        value(box.InsertString(box.GetCount() + 1, u"x"));
        value(box.SetCurSel(1));
        value(box.SetCurSel(99));
        value(box.GetCurSel());
        value(box.GetItemData(99));
        std::u16string item = u"unchanged";
        value(box.GetItemText(99, item));
        text(item);
        value(box.SetItemData(1, 42));
        value(box.GetItemData(1));
        value(box.GetItemData(0));
        value(box.GetItemText(2, item));
        text(item);
        value(box.SetCurSel(-1));
        value(box.GetCurSel());
        value(box.GetCount());
        value(box.AddString(u"末尾"));
        return a;
    };
    HeadlessComboBox twin;
    Answers expected = script(twin);
    Answers actual = script(window.projectCombo);
    EXPECT_EQ(actual.values, expected.values);
    EXPECT_EQ(actual.texts, expected.texts);
}

TEST_F(MainDialogTest, ToolbarSpansThePlaceholderAndKeepsThePressedState)
{
    ASSERT_TRUE(window.CreateBars());
    RECT place{};
    GetWindowRect(window.Item(IDC_TOOLBAR_PLACE), &place);
    std::vector<RECT> bars;
    for (const win32::ToolBar::ButtonInfo& info : win32::ToolBar::kButtons) {
        HWND bar = window.toolBar.BarOf(info.commandId);
        ASSERT_NE(bar, nullptr);
        RECT rect;
        GetWindowRect(bar, &rect);
        bars.push_back(rect);
    }
    EXPECT_EQ(bars.front().left, place.left);
    EXPECT_EQ(bars.back().right, place.right);
    int smallest = INT_MAX;
    int largest = INT_MIN;
    for (size_t i = 1; i < bars.size(); ++i) {
        int gap = bars[i].left - bars[i - 1].right;
        smallest = std::min(smallest, gap);
        largest = std::max(largest, gap);
    }
    EXPECT_LE(largest - smallest, 1);
    EXPECT_GE(smallest, 0);

    EXPECT_TRUE(window.toolBar.SetButtonChecked(kIdWindowTop, true));
    EXPECT_TRUE(window.toolBar.IsButtonChecked(kIdWindowTop));
    EXPECT_FALSE(window.toolBar.IsButtonChecked(kIdGetSms));
    EXPECT_TRUE(window.toolBar.SetButtonChecked(kIdWindowTop, false));
    EXPECT_FALSE(window.toolBar.IsButtonChecked(kIdWindowTop));
    EXPECT_FALSE(window.toolBar.SetButtonChecked(kIdCopyCode, true));
    // A click reports the command and leaves the state to the owner.
    int clicked = 0;
    window.onCommand = [&](int id, int) {
        clicked = id;
        return true;
    };
    SendMessageW(window.toolBar.BarOf(kIdGetSms), TB_PRESSBUTTON, kIdGetSms, TRUE);
    SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(kIdGetSms, BN_CLICKED),
                 reinterpret_cast<LPARAM>(window.toolBar.BarOf(kIdGetSms)));
    EXPECT_EQ(clicked, kIdGetSms);
}

TEST_F(MainDialogTest, StatusPanesAreAsWideAsTheirTexts)
{
    ASSERT_TRUE(window.CreateBars());
    win32::StatusBar& bar = window.statusBar;
    const char16_t* texts[] = {u"用户名：", u"余额：", u"可获取号码数：", u"等级：", u"折扣：", u"积分："};
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(bar.SetPaneText(i, texts[i]));
    auto edges = [&] {
        std::vector<int> parts(6);
        SendMessageW(bar.Handle(), SB_GETPARTS, 6, reinterpret_cast<LPARAM>(parts.data()));
        return parts;
    };
    std::vector<int> before = edges();
    ASSERT_TRUE(bar.SetPaneText(2, u"可获取号码数：50"));
    std::vector<int> after = edges();
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    int grown = after[2] - before[2];
    EXPECT_GT(grown, 0);
    for (int i = 3; i < 6; ++i)
        EXPECT_EQ(after[static_cast<size_t>(i)] - before[static_cast<size_t>(i)], grown);
    EXPECT_EQ(bar.PaneText(2), u"可获取号码数：50");
    ASSERT_TRUE(bar.SetPaneText(StatusBarPort::kNoticePane, u"连接未经验证"));
    EXPECT_EQ(bar.PaneText(StatusBarPort::kNoticePane), u"连接未经验证");
    EXPECT_EQ(edges(), after);
    EXPECT_FALSE(bar.SetPaneText(StatusBarPort::kNoticePane + 1, u"x"));
    // Each pane holds its text in the bar's own font.
    HDC dc = GetDC(bar.Handle());
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(bar.Handle(), WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, L"可获取号码数：50", 9, &size);
    SelectObject(dc, old);
    ReleaseDC(bar.Handle(), dc);
    EXPECT_GE(after[2] - after[1], size.cx);
}

using GuiThreadTest = test::GuiThreadTest;

TEST_F(GuiThreadTest, NothingRunsOnceClosingHasBegun)
{
    win32::BeginClosing();
    bool ran = false;
    EXPECT_FALSE(win32::RunOnGuiThread([&] { ran = true; }));
    bool workerResult = true;
    std::thread worker([&] { workerResult = win32::RunOnGuiThread([&] { ran = true; }); });
    // Nothing is served here: the worker returns without the GUI thread.
    worker.join();
    EXPECT_FALSE(workerResult);
    EXPECT_FALSE(ran);
    EXPECT_EQ(win32::OnGuiThread([] { return 7; }, -1), -1);
}

TEST_F(GuiThreadTest, ACallOnItsWayWhenClosingBeginsIsReleasedUnrun)
{
    bool ran = false;
    bool workerResult = true;
    std::thread worker([&] { workerResult = win32::RunOnGuiThread([&] { ran = true; }); });
    // Until the worker's message is in this thread's queue (not served: only waited for).
    DWORD woken = MsgWaitForMultipleObjectsEx(0, nullptr, 10000, QS_SENDMESSAGE, 0);
    ASSERT_EQ(woken, WAIT_OBJECT_0);
    win32::BeginClosing();
    // The end of the program: the GUI thread waits for the workers, answering what they sent.
    win32::RunServingCalls([&] { worker.join(); });
    EXPECT_FALSE(workerResult);
    EXPECT_FALSE(ran);
}

TEST_F(GuiThreadTest, ExecutorPostsInOrderNeverWaitsAndDropsAfterStop)
{
    win32::GuiExecutor executor;
    std::vector<int> order;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            executor.Post([&order, i] { order.push_back(i); });
    });
    // Posting returns without the GUI thread serving anything.
    worker.join();
    EXPECT_TRUE(order.empty());
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));

    executor.Post([&order] { order.push_back(3); });
    executor.Stop();
    executor.Post([&order] { order.push_back(4); });
    bool sentinel = false;
    ASSERT_TRUE(win32::PostToGuiThread([&] { sentinel = true; }));
    ASSERT_TRUE(PumpUntil([&] { return sentinel; }));
    EXPECT_EQ(order.size(), 3u);
}

} // namespace
} // namespace kh
