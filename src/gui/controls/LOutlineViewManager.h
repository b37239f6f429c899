#pragma once
// The node tree behind outline and list views, kept apart from any toolkit so
// that sorting, searching and deletion during iteration can be tested alone.
// A toolkit peer observes it and turns its notices into model resets.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct LOutlineNode
{
    std::vector<std::string> texts;
    std::vector<int> images; // -1: no image in that cell
    std::vector<intptr_t> data;
    std::vector<std::unique_ptr<LOutlineNode>> children;
    LOutlineNode* parent = nullptr;
    bool expanded = false;

    const std::string& Text(size_t column) const;
    int Image(size_t column) const;
    intptr_t Data(size_t column) const;
    void EnsureColumns(size_t count);
};

// What a peer needs to hear from the tree.
class LOutlineViewObserver
{
public:
    virtual ~LOutlineViewObserver() = default;
    // The rows changed; the peer rebuilds and then re-applies Selection().
    virtual void OnReloadRequested() = 0;
    // One cell changed in place.
    virtual void OnCellChanged(const LOutlineNode* node, int column) = 0;
};

class LOutlineViewManager
{
public:
    LOutlineViewManager();
    virtual ~LOutlineViewManager();

    LOutlineNode& Root() { return *root_; }
    const LOutlineNode& Root() const { return *root_; }
    void SetObserver(LOutlineViewObserver* observer) { observer_ = observer; }

    int RowCount() const { return static_cast<int>(root_->children.size()); }
    LOutlineNode* NodeAtRow(int row) const;
    int RowOfNode(const LOutlineNode* node) const;

    // Appends a child (top level when parent is null) and returns it.
    LOutlineNode* AddNode(LOutlineNode* parent);
    // Removes a top-level row; the selection keeps every other node.
    void DeleteRow(int row);
    void DeleteAllRows();

    // Selection by node, so it follows rows that move on sorting or deletion.
    const std::vector<const LOutlineNode*>& Selection() const { return selection_; }
    std::vector<int> SelectedRows() const;
    bool IsRowSelected(int row) const;
    int FirstSelectedRow() const;
    void SelectRow(int row, bool select);
    void DeselectAll();
    // What the peer reports after the user changed the selection.
    void SetSelectionFromPeer(std::vector<const LOutlineNode*> nodes);

    // While set, selection changes are only noted; the owner hears of them
    // once when the suppressing work ends.
    void SetIgnoreSelectionChanges(bool ignore) { ignoreSelectionChanges_ = ignore; }
    bool SelectionChangedWhileIgnored() const { return selectionChangedWhileIgnored_; }
    void ClearSelectionChangedWhileIgnored() { selectionChangedWhileIgnored_ = false; }
    void SetSelectionChangeHandler(std::function<void()> handler) { selectionChanged_ = std::move(handler); }
    void NotifySelectionChanged();

    // Each column's image is an index into this list; names are resource ids.
    void SetImages(std::vector<int> imageIds) { imageIds_ = std::move(imageIds); }
    const std::vector<int>& Images() const { return imageIds_; }

    // Commands the view posts to its window for clicks on a row; -1: none.
    int clickCommand = -1;
    int doubleClickCommand = -1;
    int rightClickCommand = -1;
    // Sent to the window when the user changes the selection.
    int selectionChangeCommand = -1;

    // Updates are suspended while many rows are added; one reload follows.
    void SuspendUpdates();
    void ResumeUpdates();
    void RequestReload();

protected:
    void CellChanged(const LOutlineNode* node, int column);
    void SortChildren(LOutlineNode& parent,
                      const std::function<int(const LOutlineNode&, const LOutlineNode&)>& ascending,
                      bool descending);
    virtual void OnNodeRemoved(const LOutlineNode*) {}

private:
    void RemoveFromSelection(const LOutlineNode* node);

    std::unique_ptr<LOutlineNode> root_;
    LOutlineViewObserver* observer_ = nullptr;
    std::vector<const LOutlineNode*> selection_;
    std::vector<int> imageIds_;
    std::function<void()> selectionChanged_;
    bool ignoreSelectionChanges_ = false;
    bool selectionChangedWhileIgnored_ = false;
    int suspendDepth_ = 0;
    bool reloadPending_ = false;
};
