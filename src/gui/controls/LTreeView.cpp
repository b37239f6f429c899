#include "gui/controls/LTreeView.h"

#include "foundation/text/LNaturalCompare.h"
#include "foundation/text/LUtf8.h"

#include <algorithm>

LTreeViewManager::LTreeViewManager(int treeId) : treeId_(treeId)
{
    SetHierarchical(true);
}

LTreeViewManager::~LTreeViewManager() = default;

LOutlineNode* LTreeViewManager::Insert(const char* text, LOutlineNode* parent, int index, int image,
                                       intptr_t data)
{
    LOutlineNode* item = AddNode(parent, index);
    item->EnsureColumns(1);
    item->texts[0] = text ? text : "";
    item->images[0] = image >= 0 && image < static_cast<int>(Images().size()) ? image : -1;
    item->data[0] = data;
    return item;
}

LOutlineNode* LTreeViewManager::AddItem(const char* text, LOutlineNode* parent, LOutlineNode* after,
                                        int image, intptr_t data)
{
    const LOutlineNode& into = parent ? *parent : Root();
    int index = -1;
    for (size_t i = 0; after && i + 1 < into.children.size(); ++i)
        if (into.children[i].get() == after) {
            index = static_cast<int>(i) + 1;
            break;
        }
    return Insert(text, parent, index, image, data);
}

LOutlineNode* LTreeViewManager::AddItemFirst(const char* text, LOutlineNode* parent, int image, intptr_t data)
{
    return Insert(text, parent, 0, image, data);
}

LOutlineNode* LTreeViewManager::AddItemLast(const char* text, LOutlineNode* parent, int image, intptr_t data)
{
    return Insert(text, parent, -1, image, data);
}

void LTreeViewManager::SetText(LOutlineNode* item, const char* text)
{
    if (!item || item == &Root())
        return;
    item->EnsureColumns(1);
    item->texts[0] = text ? text : "";
    CellChanged(item, 0);
}

std::string LTreeViewManager::GetText(const LOutlineNode* item) const
{
    return item ? item->Text(0) : std::string();
}

char* LTreeViewManager::GetText(char* buffer, const LOutlineNode* item) const
{
    if (buffer)
        LUtf8CopyWhole(buffer, GetText(item).c_str(), 260);
    return buffer;
}

void LTreeViewManager::SetImage(LOutlineNode* item, int image)
{
    if (!item || item == &Root() || image < 0 || image >= static_cast<int>(Images().size()))
        return;
    item->EnsureColumns(1);
    item->images[0] = image;
    CellChanged(item, 0);
}

int LTreeViewManager::ImageForItem(const LOutlineNode* item) const
{
    const int image = item ? item->Image(0) : -1;
    return image < 0 ? 0 : image;
}

void LTreeViewManager::SetData(LOutlineNode* item, intptr_t data)
{
    if (!item || item == &Root())
        return;
    item->EnsureColumns(1);
    item->data[0] = data;
}

intptr_t LTreeViewManager::DataForItem(const LOutlineNode* item) const
{
    return item ? item->Data(0) : 0;
}

void LTreeViewManager::DeleteItem(LOutlineNode* item)
{
    if (item != &Root())
        DeleteNode(item);
}

LOutlineNode* LTreeViewManager::GetSelectedItem() const
{
    return NodeAtRow(FirstSelectedRow());
}

void LTreeViewManager::SelectItem(LOutlineNode* item)
{
    if (!item || !item->parent)
        return;
    for (LOutlineNode* up = item->parent; up && up != &Root(); up = up->parent)
        ExpandNode(up);
    if (RowOfNode(item) < 0)
        return;
    SetSelectionFromPeer({item});
    RequestReload();
}

LOutlineNode* LTreeViewManager::FirstChildOfItem(LOutlineNode* item) const
{
    const LOutlineNode& parent = item ? *item : const_cast<LTreeViewManager*>(this)->Root();
    return parent.children.empty() ? nullptr : parent.children.front().get();
}

LOutlineNode* LTreeViewManager::NextSiblingOfItem(const LOutlineNode* item) const
{
    if (!item || !item->parent)
        return nullptr;
    const auto& siblings = item->parent->children;
    for (size_t i = 0; i + 1 < siblings.size(); ++i)
        if (siblings[i].get() == item)
            return siblings[i + 1].get();
    return nullptr;
}

LOutlineNode* LTreeViewManager::PreviousSiblingOfItem(const LOutlineNode* item) const
{
    if (!item || !item->parent)
        return nullptr;
    const auto& siblings = item->parent->children;
    for (size_t i = 1; i < siblings.size(); ++i)
        if (siblings[i].get() == item)
            return siblings[i - 1].get();
    return nullptr;
}

void LTreeViewManager::SortRows()
{
    SortChildren(
        Root(),
        [](const LOutlineNode& a, const LOutlineNode& b) {
            return LStrCmpNatural(a.Text(0).c_str(), b.Text(0).c_str());
        },
        false);
    RequestReload();
}

void LTreeViewManager::EndEdit(LOutlineNode* item, const char* text)
{
    if (editHandler_ && item && RowOfNode(item) >= 0)
        editHandler_->OnEndEdit(treeId_, item, text ? text : "");
}

void LTreeViewManager::SetTvDragHandler(LTreeViewDragHandler* handler)
{
    dragHandler_ = handler;
    DragDropChanged();
}
