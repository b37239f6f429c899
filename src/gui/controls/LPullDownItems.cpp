#include "gui/controls/LPullDownItems.h"

int LPullDownItems::PositionOfIndex(int index) const
{
    if (index < 0)
        return -1;
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (!items_[i].separator && items_[i].tag == index)
            return static_cast<int>(i);
    return -1;
}

int LPullDownItems::ChosenPosition() const
{
    if (chosen_ == 0)
        return -1;
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].uid == chosen_)
            return static_cast<int>(i);
    return -1;
}

void LPullDownItems::EnsureTitleItem()
{
    if (!items_.empty())
        return;
    MenuItem title;
    title.uid = nextUid_++;
    items_.push_back(title);
}

LPullDownItems::MenuItem LPullDownItems::MakeItem(const std::string& text)
{
    MenuItem item;
    item.title = text;
    item.uid = nextUid_++;
    return item;
}

void LPullDownItems::Choose(int position)
{
    int old = ChosenPosition();
    if (old >= 0)
        items_[static_cast<std::size_t>(old)].checked = false;
    if (position < 0) {
        chosen_ = 0;
        return;
    }
    MenuItem& item = items_[static_cast<std::size_t>(position)];
    chosen_ = item.uid;
    item.checked = true;
    buttonTitle_ = item.title;
}

void LPullDownItems::Renumber()
{
    int next = 0;
    for (std::size_t i = 1; i < items_.size(); ++i)
        if (!items_[i].separator)
            items_[i].tag = next++;
}

int LPullDownItems::AddItem(const std::string& text)
{
    const bool wasEmpty = GetItemCount() == 0;
    EnsureTitleItem();
    MenuItem item = MakeItem(text);
    item.tag = GetItemCount();
    items_.push_back(item);
    if (wasEmpty)
        Choose(static_cast<int>(items_.size()) - 1);
    return items_.back().tag;
}

int LPullDownItems::AddItemWithData(const std::string& text, int64_t data)
{
    int index = AddItem(text);
    SetItemData(index, data);
    return index;
}

int LPullDownItems::AddItemWithFont(const std::string& text, const std::string& font)
{
    int index = AddItem(text);
    items_[static_cast<std::size_t>(PositionOfIndex(index))].font = font;
    return index;
}

int LPullDownItems::InsertItem(const std::string& text, int index)
{
    int position = PositionOfIndex(index);
    if (position < 1)
        return AddItem(text);
    items_.insert(items_.begin() + position, MakeItem(text));
    Renumber();
    return index;
}

void LPullDownItems::AddSeparator()
{
    EnsureTitleItem();
    MenuItem separator;
    separator.separator = true;
    separator.uid = nextUid_++;
    items_.push_back(separator);
}

void LPullDownItems::InsertSeparator(int index)
{
    int position = PositionOfIndex(index);
    if (position < 1)
        return;
    MenuItem separator;
    separator.separator = true;
    separator.uid = nextUid_++;
    items_.insert(items_.begin() + position + 1, separator);
}

void LPullDownItems::DeleteItem(int index)
{
    int position = PositionOfIndex(index);
    if (position < 1)
        return;
    const bool wasChosen = items_[static_cast<std::size_t>(position)].uid == chosen_;
    items_.erase(items_.begin() + position);
    Renumber();
    if (wasChosen)
        chosen_ = 0;
    if (items_.size() >= 2 && chosen_ == 0) {
        int fallback = index > 0 ? index - 1 : 0;
        int at = PositionOfIndex(fallback);
        if (at < 0)
            at = PositionOfIndex(0);
        if (at >= 1)
            Choose(at);
    }
}

void LPullDownItems::DeleteAllItems()
{
    items_.clear();
    chosen_ = 0;
}

int LPullDownItems::FindItem(const std::string& text) const
{
    for (const MenuItem& item : items_)
        if (!item.separator && item.tag != -1 && item.title == text)
            return item.tag;
    return -1;
}

int LPullDownItems::FindItemWithData(int64_t data) const
{
    for (const MenuItem& item : items_)
        if (!item.separator && item.data == data)
            return item.tag;
    return -1;
}

void LPullDownItems::SetItemData(int index, int64_t data)
{
    int position = PositionOfIndex(index);
    if (position >= 1)
        items_[static_cast<std::size_t>(position)].data = data;
}

int64_t LPullDownItems::GetItemData(int index) const
{
    int position = PositionOfIndex(index);
    return position >= 1 ? items_[static_cast<std::size_t>(position)].data : 0;
}

std::string LPullDownItems::GetItemTitle(int index) const
{
    int position = PositionOfIndex(index);
    return position >= 1 ? items_[static_cast<std::size_t>(position)].title : std::string();
}

void LPullDownItems::SetItemKey(int index, LKey key)
{
    int position = PositionOfIndex(index);
    if (position >= 1)
        items_[static_cast<std::size_t>(position)].key = key;
}

LKey LPullDownItems::GetItemKey(int index) const
{
    int position = PositionOfIndex(index);
    return position >= 1 ? items_[static_cast<std::size_t>(position)].key : LKey{};
}

void LPullDownItems::Select(int index)
{
    if (index == -1) {
        Choose(-1);
        return;
    }
    int position = PositionOfIndex(index);
    if (position < 1)
        return;
    Choose(position);
}

void LPullDownItems::SelectWithTitle(const std::string& text)
{
    int index = FindItem(text);
    int position = PositionOfIndex(index >= 0 ? index : 0);
    if (position >= 1)
        Choose(position);
}

int LPullDownItems::GetSelectedItem() const
{
    int position = ChosenPosition();
    return position >= 0 ? items_[static_cast<std::size_t>(position)].tag : -1;
}

std::string LPullDownItems::GetSelectedItemTitle() const
{
    int position = ChosenPosition();
    return position >= 0 ? items_[static_cast<std::size_t>(position)].title : std::string();
}

int LPullDownItems::GetItemCount() const
{
    if (items_.size() < 2)
        return 0;
    int count = 0;
    for (std::size_t i = 1; i < items_.size(); ++i)
        if (!items_[i].separator)
            ++count;
    return count;
}

void LPullDownItems::EnableItem(int index, bool enable)
{
    int position = PositionOfIndex(index);
    if (position >= 1)
        items_[static_cast<std::size_t>(position)].enabled = enable;
}

void LPullDownItems::EnableAllItems(bool enable)
{
    for (MenuItem& item : items_)
        item.enabled = enable;
}

bool LPullDownItems::IsItemEnabled(int index) const
{
    int position = PositionOfIndex(index);
    return position >= 1 && items_[static_cast<std::size_t>(position)].enabled;
}

bool LPullDownItems::ChooseAtPosition(int position)
{
    if (position < 1 || position >= static_cast<int>(items_.size()) ||
        items_[static_cast<std::size_t>(position)].separator)
        return false;
    Choose(position);
    return true;
}
