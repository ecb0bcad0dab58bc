// The number list model on the in-memory list view: rows, serials and the number index through
// add, move, remove and sort; the column sort's order rules; copy and blacklist of the selection.

#include "numbers/PhoneSMSListCtrl.h"

#include "core/OwnerWindow.h"
#include "headless/HeadlessClipboard.h"
#include "headless/HeadlessListView.h"
#include "numbers/NumberBatch.h"
#include "support/TipRecorder.h"

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kh {
namespace {

using Texts = std::vector<std::u16string>;
using Op = HeadlessListView::Op;

std::u16string Serial(int n)
{
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

class PhoneSMSListCtrlTest : public ::testing::Test
{
protected:
    PhoneSMSListCtrlTest()
    {
        owner.batch = &batch;
        owner.controls.clipboard = &clipboard;
        list.SetupList(&view);
    }

    void AddRows(const Texts& rows)
    {
        for (const auto& number : rows)
            list.AddRow(number, u"广东", u"深圳", u"移动");
    }

    // What SMS fetching does when a message arrives with automatic ordering on.
    void Arrive(const std::u16string& number, const std::u16string& sms)
    {
        list.SetCell(number, kColumnSms, sms);
        list.MoveRowUp(number);
        batch.MarkReceived(number);
    }

    // Serials read 1..N and the index maps every number to the row that shows it.
    void ExpectConsistent()
    {
        Texts serials = view.ColumnTexts(kColumnSerial);
        Texts shown = view.ColumnTexts(kColumnNumber);
        for (size_t i = 0; i < serials.size(); ++i) {
            EXPECT_EQ(serials[i], Serial(static_cast<int>(i) + 1)) << "row " << i;
            EXPECT_EQ(list.FindRow(shown[i]), static_cast<int>(i)) << "row " << i;
        }
    }

    test::TipRecorder tips;
    OwnerWindow owner;
    NumberBatch batch{&test::TipRecorder::Callback, tips.Context()};
    HeadlessListView view;
    HeadlessClipboard clipboard;
    PhoneSMSListCtrl list{&owner, &test::TipRecorder::Callback, tips.Context()};
};

TEST_F(PhoneSMSListCtrlTest, SetupCreatesFiveColumnsWithTheListStyle)
{
    std::u16string title;
    Texts titles;
    for (int column = 0; column < view.GetHeaderColumnCount(); ++column) {
        ASSERT_TRUE(view.GetColumnTitle(column, 10, title));
        titles.push_back(title);
    }
    EXPECT_EQ(titles, (Texts{u"序号", u"手机号码", u"短信", u"验证码", u"归属信息"}));
    EXPECT_EQ(view.ColumnWidths(), (std::vector<int>{40, 90, 150, 70, 100}));
    EXPECT_EQ(view.GetExtendedStyle(), 0x10021u);
    EXPECT_EQ(list.SortColumn(), -1);
    EXPECT_TRUE(list.SortAscending());
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(PhoneSMSListCtrlTest, AddRowFillsSerialNumberAndLocation)
{
    AddRows({u"13800000001", u"13800000002", u"13800000003"});
    list.AddRow(u"13800000004", u"", u"", u"联通");

    EXPECT_EQ(view.ColumnTexts(kColumnSerial), (Texts{u"1", u"2", u"3", u"4"}));
    EXPECT_EQ(view.ColumnTexts(kColumnLocation),
              (Texts{u"广东深圳 移动", u"广东深圳 移动", u"广东深圳 移动", u" 联通"}));
    EXPECT_EQ(view.ColumnTexts(kColumnSms), (Texts{u"", u"", u"", u""}));
    EXPECT_EQ(list.FindRow(u"13800000003"), 2);
    ExpectConsistent();
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(PhoneSMSListCtrlTest, AddRowFailuresReportTheirSite)
{
    struct Case
    {
        const char* name;
        std::function<void(HeadlessListView&)> arrange;
        std::u16string number;
        size_t rowsAfter;
        const char* error;
    };
    const Case cases[] = {
        {"count query fails", [](HeadlessListView& v) { v.FailNext(Op::ItemCount); }, u"A", 1, "PhoneSMSListCtrl.6."},
        {"row lands elsewhere", [](HeadlessListView& v) { v.FailNext(Op::InsertElsewhere); }, u"A", 2,
         "PhoneSMSListCtrl.7."},
        {"empty number keeps only the serial", [](HeadlessListView&) {}, u"", 2, "PhoneSMSListCtrl.8."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        list.ClearList();
        AddRows({u"first"});
        tips.Clear();
        c.arrange(view);
        list.AddRow(c.number, u"p", u"c", u"k");
        EXPECT_EQ(static_cast<size_t>(view.GetItemCount()), c.rowsAfter);
        EXPECT_EQ(tips.Errors(), std::vector<std::string>{c.error});
        EXPECT_EQ(list.FindRow(u"first"), 0);
    }
    // The row of the empty number shows its serial and nothing else.
    EXPECT_EQ(view.GetItemText(1, kColumnSerial), u"2");
    EXPECT_EQ(view.GetItemText(1, kColumnLocation), u"");
}

TEST_F(PhoneSMSListCtrlTest, SetCellWritesTheNumbersRowAndIgnoresUnknownNumbers)
{
    AddRows({u"A", u"B"});
    list.SetCell(u"B", kColumnSms, u"正在获取");
    list.SetCell(u"B", kColumnCode, u"123456");
    list.SetCell(u"Z", kColumnSms, u"lost");
    EXPECT_EQ(view.ColumnTexts(kColumnSms), (Texts{u"", u"正在获取"}));
    EXPECT_EQ(view.ColumnTexts(kColumnCode), (Texts{u"", u"123456"}));
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(PhoneSMSListCtrlTest, ArrivalsMoveUpAboveEarlierArrivals)
{
    AddRows({u"A", u"B", u"C", u"D"});
    // The first arrival of a batch finds no row with a message yet: it goes to the top, and
    // that normal case is no error for the user to see.
    Arrive(u"C", u"code 1111");
    EXPECT_EQ(tips.Count(), 0u);
    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"C", u"A", u"B", u"D"}));
    EXPECT_EQ(view.ColumnTexts(kColumnSms), (Texts{u"code 1111", u"", u"", u""}));
    EXPECT_EQ(view.ColumnTexts(kColumnLocation)[0], u"广东深圳 移动");
    ExpectConsistent();

    Arrive(u"D", u"code 2222");
    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"D", u"C", u"A", u"B"}));
    EXPECT_EQ(view.ColumnTexts(kColumnSms), (Texts{u"code 2222", u"code 1111", u"", u""}));
    ExpectConsistent();

    // Cells written after a move land in the moved row.
    list.SetCell(u"C", kColumnCode, u"1111");
    EXPECT_EQ(view.GetItemText(1, kColumnCode), u"1111");
}

TEST_F(PhoneSMSListCtrlTest, ArrivalAtOrAboveTheTopmostArrivalMovesNothing)
{
    AddRows({u"A", u"B", u"C"});
    Arrive(u"B", u"x"); // B, A, C
    // Serial texts that a renumbering would overwrite show whether one happened.
    view.SetItemText(0, kColumnSerial, u"s");
    view.SetItemText(1, kColumnSerial, u"t");
    list.MoveRowUp(u"B");
    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"B", u"A", u"C"}));
    EXPECT_EQ(view.ColumnTexts(kColumnSerial), (Texts{u"s", u"t", u"3"}));

    // A new batch where Z received its message while ordering was off: X, above Z, is never
    // moved down.
    batch.Install({});
    list.ClearList();
    AddRows({u"X", u"Y", u"Z"});
    batch.MarkReceived(u"Z");
    view.SetItemText(0, kColumnSerial, u"s");
    tips.Clear();
    list.MoveRowUp(u"X");
    list.MoveRowUp(u"missing");
    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"X", u"Y", u"Z"}));
    EXPECT_EQ(view.GetItemText(0, kColumnSerial), u"s");
    EXPECT_EQ(tips.Count(), 0u);
}

// The topmost received row is looked up in the number index, which stops covering the rows once a
// row was added without a number; the walk then goes over the list itself and stops at that row.
TEST_F(PhoneSMSListCtrlTest, ArrivalBelowARowWithoutNumberGoesToTheTop)
{
    AddRows({u"A"});
    list.AddRow(u"", u"广东", u"深圳", u"移动");
    AddRows({u"C", u"D"});
    batch.MarkReceived(u"C");
    tips.Clear();
    list.MoveRowUp(u"D");
    EXPECT_TRUE(tips.HasError("PhoneSMSListCtrl.33."));
    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"D", u"A", u"", u"C"}));
    EXPECT_EQ(list.FindRow(u"D"), 0);
}

TEST_F(PhoneSMSListCtrlTest, MovedRowKeepsItsSelectionButNotTheFocus)
{
    AddRows({u"A", u"B", u"C", u"D"});
    view.SetItemSelected(2, true); // C
    view.SetFocusedRow(2);
    Arrive(u"C", u"x");
    EXPECT_EQ(view.GetSelectedRows(), std::vector<int>{0});
    EXPECT_EQ(view.LastVisibleRow(), 0);
    EXPECT_EQ(view.GetFocusedRow(), -1);

    Arrive(u"D", u"y"); // D was not selected
    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"D", u"C", u"A", u"B"}));
    EXPECT_EQ(view.GetSelectedRows(), std::vector<int>{1});
}

TEST_F(PhoneSMSListCtrlTest, FailedMoveStepKeepsTheRowAndItsData)
{
    struct Case
    {
        const char* name;
        std::function<void(HeadlessListView&)> arrange;
        const char* error;
    };
    const Case cases[] = {
        {"insert refused", [](HeadlessListView& v) { v.FailNext(Op::Insert); }, "PhoneSMSListCtrl.38."},
        {"insert lands elsewhere", [](HeadlessListView& v) { v.FailNext(Op::InsertElsewhere); },
         "PhoneSMSListCtrl.38."},
        {"no header control", [](HeadlessListView& v) { v.SetHeaderPresent(false); }, "PhoneSMSListCtrl.40."},
        {"cell copy refused", [](HeadlessListView& v) { v.FailNext(Op::SetText); }, "PhoneSMSListCtrl.47."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        list.ClearList();
        view.SetHeaderPresent(true);
        AddRows({u"A", u"B", u"C", u"D"});
        list.SetCell(u"C", kColumnSms, u"your code is 4321");
        list.SetCell(u"C", kColumnCode, u"4321");
        view.SetItemSelected(2, true);
        tips.Clear();

        // A control that cannot move a row in one step: the row is copied over and the original
        // deleted.
        view.FailNext(Op::Move);
        c.arrange(view);
        list.MoveRowUp(u"C");

        EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"A", u"B", u"C", u"D"}));
        EXPECT_EQ(view.GetItemText(2, kColumnSms), u"your code is 4321");
        EXPECT_EQ(view.GetItemText(2, kColumnCode), u"4321");
        EXPECT_EQ(view.GetItemText(2, kColumnLocation), u"广东深圳 移动");
        EXPECT_EQ(view.GetSelectedRows(), std::vector<int>{2});
        EXPECT_EQ(list.FindRow(u"C"), 2);
        EXPECT_TRUE(tips.HasError(c.error));
    }
}

// A control that moves a row in one step and writes part of a column gets the same rows, serials
// and index as one that makes the list copy the row and rewrite the whole column, through
// arrivals, a sort and removals.
TEST_F(PhoneSMSListCtrlTest, OneStepMovesEndAsCopiedMovesDo)
{
    HeadlessListView copyingView;
    copyingView.FailNext(Op::Move, 1 << 20);
    PhoneSMSListCtrl copying{&owner, &test::TipRecorder::Callback, tips.Context()};
    copying.SetupList(&copyingView);
    auto add = [&](const std::u16string& number) {
        list.AddRow(number, u"广东", u"深圳", u"移动");
        copying.AddRow(number, u"广东", u"深圳", u"移动");
    };
    auto arrive = [&](const std::u16string& number) {
        for (PhoneSMSListCtrl* each : {&list, &copying}) {
            each->SetCell(number, kColumnSms, u"sms " + number);
            each->MoveRowUp(number);
        }
        batch.MarkReceived(number);
        list.SetCell(number, kColumnCode, number);
        copying.SetCell(number, kColumnCode, number);
    };
    auto expectAlike = [&](const char* step) {
        SCOPED_TRACE(step);
        for (int column = kColumnSerial; column <= kColumnLocation; ++column)
            EXPECT_EQ(view.ColumnTexts(column), copyingView.ColumnTexts(column)) << "column " << column;
        for (const std::u16string& number : copyingView.ColumnTexts(kColumnNumber))
            EXPECT_EQ(list.FindRow(number), copying.FindRow(number))
                << "number " << std::string(number.begin(), number.end());
    };

    for (int i = 0; i < 12; ++i)
        add(u"N" + Serial(10 + i));
    for (int i : {7, 3, 11, 0, 9, 3, 5})
        arrive(u"N" + Serial(10 + i));
    expectAlike("arrivals");
    ExpectConsistent();

    list.SortByColumn(kColumnNumber);
    copying.SortByColumn(kColumnNumber);
    arrive(u"N" + Serial(18));
    arrive(u"N" + Serial(14));
    expectAlike("arrivals after a sort");
    ExpectConsistent();

    list.RemoveRows({u"N" + Serial(13), u"N" + Serial(15)});
    copying.RemoveRows({u"N" + Serial(13), u"N" + Serial(15)});
    arrive(u"N" + Serial(20));
    arrive(u"N" + Serial(12));
    expectAlike("arrivals after removals");
    ExpectConsistent();
}

TEST_F(PhoneSMSListCtrlTest, ClearListEmptiesRowsAndIndex)
{
    AddRows({u"A", u"B"});
    list.ClearList();
    EXPECT_EQ(view.GetItemCount(), 0);
    EXPECT_EQ(list.FindRow(u"A"), -1);

    AddRows({u"C"});
    view.FailNext(Op::DeleteAll);
    list.ClearList();
    EXPECT_TRUE(tips.HasError("PhoneSMSListCtrl.4."));
    EXPECT_EQ(list.FindRow(u"C"), 0);
}

TEST_F(PhoneSMSListCtrlTest, SerialHeaderClickDoesNothing)
{
    AddRows({u"B", u"A"});
    list.SortByColumn(kColumnSerial);
    EXPECT_EQ(view.SortCount(), 0);
    EXPECT_EQ(list.SortColumn(), -1);
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(PhoneSMSListCtrlTest, NumberColumnSortsNumericallyAndToggles)
{
    AddRows({u"100", u"99", u"5", u"1000"});
    view.SetItemSelected(1, true); // 99

    list.SortByColumn(kColumnNumber);
    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"5", u"99", u"100", u"1000"}));
    EXPECT_EQ(tips.Messages(),
              (std::vector<std::string>{"[手机号码] [升序] 正在排序...", "[手机号码] [升序] 正在排序...排序完成。"}));
    EXPECT_EQ(view.GetSelectedRows(), std::vector<int>{1});
    ExpectConsistent();

    tips.Clear();
    list.SortByColumn(kColumnNumber);
    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"1000", u"100", u"99", u"5"}));
    EXPECT_EQ(tips.Messages().back(), "[手机号码] [降序] 正在排序...排序完成。");
    EXPECT_EQ(view.GetSelectedRows(), std::vector<int>{2});
    ExpectConsistent();

    list.SortByColumn(kColumnCode);
    EXPECT_EQ(list.SortColumn(), kColumnCode);
    EXPECT_TRUE(list.SortAscending());
}

TEST_F(PhoneSMSListCtrlTest, ColumnSortOrderRules)
{
    struct Case
    {
        const char* name;
        int column;
        Texts cells;    // the column's texts, row by row, in insertion order
        int clicks;     // 1 ascending, 2 descending
        Texts expected; // the column's texts after the sort
    };
    const Case cases[] = {
        {"numbers by value, not text", kColumnNumber, {u"100", u"-3", u"99", u"+7"}, 1, {u"-3", u"+7", u"99", u"100"}},
        {"leading zeros and blanks compare equal",
         kColumnNumber,
         {u"0099", u"50", u" 99x"},
         1,
         {u"50", u"0099", u" 99x"}},
        {"values beyond 64 bits clamp",
         kColumnNumber,
         {u"99999999999999999999", u"9223372036854775806", u"1"},
         2,
         {u"99999999999999999999", u"9223372036854775806", u"1"}},
        {"empty sms last ascending", kColumnSms, {u"b", u"", u"a", u""}, 1, {u"a", u"b", u"", u""}},
        {"empty sms last descending", kColumnSms, {u"b", u"", u"a", u""}, 2, {u"b", u"a", u"", u""}},
        {"codes: digits before status words",
         kColumnCode,
         {u"未提取", u"123456", u"提取失败", u"000111"},
         1,
         {u"000111", u"123456", u"提取失败", u"未提取"}},
        {"ordinal, case-sensitive, prefix first", kColumnSms, {u"ab", u"a", u"B", u"b"}, 1, {u"B", u"a", u"ab", u"b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PhoneSMSListCtrl fresh(&owner, &test::TipRecorder::Callback, tips.Context());
        HeadlessListView freshView;
        fresh.SetupList(&freshView);
        for (size_t i = 0; i < c.cells.size(); ++i) {
            std::u16string number = c.column == kColumnNumber ? c.cells[i] : u"n" + Serial(static_cast<int>(i));
            fresh.AddRow(number, u"", u"", u"");
            if (c.column != kColumnNumber)
                fresh.SetCell(number, c.column, c.cells[i]);
        }
        for (int click = 0; click < c.clicks; ++click)
            fresh.SortByColumn(c.column);
        Texts sorted = freshView.ColumnTexts(c.column);
        if (std::string(c.name).find("equal") != std::string::npos) {
            // Equal values may come in either order; only their place after 50 is fixed.
            EXPECT_EQ(sorted[0], c.expected[0]);
            EXPECT_EQ((std::set<std::u16string>{sorted[1], sorted[2]}),
                      (std::set<std::u16string>{c.expected[1], c.expected[2]}));
        } else {
            EXPECT_EQ(sorted, c.expected);
        }
    }
}

TEST_F(PhoneSMSListCtrlTest, ClearListKeepsTheSortDirection)
{
    AddRows({u"A"});
    list.SortByColumn(kColumnSms);
    list.ClearList();
    AddRows({u"B"});
    tips.Clear();
    list.SortByColumn(kColumnSms);
    EXPECT_FALSE(list.SortAscending());
    EXPECT_EQ(tips.Messages().front(), "[短信] [降序] 正在排序...");
}

TEST_F(PhoneSMSListCtrlTest, RefusedSortLeavesRowsAndIndex)
{
    AddRows({u"3", u"1", u"2"});
    view.FailNext(Op::ApplyOrder);
    list.SortByColumn(kColumnNumber);
    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"3", u"1", u"2"}));
    EXPECT_TRUE(tips.HasError("PhoneSMSListCtrl.12."));
    EXPECT_FALSE(tips.HasMessage("[手机号码] [升序] 正在排序...排序完成。"));
    ExpectConsistent();
}

TEST_F(PhoneSMSListCtrlTest, CopyTakesTheFocusedSelectedRowOnly)
{
    AddRows({u"A", u"B", u"C"});
    list.SetCell(u"B", kColumnSms, u"正在获取");
    list.SetCell(u"B", kColumnCode, u"未提取");
    for (int row : {0, 1, 2})
        view.SetItemSelected(row, true);
    view.SetFocusedRow(1);

    list.CopyNumber();
    EXPECT_EQ(clipboard.Text(), std::u16string(u"B"));
    list.CopySms();
    EXPECT_EQ(clipboard.Text(), std::u16string(u"正在获取"));
    list.CopyCode();
    EXPECT_EQ(clipboard.Text(), std::u16string(u"未提取"));
    EXPECT_EQ(tips.Count(), 0u);

    // Focus on an unselected row, or no focus at all: nothing is copied.
    view.SetItemSelected(1, false);
    list.CopyNumber();
    view.SetFocusedRow(-1);
    list.CopyNumber();
    EXPECT_EQ(clipboard.SetCount(), 3);
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(PhoneSMSListCtrlTest, CopyWhileTheClipboardIsHeldReportsTheClipboardTip)
{
    AddRows({u"A"});
    view.SetItemSelected(0, true);
    view.SetFocusedRow(0);
    clipboard.HoldByOther(true);
    list.CopyNumber();
    EXPECT_EQ(tips.Errors(), std::vector<std::string>{"Clipboard.1."});
    EXPECT_FALSE(clipboard.Text().has_value());
}

TEST_F(PhoneSMSListCtrlTest, BlacklistMarksAndRemovesTheSelectedRows)
{
    AddRows({u"A", u"B", u"C", u"D", u"E"});
    for (int row : {1, 2, 4})
        view.SetItemSelected(row, true);
    view.SetFocusedRow(2);

    list.BlacklistSelected();

    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"A", u"D"}));
    ExpectConsistent();
    for (const auto* number : {u"B", u"C", u"E"}) {
        EXPECT_TRUE(batch.IsMarkedForBlacklist(number));
        EXPECT_EQ(list.FindRow(number), -1);
    }
    EXPECT_FALSE(batch.IsMarkedForBlacklist(u"A"));
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(PhoneSMSListCtrlTest, RefusedSerialRewriteStillLeavesTheIndexRight)
{
    AddRows({u"A", u"B", u"C"});
    view.SetItemSelected(0, true);
    view.FailNext(Op::SetText); // the serials after the removal

    list.BlacklistSelected();

    EXPECT_TRUE(tips.HasError("PhoneSMSListCtrl.26."));
    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"B", u"C"}));
    EXPECT_EQ(view.ColumnTexts(kColumnSerial), (Texts{u"2", u"3"})); // left as they were
    EXPECT_EQ(list.FindRow(u"A"), -1);
    EXPECT_EQ(list.FindRow(u"B"), 0);
    EXPECT_EQ(list.FindRow(u"C"), 1);
}

TEST_F(PhoneSMSListCtrlTest, BlacklistStopsAtAnEmptyNumber)
{
    list.AddRow(u"A", u"", u"", u"");
    list.AddRow(u"", u"", u"", u"");
    list.AddRow(u"B", u"", u"", u"");
    for (int row : {0, 1, 2})
        view.SetItemSelected(row, true);
    tips.Clear();

    list.BlacklistSelected();

    EXPECT_TRUE(batch.IsMarkedForBlacklist(u"A"));
    EXPECT_FALSE(batch.IsMarkedForBlacklist(u"B"));
    EXPECT_EQ(view.ColumnTexts(kColumnNumber), (Texts{u"", u"B"}));
    EXPECT_TRUE(tips.HasError("PhoneSMSListCtrl.17."));
}

TEST_F(PhoneSMSListCtrlTest, BlacklistWithoutTheBatchRemovesNothing)
{
    AddRows({u"A"});
    view.SetItemSelected(0, true);
    owner.batch = nullptr;
    list.BlacklistSelected();
    EXPECT_EQ(view.GetItemCount(), 1);
    EXPECT_EQ(tips.Errors(), std::vector<std::string>{"PhoneSMSListCtrl.16."});
}

TEST_F(PhoneSMSListCtrlTest, WithoutAListViewEveryOperationReportsItsSite)
{
    PhoneSMSListCtrl detached(&owner, &test::TipRecorder::Callback, tips.Context());
    detached.SetupList(nullptr);
    detached.ClearList();
    detached.AddRow(u"A", u"", u"", u"");
    detached.SetCell(u"A", kColumnSms, u"x");
    detached.CopyNumber();
    detached.CopySms();
    detached.CopyCode();
    detached.BlacklistSelected();
    for (const char* error :
         {"PhoneSMSListCtrl.1.", "PhoneSMSListCtrl.3.", "PhoneSMSListCtrl.5.", "PhoneSMSListCtrl.13.",
          "PhoneSMSListCtrl.14.", "PhoneSMSListCtrl.15.", "PhoneSMSListCtrl.44."})
        EXPECT_TRUE(tips.HasError(error)) << error;

    tips.Clear();
    detached.SortByColumn(kColumnSms);
    EXPECT_EQ(tips.Errors(),
              (std::vector<std::string>{"PhoneSMSListCtrl.18.", "", "PhoneSMSListCtrl.22.", "PhoneSMSListCtrl.11."}));
}

// Pollers writing cells and moving rows on many threads while the command worker sorts: every
// operation holds the list's lock, so the rows and the index stay consistent.
TEST_F(PhoneSMSListCtrlTest, ConcurrentArrivalsAndSortsKeepTheIndexConsistent)
{
    constexpr int kThreads = 8;
    constexpr int kPerThread = 10;
    for (int i = 0; i < kThreads * kPerThread; ++i)
        list.AddRow(u"1380000" + Serial(1000 + i), u"", u"", u"");

    std::atomic<bool> done{false};
    std::thread sorter([&] {
        while (!done.load()) {
            list.SortByColumn(kColumnSms);
            list.SortByColumn(kColumnNumber);
        }
    });
    std::vector<std::thread> pollers;
    for (int t = 0; t < kThreads; ++t) {
        pollers.emplace_back([&, t] {
            for (int k = 0; k < kPerThread; ++k) {
                std::u16string number = u"1380000" + Serial(1000 + t * kPerThread + k);
                list.SetCell(number, kColumnSms, u"sms " + number);
                list.MoveRowUp(number);
                batch.MarkReceived(number);
                list.SetCell(number, kColumnCode, number.substr(7));
            }
        });
    }
    for (auto& poller : pollers)
        poller.join();
    done.store(true);
    sorter.join();

    ExpectConsistent();
    Texts shown = view.ColumnTexts(kColumnNumber);
    for (size_t row = 0; row < shown.size(); ++row) {
        EXPECT_EQ(view.GetItemText(static_cast<int>(row), kColumnSms), u"sms " + shown[row]);
        EXPECT_EQ(view.GetItemText(static_cast<int>(row), kColumnCode), shown[row].substr(7));
    }
}

} // namespace
} // namespace kh
