#pragma once
// The single-column tree: items with a text, an image and a data word,
// nested under parents, expandable, sorted by text and renamed in place.
// Items are the nodes of the outline tree; the toolkit peer shows them.

#include "gui/controls/LOutlineViewManager.h"

#include <cstdint>
#include <string>

class LWindow;

// Bit 3 (value 8): items can be renamed in place.
using LTreeFlags = unsigned;
constexpr LTreeFlags kTreeFlagEditable = 8;

class LTreeViewLabelEditHandler
{
public:
    virtual ~LTreeViewLabelEditHandler() = default;
    // The text the user typed for an item that is shown; the item keeps
    // its old text unless the handler sets the new one.
    virtual void OnEndEdit(int treeId, LOutlineNode* item, const char* text) = 0;
};

// Installed, it makes items draggable; the drag itself is announced with
// the view's drag-start command and carried by its drag source.
class LTreeViewDragHandler
{
public:
    virtual ~LTreeViewDragHandler() = default;
};

class LTreeViewManager : public LOutlineViewManager
{
public:
    explicit LTreeViewManager(int treeId = 0);
    ~LTreeViewManager() override;

    int TreeId() const { return treeId_; }
    void SetDefaultSettingsAndFlags(LTreeFlags flags) { editable_ = (flags & kTreeFlagEditable) != 0; }
    bool IsEditable() const { return editable_; }

    // Adding: under parent (top level for null), right after the item to
    // follow when it is one of the parent's children before the last;
    // appended in every other case.
    LOutlineNode* AddItem(const char* text, LOutlineNode* parent, LOutlineNode* after, int image,
                          intptr_t data);
    LOutlineNode* AddItemFirst(const char* text, LOutlineNode* parent, int image, intptr_t data);
    LOutlineNode* AddItemLast(const char* text, LOutlineNode* parent, int image, intptr_t data);

    void SetText(LOutlineNode* item, const char* text);
    std::string GetText(const LOutlineNode* item) const;
    // Copies at most 259 bytes and a terminator into a 260-byte buffer.
    char* GetText(char* buffer, const LOutlineNode* item) const;
    // The image is an index into the image list; others set nothing.
    void SetImage(LOutlineNode* item, int image);
    // 0 also when the item has no image.
    int ImageForItem(const LOutlineNode* item) const;
    void SetData(LOutlineNode* item, intptr_t data);
    intptr_t DataForItem(const LOutlineNode* item) const;
    // Removes the item with its children.
    void DeleteItem(LOutlineNode* item);

    LOutlineNode* GetSelectedItem() const;
    // Expands every collapsed ancestor, then selects the item alone.
    void SelectItem(LOutlineNode* item);
    int GetItemIndex(const LOutlineNode* item) const { return RowOfNode(item); }
    LOutlineNode* GetItem(int row) const { return NodeAtRow(row); }
    LOutlineNode* FirstChildOfItem(LOutlineNode* item) const;
    LOutlineNode* NextSiblingOfItem(const LOutlineNode* item) const;
    LOutlineNode* PreviousSiblingOfItem(const LOutlineNode* item) const;
    // The first top-level item, null for an empty tree.
    LOutlineNode* GetRoot() const { return FirstChildOfItem(nullptr); }
    void ExpandTreeRoot() { ExpandNode(GetRoot()); }
    void ExpandItem(LOutlineNode* item) { ExpandNode(item); }
    void CollapseItem(LOutlineNode* item) { CollapseNode(item); }
    // Every level by text, case-insensitively with numbers by value.
    void SortRows();

    void SetEditHandler(LTreeViewLabelEditHandler* handler) { editHandler_ = handler; }
    LTreeViewLabelEditHandler* EditHandler() const { return editHandler_; }
    // The peer reports the text an in-place edit ended with.
    void EndEdit(LOutlineNode* item, const char* text);
    void SetTvDragHandler(LTreeViewDragHandler* handler);
    LTreeViewDragHandler* TvDragHandler() const { return dragHandler_; }

private:
    LOutlineNode* Insert(const char* text, LOutlineNode* parent, int index, int image, intptr_t data);

    int treeId_;
    bool editable_ = false;
    LTreeViewLabelEditHandler* editHandler_ = nullptr;
    LTreeViewDragHandler* dragHandler_ = nullptr;
};

// A tree view in the window under the control id, at a rectangle in the
// window's pixels; the view owns the manager it answers. Null when the
// window has no view.
LTreeViewManager* LAddTreeView(LWindow* window, int id, LTreeFlags flags, int x, int y, int w, int h);
// The manager of the window's tree view with that id, null when none.
LTreeViewManager* LGetTreeView(const LWindow* window, int id);
