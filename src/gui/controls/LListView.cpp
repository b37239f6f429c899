#include "gui/controls/LListView.h"

#include "foundation/text/LNaturalCompare.h"

#include "foundation/settings/LSettings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {
// One drag of rows at a time in the whole program.
LListViewManager* gRowDrag = nullptr;
} // namespace

LListViewSorter::~LListViewSorter()
{
    if (manager && manager->Sorter() == this)
        manager->SetSorter(nullptr);
}

void LListViewSorter::Attach(LListViewManager* list)
{
    manager = list;
    if (manager)
        manager->SetSorter(this);
}

void LListViewSorter::AttachAndSort(LListViewManager* list)
{
    Attach(list);
    if (!manager)
        return;
    PreSort();
    if (sortColumn != -1)
        manager->SortRowsUsingColumn(sortColumn, manager->IsSortAscending());
}

void LListViewSorter::Sort()
{
    if (!manager)
        return;
    PreSort();
    manager->Resort();
}

int LListViewSorter::Compare(const char* a, const char* b)
{
    int result = LStrCmpNatural(a, b);
    if (manager && !manager->IsSortAscending())
        result = -result;
    return result;
}

LListViewManager::LListViewManager(const LVColDynamicGlobal* columns, int listId) : listId_(listId)
{
    for (const LVColDynamicGlobal* c = columns; c && c->title; ++c) {
        Column column;
        column.title = c->title;
        column.widthChars = c->widthChars;
        column.alignment = c->alignment;
        column.stretch = c->stretch;
        displayOrder_.push_back(static_cast<int>(columns_.size()));
        columns_.push_back(column);
    }
}

LListViewManager::~LListViewManager()
{
    if (gRowDrag == this)
        gRowDrag = nullptr;
    if (extHandler_ && extHandler_->manager == this)
        extHandler_->manager = nullptr;
    if (dropDownHandler_ && dropDownHandler_->manager == this)
        dropDownHandler_->manager = nullptr;
    if (sorter_ && sorter_->manager == this)
        sorter_->manager = nullptr;
    // An iterator that outlives its list must not reach back into it.
    if (iterator_) {
        iterator_->manager_ = nullptr;
        RemoveIterator(iterator_);
    }
}

void LListViewManager::SetColumnWidth(int column, double width)
{
    if (column >= 0 && column < ColumnCount())
        columns_[static_cast<size_t>(column)].width = std::max(0.0, width);
}

double LListViewManager::GetColumnWidth(int column) const
{
    return column >= 0 && column < ColumnCount() ? columns_[static_cast<size_t>(column)].width : 0;
}

namespace {

void WidthKey(char* name, size_t number)
{
    std::snprintf(name, 32, "ColumnWidth%zu", number);
}

} // namespace

void LListViewManager::SetupColumnWidths(double charWidth, const char* section)
{
    for (size_t i = 0; i < columns_.size(); ++i) {
        Column& column = columns_[i];
        column.minWidth = static_cast<float>(column.widthChars * static_cast<float>(charWidth));
        column.width = column.minWidth;
        if (section && *section) {
            char name[32];
            WidthKey(name, i + 1);
            column.width = LSettingsGetDouble(section, name, column.minWidth);
        }
    }
}

void LListViewManager::AdjustColumns(double charWidth, double documentWidth)
{
    double fixed = 20;
    int stretchCount = 0;
    for (Column& column : columns_) {
        column.minWidth = column.widthChars * charWidth - 12;
        if (column.stretch)
            ++stretchCount;
        else
            fixed += std::max(column.width, column.minWidth) + 12;
    }
    if (stretchCount > 0) {
        const double share = (documentWidth - fixed) / stretchCount - 12;
        for (Column& column : columns_)
            if (column.stretch)
                column.width = std::max(column.minWidth, share);
    }
    RequestReload();
}

bool LListViewManager::ResizeColumns(int count, int stretch, double floorWidth, double contentWidth)
{
    const int walked = count <= 0 ? ColumnCount() : std::min(count, ColumnCount());
    if (stretch < 0 || stretch >= walked)
        return false;
    double remaining = contentWidth;
    for (int i = 0; i < walked; ++i)
        if (i != stretch)
            remaining -= columns_[static_cast<size_t>(i)].width + 12;
    columns_[static_cast<size_t>(stretch)].width =
        std::max(0.0, (remaining <= floorWidth ? floorWidth : remaining) - 12);
    // Widths change no row: the caller applies them to the view.
    return true;
}

// Widths are stored for the shown columns in display order, numbered from 1.
void LListViewManager::SaveColumnWidths(const char* section) const
{
    if (!section || !*section)
        return;
    size_t number = 0;
    for (int index : displayOrder_) {
        const Column& column = columns_[static_cast<size_t>(index)];
        if (column.hidden)
            continue;
        char name[32];
        char value[64];
        WidthKey(name, ++number);
        std::snprintf(value, sizeof value, "%.16f", column.width);
        LSettingsSetStringForUser(kLSettingsCurrentUser, section, name, value);
    }
}

void LListViewManager::LoadColumnWidths(const char* section)
{
    if (!section || !*section)
        return;
    size_t number = 0;
    for (int index : displayOrder_) {
        Column& column = columns_[static_cast<size_t>(index)];
        if (column.hidden)
            continue;
        char name[32];
        WidthKey(name, ++number);
        column.width = LSettingsGetDouble(section, name, column.minWidth);
    }
    RequestReload();
}

void LListViewManager::SetColumnEditable(int column, bool editable)
{
    if (column < 0 || column >= ColumnCount())
        return;
    columns_[static_cast<size_t>(column)].editable = editable;
    if (editable)
        editable_ = true;
}

void LListViewManager::ShowHideColumn(int column, bool hide)
{
    if (column < 0 || column >= ColumnCount())
        return;
    columns_[static_cast<size_t>(column)].hidden = hide;
    ColumnsChanged();
    RequestReload();
}

bool LListViewManager::IsColumnHidden(int column) const
{
    return column >= 0 && column < ColumnCount() && columns_[static_cast<size_t>(column)].hidden;
}

void LListViewManager::SetColumnHeaderTitle(int column, const char* title)
{
    if (column < 0 || column >= ColumnCount())
        return;
    columns_[static_cast<size_t>(column)].title = title ? title : "";
    ColumnsChanged();
}

void LListViewManager::ShowHeader(bool show)
{
    headerShown_ = show;
    ColumnsChanged();
}

void LListViewManager::RearrangeColumns(int count, const int* order)
{
    if (order) {
        for (int k = 0; k < count && k < ColumnCount(); ++k) {
            const int column = order[k];
            if (column < 0 || column >= ColumnCount())
                continue;
            auto from = std::find(displayOrder_.begin(), displayOrder_.end(), column);
            displayOrder_.erase(from);
            displayOrder_.insert(displayOrder_.begin() + k, column);
        }
    }
    ColumnsChanged();
    RequestReload();
}

void LListViewManager::SetHasCheckboxColumn(bool has)
{
    if (has == hasCheckboxColumn_)
        return;
    hasCheckboxColumn_ = has;
    ColumnsChanged();
    RequestReload();
}

void LListViewManager::ChangeCheckState(int row, bool check)
{
    LOutlineNode* node = NodeAtRow(row);
    if (!node || node->checked == check)
        return;
    node->checked = check;
    CellChanged(node, -1);
}

bool LListViewManager::IsRowChecked(int row) const
{
    const LOutlineNode* node = NodeAtRow(row);
    return node && node->checked;
}

int LListViewManager::ColumnAtDisplayPosition(int position) const
{
    if (hasCheckboxColumn_)
        --position;
    if (position < 0 || position >= static_cast<int>(displayOrder_.size()))
        return -1;
    return displayOrder_[static_cast<size_t>(position)];
}

void LListViewManager::SetExtColumns(const int* pairs)
{
    const int positions = ColumnCount() + (hasCheckboxColumn_ ? 1 : 0);
    bool anyEditable = false;
    for (const int* pair = pairs; pair && pair[0] >= 0 && pair[0] < positions; pair += 2) {
        const int column = ColumnAtDisplayPosition(pair[0]);
        if (column < 0)
            continue;
        Column& c = columns_[static_cast<size_t>(column)];
        c.type = pair[1];
        c.editable = pair[1] == kListColumnEditable;
        anyEditable = anyEditable || c.editable;
    }
    editable_ = anyEditable;
    RequestReload();
}

void LListViewManager::SetDropDownColumns(const int* pairs)
{
    for (const int* pair = pairs; pair && pair[0] >= 0; pair += 2) {
        const int column = ColumnAtDisplayPosition(pair[0]);
        if (column >= 0)
            columns_[static_cast<size_t>(column)].type = kListColumnDropDown;
    }
    RequestReload();
}

int LListViewManager::ColumnType(int column) const
{
    return column >= 0 && column < ColumnCount() ? columns_[static_cast<size_t>(column)].type
                                                 : kListColumnText;
}

void LListViewManager::SetExtendedColumnsHandler(LListViewExtColumnHandler* handler)
{
    extHandler_ = handler;
    if (handler)
        handler->manager = this;
}

void LListViewManager::SetDropDownColumnsHandler(LListViewDropDownHandler* handler)
{
    dropDownHandler_ = handler;
    if (handler)
        handler->manager = this;
}

void LListViewManager::SetLvDragHandler(LListViewDragHandler* handler)
{
    dragHandler_ = handler;
    DragDropChanged();
}

std::vector<std::string> LListViewManager::OpenDropDown(int row, int column)
{
    openedItems_.clear();
    if (!dropDownHandler_ || !NodeAtRow(row) || ColumnType(column) != kListColumnDropDown)
        return {};
    dropDownOpen_ = true;
    dropDownHandler_->OnDropDownOpen(listId_, column, row);
    return openedItems_;
}

void LListViewManager::AddOpenedDropDownItem(const char* text)
{
    if (dropDownOpen_)
        openedItems_.emplace_back(text ? text : "");
}

void LListViewManager::CloseDropDown()
{
    dropDownOpen_ = false;
    openedItems_.clear();
}

void LListViewManager::SelectDropDownItem(int row, int column, int tag, const char* title)
{
    // The cell shows the choice even after the view is rebuilt; the owner
    // may still set another text in its handler.
    SetItemText(row, column, title ? title : "");
    if (dropDownHandler_)
        dropDownHandler_->OnDropDownSelect(listId_, row, column, tag, title ? title : "");
}

std::vector<std::string> LListViewManager::OpenComboBox(int row, int column)
{
    openedItems_.clear();
    if (!extHandler_ || !NodeAtRow(row) || ColumnType(column) != kListColumnComboBox)
        return {};
    comboBoxOpen_ = true;
    extHandler_->OnComboBoxOpen(listId_, row, column);
    return openedItems_;
}

void LListViewManager::AddOpenedComboBoxItem(const char* text)
{
    if (comboBoxOpen_)
        openedItems_.emplace_back(text ? text : "");
}

void LListViewManager::CloseComboBox()
{
    comboBoxOpen_ = false;
    openedItems_.clear();
}

void LListViewManager::BeginEdit()
{
    if (editHandler_)
        editHandler_->OnBeginEdit(listId_);
}

void LListViewManager::EndEdit(int row, int column, const char* text, LViewHandle ownerView)
{
    const char* value = text ? text : "";
    if (editHandler_)
        editHandler_->OnEndEdit(listId_, value);
    if (extHandler_)
        extHandler_->OnEndEdit(listId_, row, column, value, ownerView);
    if (editEnded_)
        editEnded_();
}

LListViewManager* LListViewManager::RowDragInProgress()
{
    return gRowDrag;
}

bool LListViewManager::BeginRowDrag(const std::vector<int>& rows)
{
    if (!dragHandler_ || rows.empty() || gRowDrag)
        return false;
    rowDragActive_ = true;
    gRowDrag = this;
    dragHandler_->dragSource.dragging = true;
    dragHandler_->OnDragBegin(listId_);
    std::vector<const LOutlineNode*> nodes;
    for (int row : rows)
        if (const LOutlineNode* node = NodeAtRow(row))
            nodes.push_back(node);
    SetSelectionFromPeer(std::move(nodes));
    SendCommand(dragStartCommand);
    return true;
}

void LListViewManager::RowDragMoved(int x, int y)
{
    if (rowDragActive_ && dragHandler_)
        dragHandler_->OnDragMove(listId_, x, y);
}

void LListViewManager::EndRowDrag(int dropRow, int x, int y)
{
    if (!rowDragActive_)
        return;
    rowDragActive_ = false;
    if (gRowDrag == this)
        gRowDrag = nullptr;
    if (!dragHandler_)
        return;
    dragHandler_->OnDrop(listId_, dropRow);
    dragHandler_->OnDragEnd(listId_, x, y);
    dragHandler_->dragSource.dragging = false;
}

int LListViewManager::InsertRow(const char* text, int index, int image, intptr_t data)
{
    if (index < 0 || index >= RowCount())
        return AddItem(text, image, data);
    LOutlineNode* node = AddNode(nullptr, index);
    node->EnsureColumns(std::max<size_t>(columns_.size(), 1));
    node->texts[0] = text ? text : "";
    node->images[0] = image >= 0 && image < static_cast<int>(Images().size()) ? image : -1;
    node->data[0] = data;
    return index;
}

int LListViewManager::AddRow(const std::vector<std::string>& texts)
{
    LOutlineNode* node = AddNode(nullptr);
    node->EnsureColumns(std::max(columns_.size(), texts.size()));
    for (size_t i = 0; i < texts.size(); ++i)
        node->texts[i] = texts[i];
    return RowCount() - 1;
}

int LListViewManager::AddItem(const char* text, int image, intptr_t data)
{
    LOutlineNode* node = AddNode(nullptr);
    node->EnsureColumns(std::max<size_t>(columns_.size(), 1));
    node->texts[0] = text ? text : "";
    node->images[0] = image >= 0 && image < static_cast<int>(Images().size()) ? image : -1;
    node->data[0] = data;
    return RowCount() - 1;
}

void LListViewManager::SetItemText(int row, int column, const std::string& text)
{
    LOutlineNode* node = NodeAtRow(row);
    if (!node || column < 0 || column >= std::max(ColumnCount(), 1))
        return;
    node->EnsureColumns(static_cast<size_t>(column) + 1);
    node->texts[static_cast<size_t>(column)] = text;
    CellChanged(node, column);
}

std::string LListViewManager::GetItemText(int row, int column) const
{
    const LOutlineNode* node = NodeAtRow(row);
    if (!node || column < 0)
        return {};
    return node->Text(static_cast<size_t>(column));
}

void LListViewManager::SetItemImage(int row, int column, int image)
{
    LOutlineNode* node = NodeAtRow(row);
    if (!node || column < 0 || column >= std::max(ColumnCount(), 1))
        return;
    if (image < 0 || image >= static_cast<int>(Images().size()))
        return;
    node->EnsureColumns(static_cast<size_t>(column) + 1);
    node->images[static_cast<size_t>(column)] = image;
    CellChanged(node, column);
}

int LListViewManager::GetItemImage(int row, int column) const
{
    const LOutlineNode* node = NodeAtRow(row);
    return node && column >= 0 ? node->Image(static_cast<size_t>(column)) : -1;
}

void LListViewManager::SetItemData(int row, int column, intptr_t data)
{
    LOutlineNode* node = NodeAtRow(row);
    if (!node || column < 0 || column >= std::max(ColumnCount(), 1))
        return;
    node->EnsureColumns(static_cast<size_t>(column) + 1);
    node->data[static_cast<size_t>(column)] = data;
}

intptr_t LListViewManager::GetItemData(int row, int column) const
{
    const LOutlineNode* node = NodeAtRow(row);
    return node && column >= 0 ? node->Data(static_cast<size_t>(column)) : 0;
}

int LListViewManager::FindRowWithText(const std::string& text, int column, int startRow) const
{
    if (column < 0)
        return -1;
    for (int row = std::max(0, startRow); row < RowCount(); ++row)
        if (NodeAtRow(row)->Text(static_cast<size_t>(column)) == text)
            return row;
    return -1;
}

int LListViewManager::FindRowWithTextPartialMatch(const std::string& text, int column, int startRow,
                                                  bool ignoreCase) const
{
    if (column < 0)
        return -1;
    auto same = [ignoreCase](char a, char b) {
        if (!ignoreCase)
            return a == b;
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    for (int row = std::max(0, startRow); row < RowCount(); ++row) {
        const std::string& cell = NodeAtRow(row)->Text(static_cast<size_t>(column));
        if (cell.size() >= text.size() && std::equal(text.begin(), text.end(), cell.begin(), same))
            return row;
    }
    return -1;
}

int LListViewManager::FindRowWithData(intptr_t data, int column, int startRow) const
{
    if (column < 0)
        return -1;
    for (int row = std::max(0, startRow); row < RowCount(); ++row)
        if (NodeAtRow(row)->Data(static_cast<size_t>(column)) == data)
            return row;
    return -1;
}

void LListViewManager::DeleteRowWithText(const std::string& text)
{
    int row = FindRowWithText(text, 0, 0);
    if (row >= 0)
        DeleteRow(row);
}

void LListViewManager::SetSorter(LListViewSorter* sorter)
{
    if (sorter_ && sorter_ != sorter && sorter_->manager == this)
        sorter_->manager = nullptr;
    sorter_ = sorter;
}

int LListViewManager::CompareRows(const LOutlineNode& a, const LOutlineNode& b) const
{
    const size_t column = static_cast<size_t>(sortColumn_);
    if (!sorter_)
        return LStrCmpNatural(a.Text(column).c_str(), b.Text(column).c_str());
    sorter_->data1 = a.Data(column);
    sorter_->data2 = b.Data(column);
    int result = sorter_->Compare(a.Text(column).c_str(), b.Text(column).c_str());
    // The sorter answers in the list's direction; the rows are ordered
    // ascending first and mirrored afterwards.
    if (!sortAscending_)
        result = -result;
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

void LListViewManager::SortRowsUsingColumn(int column, bool ascending)
{
    if (column < 0 || column >= ColumnCount())
        return;
    sortColumn_ = column;
    sortAscending_ = ascending;
    if (sorter_)
        sorter_->sortColumn = column;
    Resort();
}

void LListViewManager::SortRowsUsingColumn(int column)
{
    SortRowsUsingColumn(column, sortAscending_);
}

void LListViewManager::Resort()
{
    if (sortColumn_ < 0 || sortColumn_ >= ColumnCount())
        return;
    // Sorting moves rows, never the selection: it stays on its nodes.
    SortChildren(
        Root(), [this](const LOutlineNode& a, const LOutlineNode& b) { return CompareRows(a, b); },
        !sortAscending_);
    RequestReload();
}

bool LListViewManager::SetIterator(LVIterator* iterator)
{
    if (iterator && iterator_ && iterator_ != iterator)
        return false;
    iterator_ = iterator;
    iteratorIndex_ = iterator ? 0 : -1;
    return true;
}

void LListViewManager::RemoveIterator(LVIterator* iterator)
{
    if (iterator_ != iterator)
        return;
    iterator_ = nullptr;
    iteratorIndex_ = -1;
    if (selectedRowsIteration_)
        selectedSnapshot_.clear();
}

void LListViewManager::SetSelectedRowsIteration(bool on)
{
    selectedRowsIteration_ = on;
    SetIgnoreSelectionChanges(on);
}

void LListViewManager::PrepareSelectedRowsIteration()
{
    if (!iterator_ || !selectedRowsIteration_)
        return;
    selectedSnapshot_.clear();
    for (int row : SelectedRows())
        selectedSnapshot_.push_back(NodeAtRow(row));
    iteratorIndex_ = selectedSnapshot_.empty() ? -1 : 0;
}

void LListViewManager::EndSelectedRowsIteration()
{
    if (!iterator_ || !selectedRowsIteration_ || !SelectionChangedWhileIgnored())
        return;
    ClearSelectionChangedWhileIgnored();
    if (selectedSnapshot_.empty())
        return;
    std::vector<const LOutlineNode*> fresh;
    for (int row : SelectedRows())
        fresh.push_back(NodeAtRow(row));
    const bool differs = fresh != selectedSnapshot_;
    selectedSnapshot_ = std::move(fresh);
    if (differs) {
        SetIgnoreSelectionChanges(false);
        NotifySelectionChanged();
        SetIgnoreSelectionChanges(selectedRowsIteration_);
    }
}

int LListViewManager::IterationCount() const
{
    return selectedRowsIteration_ ? static_cast<int>(selectedSnapshot_.size()) : RowCount();
}

bool LListViewManager::IsIteratorValid() const
{
    return iterator_ && iteratorIndex_ >= 0 && iteratorIndex_ < IterationCount();
}

int LListViewManager::IteratorRowIndex() const
{
    if (!iterator_ || iteratorIndex_ < 0)
        return -1;
    if (!selectedRowsIteration_)
        return iteratorIndex_;
    if (iteratorIndex_ >= static_cast<int>(selectedSnapshot_.size()))
        return -1;
    const LOutlineNode* node = selectedSnapshot_[static_cast<size_t>(iteratorIndex_)];
    return node ? RowOfNode(node) : -1;
}

void LListViewManager::IterateNext()
{
    if (!iterator_ || iteratorIndex_ < 0)
        return;
    iteratorIndex_ = iteratorIndex_ + 1 < IterationCount() ? iteratorIndex_ + 1 : -1;
}

void LListViewManager::IteratePrevious()
{
    // Stepping back from the first row ends the walk, so backward loops stop.
    if (!iterator_ || iteratorIndex_ < 0)
        return;
    iteratorIndex_ -= 1;
}

void LListViewManager::DeleteRowUsingIterator()
{
    if (!iterator_ || iteratorIndex_ < 0 || iteratorIndex_ >= IterationCount())
        return;
    if (selectedRowsIteration_) {
        const LOutlineNode* node = selectedSnapshot_[static_cast<size_t>(iteratorIndex_)];
        const int row = node ? RowOfNode(node) : -1;
        if (row >= 0)
            DeleteRow(row);
        iteratorIndex_ = iteratorIndex_ + 1 < IterationCount() ? iteratorIndex_ + 1 : -1;
        return;
    }
    DeleteRow(iteratorIndex_);
    if (iteratorIndex_ >= RowCount())
        iteratorIndex_ = -1;
}

void LListViewManager::OnNodeRemoved(const LOutlineNode* node)
{
    // The snapshot compares against fresh selections later; a removed node
    // must never match a new one allocated at the same address.
    std::replace(selectedSnapshot_.begin(), selectedSnapshot_.end(), node,
                 static_cast<const LOutlineNode*>(nullptr));
}

LVIterator::LVIterator(LListViewManager* manager)
{
    if (manager && manager->SetIterator(this))
        manager_ = manager;
}

LVIterator::~LVIterator()
{
    if (manager_)
        manager_->RemoveIterator(this);
}

bool LVIterator::IsValid() const
{
    return manager_ && manager_->RowCount() > 0 && manager_->IsIteratorValid();
}

void LVIterator::Next()
{
    if (manager_)
        manager_->IterateNext();
}

void LVIterator::Previous()
{
    if (manager_)
        manager_->IteratePrevious();
}

int LVIterator::GetRow() const
{
    return manager_ ? manager_->IteratorRowIndex() : -1;
}

void LVIterator::DeleteRow()
{
    if (manager_)
        manager_->DeleteRowUsingIterator();
}

LVSelectedRowsIterator::LVSelectedRowsIterator(LListViewManager* manager) : LVIterator(manager)
{
    if (manager_) {
        manager_->SetSelectedRowsIteration(true);
        manager_->PrepareSelectedRowsIteration();
    }
}

LVSelectedRowsIterator::~LVSelectedRowsIterator()
{
    if (manager_) {
        manager_->EndSelectedRowsIteration();
        manager_->SetSelectedRowsIteration(false);
        manager_->RemoveIterator(this);
        manager_ = nullptr;
    }
}

// The handlers' defaults do nothing: an owner overrides what it uses.

LListViewExtColumnHandler::~LListViewExtColumnHandler()
{
    if (manager && manager->ExtendedColumnsHandler() == this)
        manager->SetExtendedColumnsHandler(nullptr);
}

void LListViewExtColumnHandler::OnComboBoxOpen(int, int, int) {}

void LListViewExtColumnHandler::OnEndEdit(int, int, int, const char*, LViewHandle) {}

void LListViewExtColumnHandler::AddItem(const char* text)
{
    if (manager)
        manager->AddOpenedComboBoxItem(text);
}

LListViewDropDownHandler::~LListViewDropDownHandler()
{
    if (manager && manager->DropDownColumnsHandler() == this)
        manager->SetDropDownColumnsHandler(nullptr);
}

void LListViewDropDownHandler::OnDropDownOpen(int, int, int) {}

void LListViewDropDownHandler::OnDropDownSelect(int, int, int, int, const char*) {}

void LListViewDropDownHandler::AddItem(const char* text)
{
    if (manager)
        manager->AddOpenedDropDownItem(text);
}

LListViewDragHandler::~LListViewDragHandler() = default;

void LListViewDragHandler::OnDrop(int, int) {}

void LListViewDragHandler::OnDragBegin(int) {}

void LListViewDragHandler::OnDragEnd(int, int, int) {}

void LListViewDragHandler::OnDragMove(int, int, int) {}
