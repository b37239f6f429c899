#include "gui/qt/controls/LQtComboBoxImpl.h"

#include "foundation/text/LUtf8.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/controls/LQtControlCommands.h"

#include <QStandardItemModel>

LQtComboBoxImpl::LQtComboBoxImpl(QWidget* parent) : QComboBox(parent), field_(new LQtLineEdit(this))
{
    setEditable(true);
    setLineEdit(field_);
    // The list is ours: the combo box must not add typed texts by itself.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(this, &QComboBox::activated, this, &LQtComboBoxImpl::RowPicked);
    connect(field_, &LQtLineEdit::EditingEnded, this, &LQtComboBoxImpl::Confirmed);
    connect(field_, &QLineEdit::textEdited, this,
            [this] { LQtSendControlCommand(this, LCommandKeyTextChange); });
}

void LQtComboBoxImpl::Sync()
{
    syncing_ = true;
    const QString text = field_->text();
    clear();
    for (const auto& item : items_.Items()) {
        if (item.text == LComboBoxItems::kSeparatorText)
            insertSeparator(count());
        else
            addItem(QString::fromStdString(item.text));
    }
    setCurrentIndex(items_.SelectedRow());
    if (items_.SelectedRow() < 0)
        field_->setText(text);
    syncing_ = false;
}

void LQtComboBoxImpl::RowPicked(int row)
{
    if (syncing_ || !items_.SelectRow(row))
        return;
    Sync();
    field_->setText(QString::fromStdString(items_.GetItemText(row, false)));
    if (selectionChangeCommand_ != -1)
        LQtSendCommand(LQtControlWindow(this), selectionChangeCommand_);
}

void LQtComboBoxImpl::Confirmed()
{
    LQtSendControlCommand(this, LCommandKeyKillFocus);
    const std::string text = field_->text().toStdString();
    if (items_.ConfirmText(text) >= 0 && count() != static_cast<int>(items_.Items().size()))
        Sync();
}

void LQtComboBoxImpl::showPopup()
{
    if (dropdownCommand_ != -1)
        LQtSendCommand(LQtControlWindow(this), dropdownCommand_);
    QComboBox::showPopup();
}

int LQtComboBoxImpl::AddItem(const char* text, int64_t data)
{
    int position = items_.AddItem(text ? text : "", data);
    Sync();
    return position;
}

int LQtComboBoxImpl::InsertItem(const char* text, int position, int64_t data)
{
    int result = items_.InsertItem(text ? text : "", position, data);
    Sync();
    if (result >= 0 && items_.SelectedRow() == result)
        field_->setText(QString::fromStdString(items_.GetItemText(result, false)));
    return result;
}

void LQtComboBoxImpl::AddSeparator()
{
    items_.AddSeparator();
    Sync();
}

void LQtComboBoxImpl::DeleteItem(int index)
{
    items_.DeleteItem(index);
    Sync();
}

void LQtComboBoxImpl::DeleteAllItems()
{
    items_.DeleteAllItems();
    Sync();
}

void LQtComboBoxImpl::SelectItem(int index)
{
    if (!items_.SelectItem(index))
        return;
    Sync();
    field_->setText(QString::fromStdString(items_.GetItemText(index, true)));
}

void LQtComboBoxImpl::SelectItemWithText(const char* text)
{
    if (!items_.SelectItemWithText(text ? text : ""))
        return;
    Sync();
    field_->setText(QString::fromUtf8(text));
}

void LQtComboBoxImpl::GetCurrentText(char* text) const
{
    LUtf8CopyWhole(text, field_->text().toUtf8().constData(), 260);
}

void LQtComboBoxImpl::SetCurrentText(const char* text)
{
    field_->setText(QString::fromUtf8(text ? text : ""));
}

void LQtComboBoxImpl::GetItemText(int n, bool skipSeparators, char* text) const
{
    LUtf8CopyWhole(text, items_.GetItemText(n, skipSeparators).c_str(), 260);
}

void LQtComboBoxImpl::PasteTextOverSelection(const char* text)
{
    const QString pasted = QString::fromUtf8(text ? text : "");
    QString current = field_->text();
    int start = field_->hasSelectedText() ? field_->selectionStart() : field_->cursorPosition();
    int length = field_->hasSelectedText() ? field_->selectedText().size() : 0;
    current.replace(start, length, pasted);
    field_->setText(current);
    field_->setSelection(start, static_cast<int>(pasted.size()));
}

void LQtComboBoxImpl::SelectText(int from, int to)
{
    field_->setSelection(from, to - from + 1);
}
