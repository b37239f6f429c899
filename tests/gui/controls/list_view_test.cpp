// Rows, sorting, searching and iteration with deletion of the list view's
// toolkit-free model.

#include "gui/controls/LListView.h"

#include "foundation/settings/LSettings.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

const LVColDynamicGlobal kColumns[] = {
    {"Name", 20, 0, true},
    {"Size", 8, 2, false},
    {nullptr, 0, 0, false},
};

std::vector<std::string> Column0(const LListViewManager& list)
{
    std::vector<std::string> texts;
    for (int row = 0; row < list.RowCount(); ++row)
        texts.push_back(list.GetItemText(row, 0));
    return texts;
}

class CountingObserver : public LOutlineViewObserver
{
public:
    void OnReloadRequested() override { ++reloads; }
    void OnCellChanged(const LOutlineNode*, int) override { ++cellChanges; }
    int reloads = 0;
    int cellChanges = 0;
};

TEST(ListView, ColumnsComeFromTheDescriptionUpToTheNullTitle)
{
    LListViewManager list(kColumns);
    ASSERT_EQ(list.ColumnCount(), 2);
    EXPECT_EQ(list.Columns()[0].title, "Name");
    EXPECT_TRUE(list.Columns()[0].stretch);
    EXPECT_EQ(list.Columns()[1].alignment, 2);
}

TEST(ListView, CellAccessOutsideTheRowsDoesNothing)
{
    LListViewManager list(kColumns);
    list.SetImages({100, 101});
    EXPECT_EQ(list.AddRow({"a", "1"}), 0);
    list.SetItemText(5, 0, "x");
    list.SetItemText(-1, 0, "x");
    list.SetItemText(0, 7, "x");
    EXPECT_EQ(list.GetItemText(5, 0), "");
    EXPECT_EQ(list.GetItemText(0, 1), "1");
    EXPECT_EQ(list.GetItemImage(9, 0), -1);
    list.SetItemImage(0, 0, 5); // not in the image list
    EXPECT_EQ(list.GetItemImage(0, 0), -1);
    list.SetItemImage(0, 0, 1);
    EXPECT_EQ(list.GetItemImage(0, 0), 1);
    EXPECT_EQ(list.GetItemData(3, 0), 0);
}

TEST(ListView, SearchesFindTheFirstMatchAtOrAfterTheStartRow)
{
    LListViewManager list(kColumns);
    for (const char* name : {"alpha", "beta", "alpha", "Alphabet"})
        list.AddRow({name});
    list.SetItemData(1, 0, 42);
    EXPECT_EQ(list.FindRowWithText("alpha", 0, 0), 0);
    EXPECT_EQ(list.FindRowWithText("alpha", 0, 1), 2);
    EXPECT_EQ(list.FindRowWithText("alpha", 0, 2), 2);
    EXPECT_EQ(list.FindRowWithText("alpha", 0, 3), -1);
    EXPECT_EQ(list.FindRowWithTextPartialMatch("alph", 0, 3, false), -1);
    EXPECT_EQ(list.FindRowWithTextPartialMatch("alph", 0, 3, true), 3);
    EXPECT_EQ(list.FindRowWithData(42, 0, 0), 1);
    EXPECT_EQ(list.FindRowWithData(42, 0, 2), -1);
    list.DeleteRowWithText("beta");
    EXPECT_EQ(Column0(list), (std::vector<std::string>{"alpha", "alpha", "Alphabet"}));
}

TEST(ListView, SortingIsNaturalStableAndDescendingIsTheMirror)
{
    // Equal keys ("track 2"/"Track 2") tell their order by column 1.
    const std::vector<std::vector<std::string>> rows = {
        {"Track 10", "a"}, {"track 2", "b"}, {"Track 1", "c"}, {"Track 2", "d"}, {"", "e"}};
    auto sorted = [&](bool withSorter, bool ascending) {
        LListViewManager list(kColumns);
        for (const auto& row : rows)
            list.AddRow(row);
        LListViewSorter sorter;
        if (withSorter)
            sorter.Attach(&list);
        list.SortRowsUsingColumn(0, ascending);
        std::vector<std::string> order;
        for (int r = 0; r < list.RowCount(); ++r)
            order.push_back(list.GetItemText(r, 1));
        return order;
    };
    for (bool withSorter : {false, true}) {
        const auto ascending = sorted(withSorter, true);
        EXPECT_EQ(ascending, (std::vector<std::string>{"e", "c", "b", "d", "a"}));
        const auto descending = sorted(withSorter, false);
        EXPECT_EQ(descending, std::vector<std::string>(ascending.rbegin(), ascending.rend()))
            << (withSorter ? "with sorter" : "without sorter");
    }
}

TEST(ListView, SorterComparesByItsOwnDataAndMovesTheSelectionWithTheRows)
{
    struct ByData : LListViewSorter
    {
        int Compare(const char*, const char*) override
        {
            int result = data1 < data2 ? -1 : (data1 > data2 ? 1 : 0);
            return manager->IsSortAscending() ? result : -result;
        }
    } sorter;
    LListViewManager list(kColumns);
    for (int i = 0; i < 4; ++i) {
        list.AddRow({"row" + std::to_string(i)});
        list.SetItemData(i, 0, 10 - i);
    }
    list.SelectRow(0, true);
    sorter.AttachAndSort(&list);
    EXPECT_EQ(Column0(list), (std::vector<std::string>{"row3", "row2", "row1", "row0"}));
    EXPECT_EQ(list.SelectedRows(), std::vector<int>{3});
    list.SortRowsUsingColumn(0, false);
    EXPECT_EQ(Column0(list), (std::vector<std::string>{"row0", "row1", "row2", "row3"}));
    EXPECT_EQ(sorter.data1 == 0 && sorter.data2 == 0, false);
}

TEST(ListView, DeletingEveryRowThroughTheIteratorVisitsEachOnce)
{
    LListViewManager list(kColumns);
    for (int i = 0; i < 5; ++i)
        list.AddRow({"r" + std::to_string(i)});
    std::vector<std::string> visited;
    {
        LVIterator it(&list);
        while (it.IsValid()) {
            visited.push_back(list.GetItemText(it.GetRow(), 0));
            it.DeleteRow();
        }
        EXPECT_EQ(it.GetRow(), -1);
    }
    EXPECT_EQ(visited, (std::vector<std::string>{"r0", "r1", "r2", "r3", "r4"}));
    EXPECT_EQ(list.RowCount(), 0);
}

TEST(ListView, BackwardIterationEndsBeforeTheFirstRow)
{
    LListViewManager list(kColumns);
    for (int i = 0; i < 3; ++i)
        list.AddRow({"r" + std::to_string(i)});
    LVIterator it(&list);
    it.Next();
    it.Next();
    std::vector<int> rows;
    for (int guard = 0; it.IsValid() && guard < 10; ++guard, it.Previous())
        rows.push_back(it.GetRow());
    EXPECT_EQ(rows, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(it.GetRow(), -1);
}

TEST(ListView, ASecondIteratorIsRefused)
{
    LListViewManager list(kColumns);
    list.AddRow({"a"});
    list.AddRow({"b"});
    LVIterator first(&list);
    first.Next();
    {
        LVIterator second(&list);
        EXPECT_FALSE(second.IsBound());
        EXPECT_FALSE(second.IsValid());
    }
    EXPECT_EQ(list.Iterator(), &first);
    EXPECT_EQ(first.GetRow(), 1);
}

TEST(ListView, DeletingEverySecondSelectedRowKeepsTheRestSelectedWithOneCommand)
{
    LListViewManager list(kColumns);
    int commands = 0;
    list.SetSelectionChangeHandler([&] { ++commands; });
    for (int i = 0; i < 8; ++i)
        list.AddRow({"r" + std::to_string(i)});
    for (int row : {1, 2, 4, 5, 7})
        list.SelectRow(row, true);
    commands = 0;
    {
        LVSelectedRowsIterator it(&list);
        bool remove = true;
        while (it.IsValid()) {
            if (remove)
                it.DeleteRow();
            else
                it.Next();
            remove = !remove;
        }
        EXPECT_EQ(commands, 0);
    }
    EXPECT_EQ(commands, 1);
    EXPECT_EQ(Column0(list), (std::vector<std::string>{"r0", "r2", "r3", "r5", "r6"}));
    std::vector<std::string> selected;
    for (int row : list.SelectedRows())
        selected.push_back(list.GetItemText(row, 0));
    EXPECT_EQ(selected, (std::vector<std::string>{"r2", "r5"}));
}

TEST(ListView, DeletingARowLowersOnlyTheSelectionBelowIt)
{
    LListViewManager list(kColumns);
    for (int i = 0; i < 5; ++i)
        list.AddRow({"r" + std::to_string(i)});
    list.SelectRow(0, true);
    list.SelectRow(3, true);
    list.DeleteRow(2);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(list.GetItemText(2, 0), "r3");
}

TEST(ListView, AddsWhileSuspendedGiveOneReload)
{
    LListViewManager list(kColumns);
    CountingObserver observer;
    list.SetObserver(&observer);
    list.SuspendUpdates();
    for (int i = 0; i < 100; ++i)
        list.AddRow({std::to_string(i)});
    EXPECT_EQ(observer.reloads, 0);
    list.ResumeUpdates();
    EXPECT_EQ(observer.reloads, 1);
    list.SetItemText(3, 1, "x");
    EXPECT_EQ(observer.cellChanges, 1);
}

TEST(ListView, IteratorAndSorterOutlivingTheirListAreHarmless)
{
    auto list = std::make_unique<LListViewManager>(kColumns);
    list->AddRow({"a"});
    LVIterator it(list.get());
    LListViewSorter sorter;
    sorter.Attach(list.get());
    list.reset();
    EXPECT_FALSE(it.IsValid());
    EXPECT_EQ(it.GetRow(), -1);
    it.Next();
    it.DeleteRow();
    sorter.Sort();
}

// The main window's two columns: widths read from the settings section,
// minimums of 788 and 228 points at the default character width, and the
// stretch column taking what the other leaves.
TEST(ListViewColumns, WidthsComeFromTheSectionAndTheStretchColumnTakesTheRest)
{
    quorin::test::TempHome home;
    const LVColDynamicGlobal main[] = {
        {"Recorded File", 100, 0, true},
        {"File Duration(H:MM:SS)", 30, 0, false},
        {nullptr, 0, 0, false},
    };
    struct Case
    {
        const char* stored1;
        const char* stored2;
        double width1;
        double width2;
    } cases[] = {
        {nullptr, nullptr, 800, 240}, // nothing stored: the minimums
        {"", "", 800, 240},           // an empty value counts as missing
        {"650.5", "300", 650.5, 300},
    };
    for (const Case& c : cases) {
        if (c.stored1) {
            LSettingsSetString("MainList", "ColumnWidth1", c.stored1);
            LSettingsSetString("MainList", "ColumnWidth2", c.stored2);
        }
        LListViewManager list(main);
        list.SetupColumnWidths(8, "MainList");
        EXPECT_DOUBLE_EQ(list.GetColumnWidth(0), c.width1) << (c.stored1 ? c.stored1 : "none");
        EXPECT_DOUBLE_EQ(list.GetColumnWidth(1), c.width2);
        list.AdjustColumns(8, 1400);
        EXPECT_DOUBLE_EQ(list.Columns()[0].minWidth, 788);
        EXPECT_DOUBLE_EQ(list.Columns()[1].minWidth, 228);
        EXPECT_DOUBLE_EQ(list.GetColumnWidth(0),
                         std::max(788.0, 1400 - (20 + std::max(c.width2, 228.0) + 12) - 12));
    }
}

TEST(ListViewColumns, AdjustUsesTheWindowsCharacterWidthAndSharesTheRest)
{
    const LVColDynamicGlobal three[] = {
        {"A", 10, 0, false},
        {"B", 5, 0, false},
        {"Name", 20, 0, true},
        {nullptr, 0, 0, false},
    };
    LListViewManager list(three);
    list.SetupColumnWidths(8, nullptr);
    list.SetColumnWidth(0, 100);
    list.SetColumnWidth(1, 60);
    list.AdjustColumns(8, 500);
    EXPECT_DOUBLE_EQ(list.Columns()[2].minWidth, 148);
    EXPECT_DOUBLE_EQ(list.GetColumnWidth(2), 284); // max(148, 500 - (20 + 112 + 72) - 12)
    // A window whose font is wider gives wider minimums (and here a wider
    // floor for the stretch column than the room left).
    list.AdjustColumns(10, 300);
    EXPECT_DOUBLE_EQ(list.Columns()[0].minWidth, 88);
    EXPECT_DOUBLE_EQ(list.Columns()[2].minWidth, 188);
    EXPECT_DOUBLE_EQ(list.GetColumnWidth(2), 188);
}

TEST(ListViewColumns, ResizeGivesTheStretchColumnTheRoomLeftAtLeastTheFloor)
{
    const LVColDynamicGlobal three[] = {
        {"A", 10, 0, false},
        {"B", 5, 0, false},
        {"C", 5, 0, false},
        {nullptr, 0, 0, false},
    };
    LListViewManager list(three);
    list.SetColumnWidth(0, 100);
    list.SetColumnWidth(1, 50);
    list.SetColumnWidth(2, 70);
    ASSERT_TRUE(list.ResizeColumns(2, 1, 40, 400));
    EXPECT_DOUBLE_EQ(list.GetColumnWidth(1), 400 - 112 - 12); // the third column is not walked
    ASSERT_TRUE(list.ResizeColumns(0, 1, 40, 200));
    EXPECT_DOUBLE_EQ(list.GetColumnWidth(1), 40 - 12); // 200 - 112 - 82 is below the floor
    EXPECT_FALSE(list.ResizeColumns(1, 1, 40, 400)) << "the stretch column lies beyond the walked ones";
}

TEST(ListViewColumns, SavedWidthsReadBackInAnotherList)
{
    quorin::test::TempHome home;
    LListViewManager list(kColumns);
    list.SetupColumnWidths(8, "Saved");
    list.SetColumnWidth(0, 123);
    list.SetColumnWidth(1, 77.25);
    list.SaveColumnWidths("Saved");
    char text[260];
    LSettingsGetString("Saved", "ColumnWidth1", "", text);
    EXPECT_STREQ(text, "123.0000000000000000");
    LListViewManager again(kColumns);
    again.SetupColumnWidths(8, "Saved");
    EXPECT_DOUBLE_EQ(again.GetColumnWidth(0), 123);
    EXPECT_DOUBLE_EQ(again.GetColumnWidth(1), 77.25);
}

} // namespace
