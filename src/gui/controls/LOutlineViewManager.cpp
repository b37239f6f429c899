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

namespace {

int CountNodes(const LOutlineNode& node)
{
    int count = static_cast<int>(node.children.size());
    for (const auto& child : node.children)
        count += CountNodes(*child);
    return count;
}

int CountShown(const LOutlineNode& node)
{
    int count = static_cast<int>(node.children.size());
    for (const auto& child : node.children)
        if (child->expanded)
            count += CountShown(*child);
    return count;
}

// Finds the shown node at row (counting down) under node.
LOutlineNode* ShownAt(const LOutlineNode& node, int& row)
{
    for (const auto& child : node.children) {
        if (row == 0)
            return child.get();
        --row;
        if (child->expanded && !child->children.empty())
            if (LOutlineNode* found = ShownAt(*child, row))
                return found;
    }
    return nullptr;
}

} // namespace

int LOutlineViewManager::RowCount() const
{
    return hierarchical_ ? CountShown(*root_) : static_cast<int>(root_->children.size());
}

int LOutlineViewManager::NodeCount() const
{
    return CountNodes(*root_);
}

LOutlineNode* LOutlineViewManager::NodeAtRow(int row) const
{
    if (row < 0)
        return nullptr;
    if (hierarchical_)
        return ShownAt(*root_, row);
    if (row >= static_cast<int>(root_->children.size()))
        return nullptr;
    return root_->children[static_cast<size_t>(row)].get();
}

int LOutlineViewManager::RowOfNode(const LOutlineNode* node) const
{
    if (!node || !node->parent)
        return -1;
    if (!hierarchical_) {
        if (node->parent != root_.get())
            return -1;
        const auto& rows = root_->children;
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].get() == node)
                return static_cast<int>(i);
        return -1;
    }
    // The parent's row (none for the root), then the rows its elder
    // children take with what they show.
    int row = 0;
    if (node->parent != root_.get()) {
        if (!node->parent->expanded)
            return -1;
        const int parentRow = RowOfNode(node->parent);
        if (parentRow < 0)
            return -1;
        row = parentRow + 1;
    }
    for (const auto& sibling : node->parent->children) {
        if (sibling.get() == node)
            return row;
        row += 1 + (sibling->expanded ? CountShown(*sibling) : 0);
    }
    return -1;
}

LOutlineNode* LOutlineViewManager::AddNode(LOutlineNode* parent, int index)
{
    LOutlineNode* into = parent ? parent : root_.get();
    auto node = std::make_unique<LOutlineNode>();
    node->parent = into;
    LOutlineNode* added = node.get();
    if (index < 0 || static_cast<size_t>(index) >= into->children.size())
        into->children.push_back(std::move(node));
    else
        into->children.insert(into->children.begin() + index, std::move(node));
    RequestReload();
    return added;
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
    DeleteNode(NodeAtRow(row));
}

void LOutlineViewManager::DeleteNode(LOutlineNode* node)
{
    if (!node || !node->parent)
        return;
    RemoveFromSelection(node);
    OnNodeRemoved(node);
    auto& siblings = node->parent->children;
    auto it =
        std::find_if(siblings.begin(), siblings.end(), [node](const auto& n) { return n.get() == node; });
    if (it != siblings.end())
        siblings.erase(it);
    RequestReload();
}

void LOutlineViewManager::MoveRows(std::vector<int> rows, int beforeRow)
{
    auto& top = root_->children;
    const int count = static_cast<int>(top.size());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [count](int r) { return r < 0 || r >= count; }),
               rows.end());
    if (rows.empty())
        return;
    beforeRow = std::clamp(beforeRow, 0, count);
    // Rows taken out above the target shift it up by one each.
    const int target =
        beforeRow - static_cast<int>(std::count_if(rows.begin(), rows.end(),
                                                   [beforeRow](int r) { return r < beforeRow; }));
    std::vector<std::unique_ptr<LOutlineNode>> moving;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        moving.insert(moving.begin(), std::move(top[static_cast<size_t>(*it)]));
        top.erase(top.begin() + *it);
    }
    top.insert(top.begin() + target, std::make_move_iterator(moving.begin()),
               std::make_move_iterator(moving.end()));
    RequestReload();
}

void LOutlineViewManager::ExpandNode(LOutlineNode* node)
{
    if (!node || node == root_.get() || node->expanded)
        return;
    node->expanded = true;
    if (observer_)
        observer_->OnExpansionChanged(node);
}

void LOutlineViewManager::CollapseNode(LOutlineNode* node)
{
    if (!node || node == root_.get() || !node->expanded)
        return;
    node->expanded = false;
    if (observer_)
        observer_->OnExpansionChanged(node);
}

void LOutlineViewManager::SetExpandedFromPeer(LOutlineNode* node, bool expanded)
{
    if (node && node != root_.get())
        node->expanded = expanded;
}

void LOutlineViewManager::SendCommand(int command) const
{
    if (commandSender_)
        commandSender_(command);
}

void LOutlineViewManager::CheckBoxClicked(LOutlineNode* node, bool checked)
{
    if (!node || node == root_.get())
        return;
    node->checked = checked;
    SendCommand(checkStateChangeCommand);
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

void LOutlineViewManager::ColumnsChanged()
{
    if (observer_)
        observer_->OnColumnsChanged();
}

void LOutlineViewManager::DragDropChanged()
{
    if (observer_)
        observer_->OnDragDropChanged();
}

void LOutlineViewManager::SetDragSource(LDragSource* source)
{
    dragSource_ = source;
    DragDropChanged();
}

void LOutlineViewManager::SetDropTarget(LDropTarget* target)
{
    dropTarget_ = target;
    DragDropChanged();
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
