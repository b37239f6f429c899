#pragma once
// An editable combo box over an LComboBoxItems list. Texts the user types
// and confirms join the list; dropping the list down and changing the
// selection send their commands.

#include "gui/controls/LComboBoxItems.h"
#include "gui/qt/controls/LQtLineEdit.h"

#include <QComboBox>

#include <cstdint>

class LQtComboBoxImpl : public QComboBox
{
    Q_OBJECT
public:
    explicit LQtComboBoxImpl(QWidget* parent = nullptr);

    LComboBoxItems& Items() { return items_; }
    void Sync();

    void SetDropdownCommand(int32_t command) { dropdownCommand_ = command; }
    void SetSelectionChangeCommand(int32_t command) { selectionChangeCommand_ = command; }
    void SetNumeric(bool numeric) { field_->SetDigitsOnly(numeric); }
    void SetPrompt(const char* prompt) { field_->SetPrompt(QString::fromUtf8(prompt ? prompt : "")); }
    LQtLineEdit* Field() const { return field_; }

    int AddItem(const char* text, int64_t data = 0);
    int InsertItem(const char* text, int position, int64_t data = 0);
    void AddSeparator();
    void DeleteItem(int index);
    void DeleteAllItems();
    void SelectItem(int index);
    void SelectItemWithText(const char* text);
    int GetSelectedItem() const { return items_.GetSelectedItem(); }
    // Into 260-byte buffers, cut between characters.
    void GetCurrentText(char* text) const;
    void SetCurrentText(const char* text);
    void GetItemText(int n, bool skipSeparators, char* text) const;
    // Replaces the field's selection by the text and selects what was pasted.
    void PasteTextOverSelection(const char* text);
    // Selects characters from..to, inclusive.
    void SelectText(int from, int to);

    void showPopup() override;

private:
    void RowPicked(int row);
    void Confirmed();

    LComboBoxItems items_;
    LQtLineEdit* field_;
    int32_t dropdownCommand_ = -1;
    int32_t selectionChangeCommand_ = -1;
    bool syncing_ = false;
};
