// Index rules of pull-down lists: items are numbered in menu order skipping
// separators and the hidden title item, and the choice survives edits.

#include "gui/controls/LPullDownItems.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

LPullDownItems ListOf(std::initializer_list<const char*> titles)
{
    LPullDownItems list;
    for (const char* title : titles)
        list.AddItem(title);
    return list;
}

std::vector<std::string> Titles(const LPullDownItems& list)
{
    std::vector<std::string> titles;
    for (int i = 0; i < list.GetItemCount(); ++i)
        titles.push_back(list.GetItemTitle(i));
    return titles;
}

TEST(PullDownItems, FirstAddedItemIsChosenAndShown)
{
    LPullDownItems list;
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetSelectedItem(), -1);
    EXPECT_EQ(list.AddItem("A"), 0);
    EXPECT_EQ(list.AddItem("B"), 1);
    EXPECT_EQ(list.AddItem("C"), 2);
    EXPECT_EQ(list.GetSelectedItem(), 0);
    EXPECT_EQ(list.ButtonTitle(), "A");
    EXPECT_EQ(list.GetSelectedItemTitle(), "A");
    // The title item is first in the menu and has no index.
    ASSERT_EQ(list.MenuItems().size(), 4u);
    EXPECT_EQ(list.MenuItems()[0].tag, -1);
    EXPECT_EQ(list.MenuItems()[0].title, "");
    EXPECT_TRUE(list.MenuItems()[1].checked);
}

struct EditCase
{
    const char* name;
    int chosenBefore;
    void (*edit)(LPullDownItems&);
    std::vector<std::string> titles;
    int chosenAfter;
};

class PullDownEdit : public ::testing::TestWithParam<EditCase>
{
};

TEST_P(PullDownEdit, IndicesAndChoice)
{
    const EditCase& c = GetParam();
    LPullDownItems list = ListOf({"A", "B", "C"});
    list.Select(c.chosenBefore);
    c.edit(list);
    EXPECT_EQ(Titles(list), c.titles);
    EXPECT_EQ(list.GetSelectedItem(), c.chosenAfter);
    if (c.chosenAfter >= 0) {
        EXPECT_EQ(list.ButtonTitle(), list.GetItemTitle(c.chosenAfter));
        int checked = 0;
        for (const auto& item : list.MenuItems())
            checked += item.checked;
        EXPECT_EQ(checked, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edits, PullDownEdit,
    ::testing::Values(
        EditCase{"InsertAtOneKeepsA",
                 0,
                 [](LPullDownItems& l) { EXPECT_EQ(l.InsertItem("new", 1), 1); },
                 {"A", "new", "B", "C"},
                 0},
        // The chosen item stays chosen under its new index.
        EditCase{"InsertAtOneKeepsB",
                 1,
                 [](LPullDownItems& l) { l.InsertItem("new", 1); },
                 {"A", "new", "B", "C"},
                 2},
        EditCase{"InsertPastTheEndAppends",
                 0,
                 [](LPullDownItems& l) { EXPECT_EQ(l.InsertItem("new", 9), 3); },
                 {"A", "B", "C", "new"},
                 0},
        EditCase{"DeleteWhileCIsChosen", 2, [](LPullDownItems& l) { l.DeleteItem(1); }, {"A", "C"}, 1},
        EditCase{"DeleteOutOfRange", 2, [](LPullDownItems& l) { l.DeleteItem(5); }, {"A", "B", "C"}, 2},
        EditCase{"DeleteNegative", 1, [](LPullDownItems& l) { l.DeleteItem(-1); }, {"A", "B", "C"}, 1},
        EditCase{
            "DeleteChosenChoosesTheOneBefore", 2, [](LPullDownItems& l) { l.DeleteItem(2); }, {"A", "B"}, 1},
        EditCase{"DeleteChosenFirstChoosesTheNewFirst",
                 0,
                 [](LPullDownItems& l) { l.DeleteItem(0); },
                 {"B", "C"},
                 0},
        EditCase{"SeparatorsAreNotCounted",
                 2,
                 [](LPullDownItems& l) {
                     l.InsertSeparator(0);
                     l.AddSeparator();
                     EXPECT_EQ(l.AddItem("D"), 3);
                     EXPECT_EQ(l.GetItemCount(), 4);
                     l.DeleteItem(1);
                 },
                 {"A", "C", "D"},
                 1},
        EditCase{"SeparatorAtMissingIndexDoesNothing",
                 0,
                 [](LPullDownItems& l) {
                     l.InsertSeparator(7);
                     EXPECT_EQ(l.MenuItems().size(), 4u);
                 },
                 {"A", "B", "C"},
                 0},
        EditCase{"SelectNoneAndTitles",
                 1,
                 [](LPullDownItems& l) {
                     l.Select(-1);
                     EXPECT_EQ(l.ButtonTitle(), "B"); // the face keeps its text
                     l.SelectWithTitle("C");
                 },
                 {"A", "B", "C"},
                 2},
        EditCase{"SelectWithUnknownTitleChoosesFirst",
                 2,
                 [](LPullDownItems& l) { l.SelectWithTitle("Z"); },
                 {"A", "B", "C"},
                 0},
        EditCase{"DeleteAllThenAddChoosesAgain",
                 2,
                 [](LPullDownItems& l) {
                     l.DeleteAllItems();
                     EXPECT_EQ(l.GetSelectedItem(), -1);
                     EXPECT_EQ(l.AddItem("X"), 0);
                 },
                 {"X"},
                 0},
        EditCase{"DeleteOneByOneThenAdd",
                 0,
                 [](LPullDownItems& l) {
                     l.DeleteItem(2);
                     l.DeleteItem(1);
                     l.DeleteItem(0);
                     EXPECT_EQ(l.GetItemCount(), 0);
                     l.AddItem("Y");
                 },
                 {"Y"},
                 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PullDownItems, DataTitlesAndEnabling)
{
    LPullDownItems list = ListOf({"A", "B"});
    EXPECT_EQ(list.AddItemWithData("C", 77), 2);
    EXPECT_EQ(list.GetItemData(2), 77);
    EXPECT_EQ(list.GetItemData(0), -1);
    EXPECT_EQ(list.GetItemData(9), 0);
    EXPECT_EQ(list.FindItemWithData(77), 2);
    EXPECT_EQ(list.FindItemWithData(5), -1);
    EXPECT_EQ(list.FindItem("B"), 1);
    EXPECT_EQ(list.FindItem(""), -1);
    EXPECT_EQ(list.GetItemTitle(9), "");
    list.SetItemData(1, 5);
    EXPECT_EQ(list.FindItemWithData(5), 1);

    EXPECT_TRUE(list.IsItemEnabled(1));
    list.EnableItem(1, false);
    EXPECT_FALSE(list.IsItemEnabled(1));
    EXPECT_FALSE(list.IsItemEnabled(9));
    list.EnableAllItems(true);
    EXPECT_TRUE(list.IsItemEnabled(1));
    list.EnableAllItems(false);
    for (const auto& item : list.MenuItems())
        EXPECT_FALSE(item.enabled);
}

TEST(PullDownItems, ChoosingByMenuPositionSkipsTitleAndSeparators)
{
    LPullDownItems list = ListOf({"A", "B"});
    list.InsertSeparator(0); // menu: title, A, separator, B
    EXPECT_FALSE(list.ChooseAtPosition(0));
    EXPECT_FALSE(list.ChooseAtPosition(2));
    EXPECT_FALSE(list.ChooseAtPosition(4));
    EXPECT_TRUE(list.ChooseAtPosition(3));
    EXPECT_EQ(list.GetSelectedItem(), 1);
    EXPECT_EQ(list.ChosenPosition(), 3);
}

} // namespace
