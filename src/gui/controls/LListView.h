#pragma once
// Multi-column list rows over the outline tree: columns, cells, searching,
// sorting, and iteration that survives deleting the row it stands on.

#include "gui/controls/LOutlineViewManager.h"
#include "gui/framework/LDragDrop.h"
#include "gui/framework/LView.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Behaviour of a list made through the control API: 0 sortable header,
// 3 editable, 4 single selection, 5 no empty selection (1, 2 and 6 unused).
struct LListFlags
{
    bool sortableHeader = false;
    bool unused1 = false;
    bool unused2 = false;
    bool editable = false;
    bool singleSelection = false;
    bool noEmptySelection = false;
    bool unused6 = false;
};

struct LVColDynamicGlobal
{
    const char* title; // null ends an array
    int widthChars;
    int alignment; // 0 left, 1 center, 2 right
    bool stretch;
};

class LListViewManager;
class LWindow;

// Dialogs derive from it to order rows by their own data.
class LListViewSorter
{
public:
    LListViewSorter() = default;
    virtual ~LListViewSorter();

    // Binds to the list and sorts by the stored column unless it is -1.
    void AttachAndSort(LListViewManager* manager);
    void Attach(LListViewManager* manager);
    void AttachAndSort(LWindow* window, int listId);
    void Attach(LWindow* window, int listId);
    void Sort();

    // Natural order of the two texts, negated while the list sorts descending.
    virtual int Compare(const char* a, const char* b);
    virtual void PreSort() {}

    LListViewManager* manager = nullptr;
    int sortColumn = 0;
    intptr_t data1 = 0;
    intptr_t data2 = 0;
};

class LListViewLabelEditHandler
{
public:
    virtual ~LListViewLabelEditHandler() = default;
    // Most owners only care about the text an edit ends with.
    virtual void OnBeginEdit(int listId) { (void)listId; }
    virtual void OnEndEdit(int listId, const char* newText) = 0;
    // Installs the handler on the list with that id.
    void Attach(LWindow* window, int listId);
};

// Combo-box cells (column type 3): the owner fills the list as it pops up
// and hears the text the cell ends with.
class LListViewExtColumnHandler
{
public:
    virtual ~LListViewExtColumnHandler();
    virtual void OnComboBoxOpen(int listId, int row, int column);
    virtual void OnEndEdit(int listId, int row, int column, const char* text, LViewHandle ownerView);
    // Adds an item to the combo box that is popping up; nothing when none is.
    void AddItem(const char* text);
    LListViewManager* manager = nullptr;
};

// Drop-down cells (column type 2): the owner fills the menu as it opens
// (with AddItem) and hears the chosen item. Items are tagged by position.
class LListViewDropDownHandler
{
public:
    virtual ~LListViewDropDownHandler();
    virtual void OnDropDownOpen(int listId, int column, int row);
    virtual void OnDropDownSelect(int listId, int row, int column, int tag, const char* title);
    // Adds an item to the drop-down menu being opened; nothing when none is.
    void AddItem(const char* text);
    LListViewManager* manager = nullptr;
};

// Rows dragged out of the list. The list only reports; moving rows on a
// drop is the owner's decision (LOutlineViewManager::MoveRows does it).
class LListViewDragHandler
{
public:
    explicit LListViewDragHandler(LWindow* window = nullptr) : dragSource(window) {}
    virtual ~LListViewDragHandler();
    // The drop row: the row under the end point, 0 above the first row and
    // the row count anywhere else.
    virtual void OnDrop(int listId, int row);
    virtual void OnDragBegin(int listId);
    // Points in the owner window's pixels.
    virtual void OnDragEnd(int listId, int x, int y);
    virtual void OnDragMove(int listId, int x, int y);
    // Its dragging flag is cleared when a drag of the list ends.
    LDragSource dragSource;
};

// A row's or a cell's frame in the list: edges in device pixels.
struct LRectangle
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    constexpr bool operator==(const LRectangle&) const = default;
};

// Column types of SetExtColumns.
enum LListColumnType {
    kListColumnText = 0,
    kListColumnDropDown = 2,
    kListColumnComboBox = 3,
    kListColumnEditable = 4,
};

class LVIterator;

class LListViewManager : public LOutlineViewManager
{
public:
    struct Column
    {
        std::string title;
        int widthChars = 0;
        int alignment = 0;
        bool stretch = false;
        double minWidth = 0; // points
        double width = 0;    // points
        bool editable = false;
        bool hidden = false;
        int type = kListColumnText;
    };

    explicit LListViewManager(const LVColDynamicGlobal* columns, int listId = 0);
    ~LListViewManager() override;

    int ListId() const { return listId_; }
    // The settings section of the column widths ("" for none).
    void SetSection(const char* section) { section_ = section ? section : ""; }
    const char* Section() const { return section_.c_str(); }
    const std::vector<Column>& Columns() const { return columns_; }
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    // Widths are in points; 0 for a column that does not exist.
    void SetColumnWidth(int column, double width);
    double GetColumnWidth(int column) const;
    void SetColumnEditable(int column, bool editable);
    bool IsEditable() const { return editable_; }
    void SetEditable(bool editable) { editable_ = editable; }

    // Set-up: each column's minimum is its width in characters of the
    // window's font; with a settings section its width is read there as
    // "ColumnWidth%d" (1-based), the minimum when missing.
    void SetupColumnWidths(double charWidth, const char* section);
    // Minimums become width in characters less 12 points; the stretch
    // columns share what the others leave of documentWidth.
    void AdjustColumns(double charWidth, double documentWidth);
    // The column at stretch (among the first count columns, all when count
    // <= 0) takes the room the others leave of contentWidth, at least
    // floorWidth, less 12 points. False when no such column was walked.
    bool ResizeColumns(int count, int stretch, double floorWidth, double contentWidth);
    void SaveColumnWidths(const char* section) const;
    void LoadColumnWidths(const char* section);

    // Column indexes are description positions whatever the display order.
    void ShowHideColumn(int column, bool hide);
    bool IsColumnHidden(int column) const;
    void SetColumnHeaderTitle(int column, const char* title);
    void ShowHeader(bool show);
    bool IsHeaderShown() const { return headerShown_; }
    // Display position k shows column order[k]; unknown ids are skipped.
    void RearrangeColumns(int count, const int* order);
    // Description indexes in display order (the check-box column not included).
    const std::vector<int>& DisplayOrder() const { return displayOrder_; }

    // The check-box column stands before every other column; display
    // positions (SetExtColumns, SetDropDownColumns) count it, column
    // indexes do not.
    void SetHasCheckboxColumn(bool has);
    bool HasCheckboxColumn() const { return hasCheckboxColumn_; }
    // By call: the row's state changes without a command.
    void ChangeCheckState(int row, bool check);
    bool IsRowChecked(int row) const;
    // The column at a display position; -1 for the check-box column or none.
    int ColumnAtDisplayPosition(int position) const;
    // Pairs {display position, type} until a position that is negative or
    // past the columns; the list is editable exactly when one type is 4.
    void SetExtColumns(const int* pairs);
    // Pairs {display position, unused}: drop-down columns, until a negative position.
    void SetDropDownColumns(const int* pairs);
    int ColumnType(int column) const;

    void SetExtendedColumnsHandler(LListViewExtColumnHandler* handler);
    LListViewExtColumnHandler* ExtendedColumnsHandler() const { return extHandler_; }
    void SetDropDownColumnsHandler(LListViewDropDownHandler* handler);
    LListViewDropDownHandler* DropDownColumnsHandler() const { return dropDownHandler_; }
    void SetLvDragHandler(LListViewDragHandler* handler);
    LListViewDragHandler* LvDragHandler() const { return dragHandler_; }

    // Drop-down cells: the handler fills the menu while it opens.
    std::vector<std::string> OpenDropDown(int row, int column);
    void AddOpenedDropDownItem(const char* text);
    bool IsDropDownOpen() const { return dropDownOpen_; }
    void CloseDropDown();
    // The cell shows the chosen item; the handler hears it.
    void SelectDropDownItem(int row, int column, int tag, const char* title);
    // Combo-box cells, the same way.
    std::vector<std::string> OpenComboBox(int row, int column);
    void AddOpenedComboBoxItem(const char* text);
    bool IsComboBoxOpen() const { return comboBoxOpen_; }
    void CloseComboBox();

    // In-place editing: the label-edit handler and the extended-columns
    // handler hear the text; the cell keeps its text unless one sets it.
    void BeginEdit();
    void EndEdit(int row, int column, const char* text, LViewHandle ownerView);
    // Runs after every edit (the owner window is redrawn).
    void SetEditEndedCallback(std::function<void()> callback) { editEnded_ = std::move(callback); }

    // Row drags (only with a drag handler): begin selects exactly the
    // dragged rows; positions are the owner window's pixels.
    bool BeginRowDrag(const std::vector<int>& rows);
    void RowDragMoved(int x, int y);
    void EndRowDrag(int dropRow, int x, int y);
    bool IsRowDragActive() const { return rowDragActive_; }
    // The list whose rows are being dragged, null when none.
    static LListViewManager* RowDragInProgress();

    // Appends a row with the given texts; returns its index.
    int AddRow(const std::vector<std::string>& texts);
    int AddItem(const char* text, int image, intptr_t data);
    // Inserts before the row at index (appends at or past the end) and
    // returns the row's index.
    int InsertRow(const char* text, int index, int image, intptr_t data);
    void SetItemText(int row, int column, const std::string& text);
    std::string GetItemText(int row, int column) const;
    void SetItemImage(int row, int column, int image);
    int GetItemImage(int row, int column) const;
    void SetItemData(int row, int column, intptr_t data);
    intptr_t GetItemData(int row, int column) const;

    // Searches start at startRow (clamped to 0) and find the first match at or after it.
    int FindRowWithText(const std::string& text, int column, int startRow) const;
    int FindRowWithTextPartialMatch(const std::string& text, int column, int startRow, bool ignoreCase) const;
    int FindRowWithData(intptr_t data, int column, int startRow) const;
    void DeleteRowWithText(const std::string& text);

    // Sorting. Without a sorter the texts compare naturally; with one its
    // Compare decides. Equal keys keep their order; descending is the mirror.
    void SetSorter(LListViewSorter* sorter);
    LListViewSorter* Sorter() const { return sorter_; }
    void SortRowsUsingColumn(int column, bool ascending);
    void SortRowsUsingColumn(int column); // keeps the current direction
    void Resort();
    int GetSortColumn() const { return sortColumn_; }
    bool IsSortAscending() const { return sortAscending_; }
    bool IsHeaderSortable() const { return headerSortable_ || sorter_; }
    void SetHeaderSortable(bool sortable) { headerSortable_ = sortable; }

    // Label editing: the handler hears the new text and decides whether the
    // cell changes (through SetItemText); the list never writes it itself.
    void SetLabelEditHandler(LListViewLabelEditHandler* handler) { editHandler_ = handler; }
    LListViewLabelEditHandler* LabelEditHandler() const { return editHandler_; }

    // Iteration. One iterator at a time: a second is refused.
    bool SetIterator(LVIterator* iterator);
    void RemoveIterator(LVIterator* iterator);
    LVIterator* Iterator() const { return iterator_; }
    void SetSelectedRowsIteration(bool on);
    bool SelectedRowsIteration() const { return selectedRowsIteration_; }
    void PrepareSelectedRowsIteration();
    void EndSelectedRowsIteration();
    bool IsIteratorValid() const;
    int IteratorRowIndex() const;
    void IterateNext();
    void IteratePrevious();
    void DeleteRowUsingIterator();

protected:
    void OnNodeRemoved(const LOutlineNode* node) override;

private:
    int CompareRows(const LOutlineNode& a, const LOutlineNode& b) const;
    int IterationCount() const;

    int listId_;
    std::string section_;
    bool editable_ = false;
    std::vector<Column> columns_;
    std::vector<int> displayOrder_;
    bool headerShown_ = true;
    bool hasCheckboxColumn_ = false;
    LListViewExtColumnHandler* extHandler_ = nullptr;
    LListViewDropDownHandler* dropDownHandler_ = nullptr;
    LListViewDragHandler* dragHandler_ = nullptr;
    std::vector<std::string> openedItems_;
    bool dropDownOpen_ = false;
    bool comboBoxOpen_ = false;
    bool rowDragActive_ = false;
    std::function<void()> editEnded_;
    LListViewSorter* sorter_ = nullptr;
    LListViewLabelEditHandler* editHandler_ = nullptr;
    int sortColumn_ = 0;
    bool sortAscending_ = true;
    bool headerSortable_ = false;

    LVIterator* iterator_ = nullptr;
    int iteratorIndex_ = -1;
    bool selectedRowsIteration_ = false;
    // Snapshot of the selected rows' nodes; a deleted entry becomes null.
    std::vector<const LOutlineNode*> selectedSnapshot_;
};

class LVIterator
{
public:
    explicit LVIterator(LListViewManager* manager);
    // Binds to the list with that id in the window (unbound when none).
    LVIterator(LWindow* window, int listId);
    virtual ~LVIterator();
    LVIterator(const LVIterator&) = delete;
    LVIterator& operator=(const LVIterator&) = delete;

    // False also when the list already had an iterator and refused this one.
    bool IsBound() const { return manager_ != nullptr; }
    bool IsValid() const;
    virtual void Next();
    virtual void Previous();
    int GetRow() const;
    void DeleteRow();

protected:
    friend class LListViewManager;
    LListViewManager* manager_ = nullptr;
};

class LVSelectedRowsIterator : public LVIterator
{
public:
    explicit LVSelectedRowsIterator(LListViewManager* manager);
    LVSelectedRowsIterator(LWindow* window, int listId);
    ~LVSelectedRowsIterator() override;
};
