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
    // A collapsed node hides its children's rows.
    bool expanded = false;
    bool checked = false;

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
    // A call expanded or collapsed a node (the user's own clicks are not echoed).
    virtual void OnExpansionChanged(const LOutlineNode* node) { (void)node; }
    // Column order, visibility, titles or the header changed.
    virtual void OnColumnsChanged() {}
    // A drag source, drop target or drag handler came or went.
    virtual void OnDragDropChanged() {}
};

class LDragSource;
class LDropTarget;

class LOutlineViewManager
{
public:
    LOutlineViewManager();
    virtual ~LOutlineViewManager();

    LOutlineNode& Root() { return *root_; }
    const LOutlineNode& Root() const { return *root_; }
    void SetObserver(LOutlineViewObserver* observer) { observer_ = observer; }

    // Rows are numbered depth first over the shown nodes: a node's children
    // follow it only while it is expanded. A flat list numbers its top level.
    int RowCount() const;
    // Every node of the tree, shown or not.
    int NodeCount() const;
    LOutlineNode* NodeAtRow(int row) const;
    int RowOfNode(const LOutlineNode* node) const;
    // Set by views whose rows nest; a flat list keeps the fast top-level walk.
    void SetHierarchical(bool hierarchical) { hierarchical_ = hierarchical; }
    bool IsHierarchical() const { return hierarchical_; }

    // Adds a child (top level when parent is null) at index, appended for
    // an index below 0 or past the end, and returns it.
    LOutlineNode* AddNode(LOutlineNode* parent, int index = -1);
    // Removes a row with its children; the selection keeps every other node.
    void DeleteRow(int row);
    void DeleteNode(LOutlineNode* node);
    void DeleteAllRows();
    // Moves the rows (kept in their order) to stand before beforeRow (the
    // end for RowCount()); the selection stays on its nodes. Top level only.
    void MoveRows(std::vector<int> rows, int beforeRow);

    // Expansion by call: the view follows. A collapse takes the selection
    // off the rows it hides.
    void ExpandNode(LOutlineNode* node);
    void CollapseNode(LOutlineNode* node);
    // What the peer reports after the user expanded or collapsed a node.
    void SetExpandedFromPeer(LOutlineNode* node, bool expanded);

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
    // Sent when the user turns a row's check box, and when a drag of rows begins.
    int checkStateChangeCommand = -1;
    int dragStartCommand = -1;

    // Commands to the owner window: an id below 0 only updates its controls.
    void SetCommandSender(std::function<void(int)> sender) { commandSender_ = std::move(sender); }
    void SendCommand(int command) const;

    // The user turned a row's check box: the row keeps the state and the
    // owner hears the check-state command.
    void CheckBoxClicked(LOutlineNode* node, bool checked);

    // Drags of rows out of the view go through the drag source; drags from
    // inside the program over the view reach the drop target. Neither is owned.
    void SetDragSource(LDragSource* source);
    LDragSource* DragSource() const { return dragSource_; }
    void SetDropTarget(LDropTarget* target);
    LDropTarget* DropTarget() const { return dropTarget_; }

    // Updates are suspended while many rows are added; one reload follows.
    void SuspendUpdates();
    void ResumeUpdates();
    void RequestReload();

protected:
    // column -1 stands for the row's check box.
    void CellChanged(const LOutlineNode* node, int column);
    void ColumnsChanged();
    void DragDropChanged();
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
    std::function<void(int)> commandSender_;
    bool hierarchical_ = false;
    LDragSource* dragSource_ = nullptr;
    LDropTarget* dropTarget_ = nullptr;
    bool ignoreSelectionChanges_ = false;
    bool selectionChangedWhileIgnored_ = false;
    int suspendDepth_ = 0;
    bool reloadPending_ = false;
};
