#include "gui/controls/LOutlineViewManager.h"

#include <algorithm>
#include <numeric>

namespace {
const std::string kEmptyText;
}

const std::string& LOutlineNode::Text(size_t column) const
{
    return column < texts.size() ? texts[column] : kEmptyText;
}

int LOutlineNode::Image(size_t column) const
{
    return column < images.size() ? images[column] : -1;
}

intptr_t LOutlineNode::Data(size_t column) const
{
    return column < data.size() ? data[column] : 0;
}

void LOutlineNode::EnsureColumns(size_t count)
{
    if (texts.size() < count) {
        texts.resize(count);
        images.resize(count, -1);
        data.resize(count, 0);
    }
}

LOutlineViewManager::LOutlineViewManager() : root_(std::make_unique<LOutlineNode>())
{
    root_->expanded = true;
}

LOutlineViewManager::~LOutlineViewManager() = default;

LOutlineNode* LOutlineViewManager::NodeAtRow(int row) const
{
    if (row < 0 || row >= RowCount())
        return nullptr;
    return root_->children[static_cast<size_t>(row)].get();
}

int LOutlineViewManager::RowOfNode(const LOutlineNode* node) const
{
    const auto& rows = root_->children;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].get() == node)
            return static_cast<int>(i);
    return -1;
}

LOutlineNode* LOutlineViewManager::AddNode(LOutlineNode* parent)
{
    LOutlineNode* into = parent ? parent : root_.get();
    into->children.push_back(std::make_unique<LOutlineNode>());
    LOutlineNode* node = into->children.back().get();
    node->parent = into;
    RequestReload();
    return node;
}

void LOutlineViewManager::RemoveFromSelection(const LOutlineNode* node)
{
    // A removed parent takes its children's selection with it.
    for (const auto& child : node->children)
        RemoveFromSelection(child.get());
    auto it = std::find(selection_.begin(), selection_.end(), node);
    if (it != selection_.end()) {
        selection_.erase(it);
        NotifySelectionChanged();
    }
}

void LOutlineViewManager::DeleteRow(int row)
{
    LOutlineNode* node = NodeAtRow(row);
    if (!node)
        return;
    RemoveFromSelection(node);
    OnNodeRemoved(node);
    root_->children.erase(root_->children.begin() + row);
    RequestReload();
}

void LOutlineViewManager::DeleteAllRows()
{
    const bool hadSelection = !selection_.empty();
    selection_.clear();
    for (const auto& child : root_->children)
        OnNodeRemoved(child.get());
    root_->children.clear();
    if (hadSelection)
        NotifySelectionChanged();
    RequestReload();
}

std::vector<int> LOutlineViewManager::SelectedRows() const
{
    std::vector<int> rows;
    for (const LOutlineNode* node : selection_) {
        int row = RowOfNode(node);
        if (row >= 0)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool LOutlineViewManager::IsRowSelected(int row) const
{
    const LOutlineNode* node = NodeAtRow(row);
    return node && std::find(selection_.begin(), selection_.end(), node) != selection_.end();
}

int LOutlineViewManager::FirstSelectedRow() const
{
    auto rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

void LOutlineViewManager::SelectRow(int row, bool select)
{
    const LOutlineNode* node = NodeAtRow(row);
    if (!node)
        return;
    auto it = std::find(selection_.begin(), selection_.end(), node);
    if (select && it == selection_.end())
        selection_.push_back(node);
    else if (!select && it != selection_.end())
        selection_.erase(it);
    else
        return;
    NotifySelectionChanged();
    RequestReload();
}

void LOutlineViewManager::DeselectAll()
{
    if (selection_.empty())
        return;
    selection_.clear();
    NotifySelectionChanged();
    RequestReload();
}

void LOutlineViewManager::SetSelectionFromPeer(std::vector<const LOutlineNode*> nodes)
{
    if (nodes == selection_)
        return;
    selection_ = std::move(nodes);
    NotifySelectionChanged();
}

void LOutlineViewManager::NotifySelectionChanged()
{
    if (ignoreSelectionChanges_) {
        selectionChangedWhileIgnored_ = true;
        return;
    }
    if (selectionChanged_)
        selectionChanged_();
}

void LOutlineViewManager::SuspendUpdates()
{
    ++suspendDepth_;
}

void LOutlineViewManager::ResumeUpdates()
{
    if (suspendDepth_ > 0 && --suspendDepth_ == 0 && reloadPending_) {
        reloadPending_ = false;
        RequestReload();
    }
}

void LOutlineViewManager::RequestReload()
{
    if (suspendDepth_ > 0) {
        reloadPending_ = true;
        return;
    }
    if (observer_)
        observer_->OnReloadRequested();
}

void LOutlineViewManager::CellChanged(const LOutlineNode* node, int column)
{
    if (observer_ && suspendDepth_ == 0)
        observer_->OnCellChanged(node, column);
}

void LOutlineViewManager::SortChildren(
    LOutlineNode& parent, const std::function<int(const LOutlineNode&, const LOutlineNode&)>& ascending,
    bool descending)
{
    // Stable ascending first, then reversed: a descending list is the exact
    // mirror of the ascending one, equal keys included.
    std::stable_sort(parent.children.begin(), parent.children.end(),
                     [&](const std::unique_ptr<LOutlineNode>& a, const std::unique_ptr<LOutlineNode>& b) {
                         return ascending(*a, *b) < 0;
                     });
    if (descending)
        std::reverse(parent.children.begin(), parent.children.end());
    for (auto& child : parent.children)
        if (!child->children.empty())
            SortChildren(*child, ascending, descending);
}
