// The in-memory combo box is an unsorted drop-down list: insertion order, insert positions, and a
// selection that follows its item.

#include "headless/HeadlessComboBox.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kh {
namespace {

using Texts = std::vector<std::u16string>;

TEST(HeadlessComboBoxTest, ItemsKeepTheirInsertionOrder)
{
    HeadlessComboBox combo;
    EXPECT_EQ(combo.AddString(u"zeta"), 0);
    EXPECT_EQ(combo.AddString(u"alpha"), 1);
    EXPECT_EQ(combo.InsertString(0, u"head"), 0);
    EXPECT_EQ(combo.InsertString(-1, u"tail"), 3);
    EXPECT_EQ(combo.InsertString(9, u"past the end"), -1);
    EXPECT_EQ(combo.Items(), (Texts{u"head", u"zeta", u"alpha", u"tail"}));
}

TEST(HeadlessComboBoxTest, SelectionFollowsItsItemAndGivesTheWindowText)
{
    HeadlessComboBox combo;
    combo.AddString(u"a");
    combo.AddString(u"b");
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetWindowText(), u"");

    ASSERT_TRUE(combo.SetCurSel(1));
    combo.InsertString(0, u"count");
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(combo.GetWindowText(), u"b");

    EXPECT_FALSE(combo.SetCurSel(3));
    combo.DeleteString(2);
    EXPECT_EQ(combo.GetCurSel(), -1);
    combo.SetCurSel(0);
    combo.ResetContent();
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetCount(), 0);
}

} // namespace
} // namespace kh
