#pragma once
// The items of a pull-down list, addressed the way dialogs address them: by
// a zero-based index that skips separators, each with a 64-bit data value.
// The menu keeps a hidden title item first (the button's face in the menu
// form), which no index ever names. The toolkit's list only shows what this
// model holds, so the index rules do not depend on how the toolkit numbers
// its rows.

#include "gui/framework/LKey.h"

#include <cstdint>
#include <string>
#include <vector>

class LPullDownItems
{
public:
    struct MenuItem
    {
        std::string title;
        int tag = -1;      // the item's index; -1 for the title item and separators
        int64_t data = -1; // -1 until set
        bool separator = false;
        bool enabled = true;
        bool checked = false;
        LKey key;         // key equivalent, 0 for none
        std::string font; // font family for the title, "" for the list's own
        uint64_t uid = 0; // identity that survives renumbering
    };

    // Appends an item; the first item added to an empty list becomes the
    // choice. Returns its index.
    int AddItem(const std::string& text);
    int AddItemWithData(const std::string& text, int64_t data);
    int AddItemWithFont(const std::string& text, const std::string& font);
    // Inserts before the item at `index` (the chosen item stays chosen);
    // appends when no item has that index. Returns the new item's index.
    int InsertItem(const std::string& text, int index);
    void AddSeparator();
    // A separator right behind the item at `index`; nothing for a missing index.
    void InsertSeparator(int index);
    // Removes the item at `index`; when it was chosen, the item before it
    // (or the new first one) is chosen. Nothing for a missing index.
    void DeleteItem(int index);
    // Back to the empty list: the next added item is chosen again.
    void DeleteAllItems();

    int FindItem(const std::string& text) const;
    int FindItemWithData(int64_t data) const;
    void SetItemData(int index, int64_t data);
    int64_t GetItemData(int index) const;      // 0 for a missing index
    std::string GetItemTitle(int index) const; // "" for a missing index
    void SetItemKey(int index, LKey key);
    LKey GetItemKey(int index) const;

    // -1 chooses nothing.
    void Select(int index);
    // The first item with that title, else the first item.
    void SelectWithTitle(const std::string& text);
    int GetSelectedItem() const;
    std::string GetSelectedItemTitle() const;
    int GetItemCount() const;

    void EnableItem(int index, bool enable);
    // Every menu item, the title item and separators included.
    void EnableAllItems(bool enable);
    bool IsItemEnabled(int index) const;

    // The text the closed list shows: the chosen item's title (kept when
    // nothing is chosen).
    const std::string& ButtonTitle() const { return buttonTitle_; }
    const std::vector<MenuItem>& MenuItems() const { return items_; }
    // The menu position of the chosen item, or -1.
    int ChosenPosition() const;
    // Chooses by menu position (the toolkit's pick); false for the title
    // item, separators and missing positions.
    bool ChooseAtPosition(int position);

private:
    int PositionOfIndex(int index) const; // first menu item with that tag, -1
    void EnsureTitleItem();
    MenuItem MakeItem(const std::string& text);
    void Choose(int position);
    void Renumber();

    std::vector<MenuItem> items_;
    uint64_t chosen_ = 0; // uid of the chosen item, 0 for none
    uint64_t nextUid_ = 1;
    std::string buttonTitle_;
};
