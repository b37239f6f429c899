#pragma once
// Multi-column list rows over the outline tree: columns, cells, searching,
// sorting, and iteration that survives deleting the row it stands on.

#include "gui/controls/LOutlineViewManager.h"

#include <cstdint>
#include <string>
#include <vector>

struct LVColDynamicGlobal
{
    const char* title; // null ends an array
    int widthChars;
    int alignment; // 0 left, 1 center, 2 right
    bool stretch;
};

class LListViewManager;

// Dialogs derive from it to order rows by their own data.
class LListViewSorter
{
public:
    LListViewSorter() = default;
    virtual ~LListViewSorter();

    // Binds to the list and sorts by the stored column unless it is -1.
    void AttachAndSort(LListViewManager* manager);
    void Attach(LListViewManager* manager);
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
    virtual void OnBeginEdit(int listId) = 0;
    virtual void OnEndEdit(int listId, const char* newText) = 0;
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
        int width = 0; // pixels
        bool editable = false;
    };

    explicit LListViewManager(const LVColDynamicGlobal* columns, int listId = 0);
    ~LListViewManager() override;

    int ListId() const { return listId_; }
    const std::vector<Column>& Columns() const { return columns_; }
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    void SetColumnWidth(int column, int width);
    void SetColumnEditable(int column, bool editable);

    // Appends a row with the given texts; returns its index.
    int AddRow(const std::vector<std::string>& texts);
    int AddItem(const char* text, int image, intptr_t data);
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
    std::vector<Column> columns_;
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
    ~LVSelectedRowsIterator() override;
};
