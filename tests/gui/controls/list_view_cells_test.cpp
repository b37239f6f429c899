// The list view's columns by display position, check boxes, drop-down and
// combo-box cells, editing and row drags, on the toolkit-free model.

#include "gui/controls/LListView.h"

#include "foundation/settings/LSettings.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const LVColDynamicGlobal kThree[] = {
    {"Title", 20, 0, true},
    {"Format", 8, 0, false},
    {"Length", 8, 2, false},
    {nullptr, 0, 0, false},
};

std::vector<std::string> Column0(const LListViewManager& list)
{
    std::vector<std::string> texts;
    for (int row = 0; row < list.RowCount(); ++row)
        texts.push_back(list.GetItemText(row, 0));
    return texts;
}

void Fill(LListViewManager& list, std::initializer_list<const char*> titles)
{
    for (const char* title : titles)
        list.AddRow({title, "WAV", "1:00"});
}

class ColumnObserver : public LOutlineViewObserver
{
public:
    void OnReloadRequested() override { ++reloads; }
    void OnCellChanged(const LOutlineNode*, int column) override { cells.push_back(column); }
    void OnColumnsChanged() override { ++columnChanges; }
    int reloads = 0;
    int columnChanges = 0;
    std::vector<int> cells;
};

TEST(ListViewColumnLayout, HideTitleOrderAndHeaderByDescriptionIndex)
{
    LListViewManager list(kThree);
    ColumnObserver observer;
    list.SetObserver(&observer);

    list.ShowHideColumn(1, true);
    EXPECT_TRUE(list.IsColumnHidden(1));
    EXPECT_FALSE(list.IsColumnHidden(0));
    list.ShowHideColumn(7, true); // no such column: nothing
    EXPECT_FALSE(list.IsColumnHidden(7));
    EXPECT_FALSE(list.IsColumnHidden(-1));

    list.SetColumnHeaderTitle(2, "Duration");
    EXPECT_EQ(list.Columns()[2].title, "Duration");
    list.SetColumnHeaderTitle(3, "Nothing");

    list.ShowHeader(false);
    EXPECT_FALSE(list.IsHeaderShown());

    const int order[] = {2, 0, 1};
    list.RearrangeColumns(3, order);
    EXPECT_EQ(list.DisplayOrder(), (std::vector<int>{2, 0, 1}));
    // Indexes still name description columns whatever the display order.
    list.AddRow({"a", "b", "c"});
    EXPECT_EQ(list.GetItemText(0, 2), "c");
    EXPECT_GE(observer.columnChanges, 4);
    list.SetObserver(nullptr);
}

TEST(ListViewColumnLayout, SavedWidthsNumberTheShownColumnsInDisplayOrder)
{
    quorin::test::TempHome home;
    LListViewManager list(kThree);
    list.SetupColumnWidths(8, nullptr);
    list.SetColumnWidth(0, 123);
    list.SetColumnWidth(1, 50);
    list.SetColumnWidth(2, 70);
    list.ShowHideColumn(1, true);
    list.SaveColumnWidths("Widths");
    char text[260];
    LSettingsGetString("Widths", "ColumnWidth1", "", text);
    EXPECT_STREQ(text, "123.0000000000000000");
    LSettingsGetString("Widths", "ColumnWidth2", "", text);
    EXPECT_STREQ(text, "70.0000000000000000");
    LSettingsGetString("Widths", "ColumnWidth3", "", text);
    EXPECT_STREQ(text, "");
}

TEST(ListViewRows, InsertAtAnIndexOrAppendAtTheEnd)
{
    LListViewManager list(kThree);
    list.SetImages({101, 102});
    Fill(list, {"one", "three"});
    EXPECT_EQ(list.InsertRow("two", 1, 1, 42), 1);
    EXPECT_EQ(list.InsertRow("four", 3, 5, 0), 3); // at the count: appended
    EXPECT_EQ(list.InsertRow("five", 99, -1, 0), 4);
    EXPECT_EQ(Column0(list), (std::vector<std::string>{"one", "two", "three", "four", "five"}));
    EXPECT_EQ(list.GetItemImage(1, 0), 1);
    EXPECT_EQ(list.GetItemData(1, 0), 42);
    EXPECT_EQ(list.GetItemImage(3, 0), -1); // image 5 is not in the list
}

TEST(ListViewCheckBoxes, DisplayPositionsCountTheCheckBoxColumn)
{
    LListViewManager list(kThree);
    EXPECT_EQ(list.ColumnAtDisplayPosition(0), 0);
    list.SetHasCheckboxColumn(true);
    EXPECT_EQ(list.ColumnAtDisplayPosition(0), -1);
    EXPECT_EQ(list.ColumnAtDisplayPosition(1), 0);
    EXPECT_EQ(list.ColumnAtDisplayPosition(3), 2);
    EXPECT_EQ(list.ColumnAtDisplayPosition(4), -1);

    struct Case
    {
        const char* name;
        std::vector<int> pairs;
        bool editable;
        int editableColumn; // -1: none
    } cases[] = {
        {"position 2 of type 4", {1, 1, 2, 4, -1, 0}, true, 1},
        {"no type 4", {1, 1, -1, 0}, false, -1},
        {"first position out of range", {9, 4, -1, 0}, false, -1},
        {"stops at a position past the columns", {1, 1, 5, 4, 2, 4, -1, 0}, false, -1},
    };
    for (const Case& c : cases) {
        LListViewManager fresh(kThree);
        fresh.SetHasCheckboxColumn(true);
        fresh.SetExtColumns(c.pairs.data());
        EXPECT_EQ(fresh.IsEditable(), c.editable) << c.name;
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(fresh.Columns()[static_cast<size_t>(column)].editable, column == c.editableColumn)
                << c.name << " column " << column;
    }
    list.SetExtColumns(nullptr);
    EXPECT_FALSE(list.IsEditable());

    const int dropDowns[] = {3, 0, -1, 0};
    list.SetDropDownColumns(dropDowns);
    EXPECT_EQ(list.ColumnType(2), kListColumnDropDown);
    EXPECT_EQ(list.ColumnType(0), kListColumnText);
}

TEST(ListViewCheckBoxes, TheUsersClickSendsTheCommandACallDoesNot)
{
    LListViewManager list(kThree);
    list.SetHasCheckboxColumn(true);
    Fill(list, {"a", "b"});
    std::vector<int> sent;
    list.SetCommandSender([&](int command) { sent.push_back(command); });
    list.checkStateChangeCommand = 77;

    list.ChangeCheckState(1, true);
    EXPECT_TRUE(list.IsRowChecked(1));
    EXPECT_FALSE(list.IsRowChecked(0));
    EXPECT_TRUE(sent.empty());
    EXPECT_FALSE(list.IsRowChecked(5));

    list.CheckBoxClicked(list.NodeAtRow(0), true);
    EXPECT_TRUE(list.IsRowChecked(0));
    EXPECT_EQ(sent, std::vector<int>{77});

    // The state travels with the row when the rows are sorted.
    list.ChangeCheckState(1, false);
    list.SortRowsUsingColumn(0, false);
    EXPECT_EQ(Column0(list), (std::vector<std::string>{"b", "a"}));
    EXPECT_FALSE(list.IsRowChecked(0));
    EXPECT_TRUE(list.IsRowChecked(1));
}

class RecordingDropDown : public LListViewDropDownHandler
{
public:
    void OnDropDownOpen(int listId, int column, int row) override
    {
        calls.push_back("open " + std::to_string(listId) + " col " + std::to_string(column) + " row " +
                        std::to_string(row));
        AddItem("MP3");
        AddItem("FLAC");
    }
    void OnDropDownSelect(int listId, int row, int column, int tag, const char* title) override
    {
        calls.push_back("select " + std::to_string(listId) + " row " + std::to_string(row) + " col " +
                        std::to_string(column) + " tag " + std::to_string(tag) + " " + title);
    }
    std::vector<std::string> calls;
};

TEST(ListViewDropDowns, TheOwnerFillsTheMenuAndHearsTheChoice)
{
    LListViewManager list(kThree, 300);
    Fill(list, {"a", "b"});
    const int dropDowns[] = {1, 0, -1, 0};
    list.SetDropDownColumns(dropDowns);
    // Without a handler a drop-down cell has nothing to show.
    EXPECT_TRUE(list.OpenDropDown(1, 1).empty());

    RecordingDropDown handler;
    list.SetDropDownColumnsHandler(&handler);
    EXPECT_TRUE(list.OpenDropDown(1, 0).empty()); // column 0 is no drop-down
    EXPECT_EQ(list.OpenDropDown(1, 1), (std::vector<std::string>{"MP3", "FLAC"}));
    EXPECT_TRUE(list.IsDropDownOpen());
    list.CloseDropDown();
    handler.AddItem("late"); // nothing is open: ignored
    list.SelectDropDownItem(1, 1, 1, "FLAC");
    EXPECT_EQ(handler.calls,
              (std::vector<std::string>{"open 300 col 1 row 1", "select 300 row 1 col 1 tag 1 FLAC"}));
    EXPECT_EQ(list.GetItemText(1, 1), "FLAC");
    list.SetDropDownColumnsHandler(nullptr);
}

class RecordingExt : public LListViewExtColumnHandler
{
public:
    void OnComboBoxOpen(int, int row, int column) override
    {
        opened.push_back({row, column});
        AddItem("44100");
        AddItem("48000");
    }
    void OnEndEdit(int listId, int row, int column, const char* text, LViewHandle) override
    {
        ended.push_back(std::to_string(listId) + ":" + std::to_string(row) + ":" + std::to_string(column) +
                        ":" + text);
    }
    std::vector<std::pair<int, int>> opened;
    std::vector<std::string> ended;
};

class RecordingLabels : public LListViewLabelEditHandler
{
public:
    void OnBeginEdit(int) override { ++begun; }
    void OnEndEdit(int, const char* text) override { texts.emplace_back(text); }
    int begun = 0;
    std::vector<std::string> texts;
};

TEST(ListViewEditing, BothHandlersHearTheTextAndTheCellKeepsItsOwn)
{
    LListViewManager list(kThree, 12);
    Fill(list, {"a"});
    const int types[] = {1, 3, 2, 4, -1, 0};
    list.SetExtColumns(types);
    EXPECT_EQ(list.ColumnType(1), kListColumnComboBox);
    RecordingExt ext;
    RecordingLabels labels;
    int redraws = 0;
    list.SetEditEndedCallback([&] { ++redraws; });

    // Without handlers an edit still ends in a redraw.
    list.EndEdit(0, 2, "typed", nullptr);
    EXPECT_EQ(redraws, 1);

    list.SetExtendedColumnsHandler(&ext);
    list.SetLabelEditHandler(&labels);
    EXPECT_EQ(list.OpenComboBox(0, 1), (std::vector<std::string>{"44100", "48000"}));
    list.CloseComboBox();
    EXPECT_TRUE(list.OpenComboBox(0, 2).empty()); // not a combo-box column
    list.BeginEdit();
    list.EndEdit(0, 1, "48000", nullptr);
    EXPECT_EQ(labels.begun, 1);
    EXPECT_EQ(labels.texts, std::vector<std::string>{"48000"});
    EXPECT_EQ(ext.ended, std::vector<std::string>{"12:0:1:48000"});
    EXPECT_EQ(list.GetItemText(0, 1), "WAV");
    EXPECT_EQ(redraws, 2);
    list.SetExtendedColumnsHandler(nullptr);
}

class MovingDragHandler : public LListViewDragHandler
{
public:
    explicit MovingDragHandler(LListViewManager* list) : list(list) {}
    void OnDragBegin(int) override { events.push_back("begin"); }
    void OnDragMove(int, int x, int y) override
    {
        events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void OnDrop(int, int row) override
    {
        events.push_back("drop " + std::to_string(row));
        list->MoveRows(list->SelectedRows(), row);
    }
    void OnDragEnd(int, int x, int y) override
    {
        events.push_back("end " + std::to_string(x) + "," + std::to_string(y));
    }
    LListViewManager* list;
    std::vector<std::string> events;
};

TEST(ListViewDragging, ADragSelectsItsRowsAndTheOwnerMovesThemOnTheDrop)
{
    LListViewManager list(kThree, 5);
    Fill(list, {"a", "b", "c", "d", "e"});
    std::vector<int> sent;
    list.SetCommandSender([&](int command) { sent.push_back(command); });
    list.dragStartCommand = 9;
    EXPECT_FALSE(list.BeginRowDrag({1})); // no handler: no drag

    MovingDragHandler handler(&list);
    list.SetLvDragHandler(&handler);
    ASSERT_TRUE(list.BeginRowDrag({0, 2}));
    EXPECT_TRUE(handler.dragSource.dragging);
    EXPECT_EQ(LListViewManager::RowDragInProgress(), &list);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(sent, std::vector<int>{9});
    EXPECT_FALSE(list.BeginRowDrag({1})); // one drag at a time
    list.RowDragMoved(10, 20);
    list.EndRowDrag(4, 11, 22);
    EXPECT_EQ(handler.events, (std::vector<std::string>{"begin", "move 10,20", "drop 4", "end 11,22"}));
    EXPECT_EQ(Column0(list), (std::vector<std::string>{"b", "d", "a", "c", "e"}));
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2, 3}));
    EXPECT_FALSE(handler.dragSource.dragging);
    EXPECT_EQ(LListViewManager::RowDragInProgress(), nullptr);
    list.EndRowDrag(0, 0, 0); // nothing in progress: nothing heard
    EXPECT_EQ(handler.events.size(), 4u);
    list.SetLvDragHandler(nullptr);
}

TEST(ListViewDragging, MovesKeepOrderAtEveryTarget)
{
    struct Case
    {
        std::vector<int> rows;
        int before;
        std::vector<std::string> result;
    } cases[] = {
        {{0}, 0, {"a", "b", "c", "d"}},    {{0}, 4, {"b", "c", "d", "a"}},
        {{3}, 0, {"d", "a", "b", "c"}},    {{1, 3}, 1, {"a", "b", "d", "c"}},
        {{0, 1}, 3, {"c", "a", "b", "d"}}, {{2, 2, 9, -1}, 0, {"c", "a", "b", "d"}},
        {{}, 2, {"a", "b", "c", "d"}},     {{1}, 99, {"a", "c", "d", "b"}},
    };
    for (const Case& c : cases) {
        LListViewManager list(kThree);
        Fill(list, {"a", "b", "c", "d"});
        list.MoveRows(c.rows, c.before);
        EXPECT_EQ(Column0(list), c.result) << "before " << c.before;
    }
}

} // namespace
