#pragma once
// The list of an editable combo box. Texts in the list are unique: adding a
// text that is there already answers its position. Separators are items
// with a fixed text; a *position* counts every item (the row in the drop-down
// list), an *index* skips separators. The toolkit's combo box shows what this
// model holds.

#include <cstdint>
#include <string>
#include <vector>

class LComboBoxItems
{
public:
    static constexpr const char* kSeparatorText = "------------------------------";

    struct Item
    {
        std::string text;
        int64_t data = 0;
        int image = -1; // image-list position, -1 for none
        int selectedImage = -1;
    };

    // Returns the position of the new or existing item.
    int AddItem(const std::string& text, int64_t data = 0);
    // -1 when images are asked for in a box that is not extended.
    int AddItemWithImages(const std::string& text, int64_t data, int image, int selectedImage);
    // At `position` (past the end appends); -1 for a negative position.
    int InsertItem(const std::string& text, int position, int64_t data = 0);
    void AddSeparator();
    void DeleteItem(int index);
    void DeleteAllItems();

    // The index of the selected item, -1 for none (or a separator row).
    int GetSelectedItem() const;
    // Selects the item at `index` (separators skipped); nothing for a missing one.
    bool SelectItem(int index);
    bool SelectItemWithText(const std::string& text);
    // Selects the row the user picked in the drop-down list.
    bool SelectRow(int position);
    void ClearSelection() { selectedRow_ = -1; }
    int SelectedRow() const { return selectedRow_; }

    // The text of the n-th item (skipping separators) or at position n; ""
    // when there is none.
    std::string GetItemText(int n, bool skipSeparators) const;
    void SetItemData(int index, int64_t data);
    int64_t GetItemData(int index) const;               // 0 for a missing item
    int GetItemWithText(const std::string& text) const; // position or -1
    int GetItemCount() const;                           // separators not counted
    int PositionOfIndex(int index) const;               // -1 when there is no such item
    int IndexOfPosition(int position) const;            // -1 for separators and missing rows

    // The text typed and confirmed by the user joins the list (an empty
    // text does not). Returns the item's position or -1.
    int ConfirmText(const std::string& text);

    bool IsExtended() const { return extended_; }
    void SetExtended(bool extended) { extended_ = extended; }
    const std::vector<Item>& Items() const { return items_; }

private:
    std::vector<Item> items_;
    int selectedRow_ = -1;
    bool extended_ = false;
};
