// The in-memory list view behaves like the real control where the managers rely on it: insert
// positions, rows that keep their data, selection and focus through inserts, deletes and sorts, and
// the observer of changes that the terminal client prints the rows through.

#include "headless/HeadlessListView.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kh {
namespace {

using Texts = std::vector<std::u16string>;

class HeadlessListViewTest : public ::testing::Test
{
protected:
    HeadlessListViewTest()
    {
        view.InsertColumn(0, u"first", 10);
        view.InsertColumn(1, u"second", 20);
    }

    HeadlessListView view;
};

TEST_F(HeadlessListViewTest, InsertReportsThePositionTheRowGot)
{
    struct Case
    {
        int position;
        int reported;
    };
    // Into a list holding "a", "b".
    const Case cases[] = {{0, 0}, {1, 1}, {2, 2}, {7, 2}, {-1, -1}};
    for (const auto& c : cases) {
        HeadlessListView list;
        list.InsertColumn(0, u"c", 10);
        list.InsertItem(0, u"a");
        list.InsertItem(1, u"b");
        EXPECT_EQ(list.InsertItem(c.position, u"new"), c.reported) << c.position;
        if (c.reported >= 0) {
            EXPECT_EQ(list.GetItemText(c.reported, 0), u"new");
        }
    }
}

TEST_F(HeadlessListViewTest, SelectionAndFocusFollowTheirRow)
{
    for (const auto* text : {u"a", u"b", u"c"})
        view.InsertItem(view.GetItemCount(), text);
    view.SetItemSelected(1, true);
    view.SetFocusedRow(2);

    view.InsertItem(0, u"top");
    EXPECT_EQ(view.GetSelectedRows(), std::vector<int>{2});
    EXPECT_EQ(view.GetFocusedRow(), 3);

    view.DeleteItem(3);
    EXPECT_EQ(view.GetFocusedRow(), -1);
    EXPECT_EQ(view.ColumnTexts(0), (Texts{u"top", u"a", u"b"}));
}

TEST_F(HeadlessListViewTest, NewOrderMovesWholeRows)
{
    const Texts names = {u"c", u"a", u"b"};
    for (size_t i = 0; i < names.size(); ++i) {
        int row = view.InsertItem(static_cast<int>(i), names[i]);
        view.SetItemText(row, 1, u"cell " + names[i]);
        view.SetItemData(row, static_cast<intptr_t>(i));
    }
    view.SetItemSelected(0, true); // "c"
    view.SetFocusedRow(1);         // "a"

    ASSERT_TRUE(view.ApplyOrder({1, 2, 0}));

    EXPECT_EQ(view.ColumnTexts(0), (Texts{u"a", u"b", u"c"}));
    EXPECT_EQ(view.ColumnTexts(1), (Texts{u"cell a", u"cell b", u"cell c"}));
    EXPECT_EQ(view.GetItemData(2), 0);
    EXPECT_EQ(view.GetSelectedRows(), std::vector<int>{2});
    EXPECT_EQ(view.GetFocusedRow(), 0);
    EXPECT_EQ(view.SortCount(), 1);
}

TEST_F(HeadlessListViewTest, OrderThatIsNotAPermutationOfTheRowsIsRefused)
{
    for (const char16_t* name : {u"a", u"b", u"c"})
        view.InsertItem(view.GetItemCount(), name);
    const std::vector<int> refused[] = {{0, 1}, {0, 1, 2, 3}, {0, 1, 1}, {2, 1, 3}, {-1, 0, 1}};
    for (const auto& order : refused)
        EXPECT_FALSE(view.ApplyOrder(order));
    view.FailNext(HeadlessListView::Op::ApplyOrder);
    EXPECT_FALSE(view.ApplyOrder({2, 1, 0}));
    EXPECT_EQ(view.ColumnTexts(0), (Texts{u"a", u"b", u"c"}));
    EXPECT_EQ(view.SortCount(), 0);
}

TEST_F(HeadlessListViewTest, HeaderTitlesAreReadUpToTheLimit)
{
    std::u16string title;
    EXPECT_TRUE(view.GetColumnTitle(1, 4, title));
    EXPECT_EQ(title, u"seco");
    EXPECT_FALSE(view.GetColumnTitle(2, 4, title));
    view.SetHeaderPresent(false);
    EXPECT_EQ(view.GetHeaderColumnCount(), -1);
    EXPECT_FALSE(view.GetColumnTitle(0, 4, title));
}

TEST_F(HeadlessListViewTest, CellsOutsideTheColumnsAreRefused)
{
    view.InsertItem(0, u"a");
    EXPECT_FALSE(view.SetItemText(0, 2, u"x"));
    EXPECT_FALSE(view.SetItemText(1, 0, u"x"));
    EXPECT_EQ(view.GetItemText(0, 5), u"");
}

TEST_F(HeadlessListViewTest, ColumnCallsTakeAllRowsOrNone)
{
    view.InsertItem(0, u"a");
    view.InsertItem(1, u"b");
    view.SetItemText(1, 1, u"b2");
    EXPECT_EQ(view.GetColumnTexts(1), (Texts{u"", u"b2"}));
    EXPECT_EQ(view.GetColumnTexts(9), (Texts{u"", u""}));

    EXPECT_FALSE(view.SetColumnTexts(0, {u"x"}));       // one text short
    EXPECT_FALSE(view.SetColumnTexts(2, {u"x", u"y"})); // no such column
    view.FailNext(HeadlessListView::Op::SetText);       // the control refuses
    EXPECT_FALSE(view.SetColumnTexts(0, {u"x", u"y"}));
    EXPECT_EQ(view.GetColumnTexts(0), (Texts{u"a", u"b"}));

    EXPECT_TRUE(view.SetColumnTexts(0, {u"x", u"y"}));
    EXPECT_EQ(view.GetColumnTexts(0), (Texts{u"x", u"y"}));
}

TEST_F(HeadlessListViewTest, ObserverHearsOfEveryChangeOfRowsAndTexts)
{
    std::vector<int> counts; // the row count the observer read back at each call
    view.SetObserver([&] { counts.push_back(view.GetItemCount()); });
    view.InsertItem(0, u"a");
    view.InsertItem(1, u"b");
    view.SetItemText(1, 1, u"b2");
    view.ApplyOrder({1, 0});
    view.DeleteItem(0);
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 2, 2, 1}));

    // Failed calls and calls that change neither rows nor texts say nothing.
    view.FailNext(HeadlessListView::Op::SetText);
    view.SetItemText(0, 1, u"x");
    view.SetItemText(5, 0, u"no such row");
    view.SetItemSelected(0, true);
    view.SetItemData(0, 42);
    EXPECT_EQ(counts.size(), 5u);
    view.DeleteAllItems();
    EXPECT_EQ(counts.back(), 0);

    view.SetObserver(nullptr);
    view.InsertItem(0, u"c");
    EXPECT_EQ(counts.size(), 6u);
}

} // namespace
} // namespace kh
