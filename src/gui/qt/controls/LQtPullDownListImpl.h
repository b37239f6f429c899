#pragma once
// A pull-down list: a read-only combo box that shows the items of an
// LPullDownItems model. The model numbers the items; the combo box only
// shows them. Opening and closing the list send the menu-open and
// menu-close commands; a pick sends the selection-change command.

#include "gui/controls/LPullDownItems.h"

#include <QComboBox>

#include <cstdint>

class LQtPullDownListImpl : public QComboBox
{
    Q_OBJECT
public:
    explicit LQtPullDownListImpl(QWidget* parent = nullptr);

    LPullDownItems& Items() { return items_; }
    const LPullDownItems& Items() const { return items_; }
    // Shows the model again after a change made through Items().
    void Sync();

    void SetSelectionChangeCommand(int32_t command) { selectionChangeCommand_ = command; }
    int32_t SelectionChangeCommand() const { return selectionChangeCommand_; }
    bool IsMenuOpen() const { return menuOpen_; }

    // The model's calls, each shown at once.
    int AddItem(const char* text);
    int AddItemWithData(const char* text, int64_t data);
    int InsertItem(const char* text, int index);
    void AddItemSeparator();
    void InsertItemSeparator(int index);
    void DeleteItem(int index);
    void DeleteAllItems();
    void SelectAt(int index);
    void SelectWithTitle(const char* text);
    void EnableItem(int index, bool enable);
    void EnableAllItems(bool enable);
    void SetItemKey(int index, LKey key);
    // Title into a 260-byte buffer, cut between characters.
    void GetItemTitle(int index, char* title) const;

    void showPopup() override;
    void hidePopup() override;

private:
    void Picked(int row);

    LPullDownItems items_;
    int32_t selectionChangeCommand_ = -1;
    bool menuOpen_ = false;
    bool syncing_ = false;
};
