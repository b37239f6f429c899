#include "gui/controls/LComboBoxItems.h"

namespace {

bool IsSeparator(const LComboBoxItems::Item& item)
{
    return item.text == LComboBoxItems::kSeparatorText;
}

} // namespace

int LComboBoxItems::GetItemWithText(const std::string& text) const
{
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].text == text)
            return static_cast<int>(i);
    return -1;
}

int LComboBoxItems::AddItem(const std::string& text, int64_t data)
{
    int existing = GetItemWithText(text);
    if (existing >= 0)
        return existing;
    items_.push_back({text, data, -1, -1});
    return static_cast<int>(items_.size()) - 1;
}

int LComboBoxItems::AddItemWithImages(const std::string& text, int64_t data, int image, int selectedImage)
{
    int existing = GetItemWithText(text);
    if (existing >= 0)
        return existing;
    if (!extended_ && (image > 0 || selectedImage > 0))
        return -1;
    items_.push_back({text, data, extended_ ? image : -1, extended_ ? selectedImage : -1});
    return static_cast<int>(items_.size()) - 1;
}

int LComboBoxItems::InsertItem(const std::string& text, int position, int64_t data)
{
    int existing = GetItemWithText(text);
    if (existing >= 0)
        return existing;
    if (position < 0)
        return -1;
    if (position >= static_cast<int>(items_.size()))
        return AddItem(text, data);
    items_.insert(items_.begin() + position, Item{text, data, -1, -1});
    // Rows behind the new one moved down; the selection follows its item.
    if (selectedRow_ >= position)
        ++selectedRow_;
    else if (selectedRow_ < 0)
        selectedRow_ = position;
    return position;
}

void LComboBoxItems::AddSeparator()
{
    // Separators share one text, yet each is a row of its own.
    items_.push_back({kSeparatorText, 0, -1, -1});
}

int LComboBoxItems::PositionOfIndex(int index) const
{
    if (index < 0)
        return -1;
    int seen = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (IsSeparator(items_[i]))
            continue;
        if (seen++ == index)
            return static_cast<int>(i);
    }
    return -1;
}

int LComboBoxItems::IndexOfPosition(int position) const
{
    if (position < 0 || position >= static_cast<int>(items_.size()) ||
        IsSeparator(items_[static_cast<std::size_t>(position)]))
        return -1;
    int index = 0;
    for (int i = 0; i < position; ++i)
        if (!IsSeparator(items_[static_cast<std::size_t>(i)]))
            ++index;
    return index;
}

void LComboBoxItems::DeleteItem(int index)
{
    int position = PositionOfIndex(index);
    if (position < 0)
        return;
    items_.erase(items_.begin() + position);
    if (selectedRow_ == position)
        selectedRow_ = -1;
    else if (selectedRow_ > position)
        --selectedRow_;
}

void LComboBoxItems::DeleteAllItems()
{
    items_.clear();
    selectedRow_ = -1;
}

int LComboBoxItems::GetSelectedItem() const
{
    return IndexOfPosition(selectedRow_);
}

bool LComboBoxItems::SelectItem(int index)
{
    int position = PositionOfIndex(index);
    if (position < 0)
        return false;
    // Row and index are kept in step: the row of the item, not row `index`.
    selectedRow_ = position;
    return true;
}

bool LComboBoxItems::SelectItemWithText(const std::string& text)
{
    int position = GetItemWithText(text);
    if (position < 0)
        return false;
    selectedRow_ = position;
    return true;
}

bool LComboBoxItems::SelectRow(int position)
{
    if (IndexOfPosition(position) < 0)
        return false;
    selectedRow_ = position;
    return true;
}

std::string LComboBoxItems::GetItemText(int n, bool skipSeparators) const
{
    int position = skipSeparators ? PositionOfIndex(n) : n;
    if (position < 0 || position >= static_cast<int>(items_.size()))
        return {};
    return items_[static_cast<std::size_t>(position)].text;
}

void LComboBoxItems::SetItemData(int index, int64_t data)
{
    int position = PositionOfIndex(index);
    if (position >= 0)
        items_[static_cast<std::size_t>(position)].data = data;
}

int64_t LComboBoxItems::GetItemData(int index) const
{
    int position = PositionOfIndex(index);
    return position >= 0 ? items_[static_cast<std::size_t>(position)].data : 0;
}

int LComboBoxItems::GetItemCount() const
{
    int count = 0;
    for (const Item& item : items_)
        if (!IsSeparator(item))
            ++count;
    return count;
}

int LComboBoxItems::ConfirmText(const std::string& text)
{
    if (text.empty())
        return -1;
    return AddItem(text);
}
