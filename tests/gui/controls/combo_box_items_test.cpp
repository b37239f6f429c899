// The list behind editable combo boxes: unique texts, separators that have
// a row but no index, and typed texts that join the list.

#include "gui/controls/LComboBoxItems.h"

#include <gtest/gtest.h>

namespace {

TEST(ComboBoxItems, TextsAreUnique)
{
    LComboBoxItems list;
    EXPECT_EQ(list.AddItem("a"), 0);
    EXPECT_EQ(list.AddItem("b"), 1);
    EXPECT_EQ(list.AddItem("a"), 0);
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.InsertItem("b", 0), 1);
}

TEST(ComboBoxItems, ConfirmedTextIsAppendedUnlessEmpty)
{
    LComboBoxItems list;
    list.AddItem("a");
    EXPECT_EQ(list.ConfirmText("typed"), 1);
    EXPECT_EQ(list.GetItemText(1, true), "typed");
    EXPECT_EQ(list.ConfirmText(""), -1);
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.ConfirmText("a"), 0);
    EXPECT_EQ(list.GetItemCount(), 2);
}

TEST(ComboBoxItems, InsertPositions)
{
    LComboBoxItems list;
    list.AddItem("a");
    list.AddItem("b");
    EXPECT_EQ(list.InsertItem("end", 9), 2);
    EXPECT_EQ(list.InsertItem("neg", -1), -1);
    // Into a list without selection: the new row becomes the selection.
    EXPECT_EQ(list.InsertItem("mid", 1), 1);
    EXPECT_EQ(list.GetSelectedItem(), 1);
    EXPECT_EQ(list.InsertItem("first", 0), 0);
    EXPECT_EQ(list.GetItemText(2, true), "mid");
    EXPECT_EQ(list.GetSelectedItem(), 2); // still "mid"
}

TEST(ComboBoxItems, SeparatorsHaveRowsButNoIndex)
{
    LComboBoxItems list;
    list.AddItem("a");
    list.AddSeparator();
    list.AddItem("b");
    list.AddSeparator();
    list.AddItem("c");
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItemText(1, true), "b");
    EXPECT_EQ(list.GetItemText(1, false), LComboBoxItems::kSeparatorText);
    EXPECT_EQ(list.GetItemText(7, true), "");
    EXPECT_EQ(list.GetItemText(7, false), "");
    // Selecting by index and by row agree on the item.
    ASSERT_TRUE(list.SelectItem(2));
    EXPECT_EQ(list.SelectedRow(), 4);
    EXPECT_EQ(list.GetSelectedItem(), 2);
    EXPECT_FALSE(list.SelectRow(1));
    ASSERT_TRUE(list.SelectRow(2));
    EXPECT_EQ(list.GetSelectedItem(), 1);
    list.DeleteItem(0);
    EXPECT_EQ(list.GetSelectedItem(), 0);
    EXPECT_EQ(list.GetItemText(0, true), "b");
    list.DeleteItem(0);
    EXPECT_EQ(list.GetSelectedItem(), -1);
    list.DeleteAllItems();
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST(ComboBoxItems, DataAndImages)
{
    LComboBoxItems list;
    EXPECT_EQ(list.AddItemWithImages("x", 5, 2, 3), -1);
    list.SetExtended(true);
    EXPECT_EQ(list.AddItemWithImages("x", 5, 2, 3), 0);
    EXPECT_EQ(list.Items()[0].image, 2);
    EXPECT_EQ(list.GetItemData(0), 5);
    list.SetItemData(0, -9);
    EXPECT_EQ(list.GetItemData(0), -9);
    EXPECT_EQ(list.GetItemData(4), 0);
    EXPECT_TRUE(list.SelectItemWithText("x"));
    EXPECT_FALSE(list.SelectItemWithText("y"));
}

} // namespace
