#include "gui/qt/controls/LQtPullDownListImpl.h"

#include "foundation/text/LUtf8.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/menus/LQtMenuImpl.h"

#include <QStandardItemModel>

namespace {
// Combo rows are menu positions less one: the title item is never a row.
constexpr int kRowOffset = 1;
} // namespace

LQtPullDownListImpl::LQtPullDownListImpl(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, &LQtPullDownListImpl::Picked);
}

void LQtPullDownListImpl::Sync()
{
    syncing_ = true;
    clear();
    const auto& menu = items_.MenuItems();
    auto* model = qobject_cast<QStandardItemModel*>(this->model());
    for (std::size_t position = kRowOffset; position < menu.size(); ++position) {
        const auto& item = menu[position];
        if (item.separator) {
            insertSeparator(count());
        } else {
            QString title = QString::fromStdString(item.title);
            QKeySequence shortcut = LQtMenuImpl::KeySequenceFor(item.key);
            if (!shortcut.isEmpty())
                title += "\t" + shortcut.toString(QKeySequence::NativeText);
            addItem(title);
            if (!item.font.empty())
                setItemData(count() - 1, QFont(QString::fromStdString(item.font), font().pointSize()),
                            Qt::FontRole);
        }
        if (model)
            if (QStandardItem* row = model->item(count() - 1))
                row->setEnabled(item.enabled);
    }
    // With nothing chosen the face keeps the last title it showed.
    setPlaceholderText(QString::fromStdString(items_.ButtonTitle()));
    const int chosen = items_.ChosenPosition();
    setCurrentIndex(chosen >= kRowOffset ? chosen - kRowOffset : -1);
    syncing_ = false;
}

void LQtPullDownListImpl::Picked(int row)
{
    if (syncing_ || row < 0)
        return;
    if (!items_.ChooseAtPosition(row + kRowOffset))
        return;
    Sync();
    if (selectionChangeCommand_ != -1)
        LQtSendCommand(LQtControlWindow(this), selectionChangeCommand_);
}

void LQtPullDownListImpl::showPopup()
{
    LQtSendControlCommand(this, LCommandKeyMenuOpen);
    menuOpen_ = true;
    QComboBox::showPopup();
}

void LQtPullDownListImpl::hidePopup()
{
    QComboBox::hidePopup();
    if (!menuOpen_)
        return;
    menuOpen_ = false;
    LQtSendControlCommand(this, LCommandKeyMenuClose);
}

int LQtPullDownListImpl::AddItem(const char* text)
{
    int index = items_.AddItem(text ? text : "");
    Sync();
    return index;
}

int LQtPullDownListImpl::AddItemWithData(const char* text, int64_t data)
{
    int index = items_.AddItemWithData(text ? text : "", data);
    Sync();
    return index;
}

int LQtPullDownListImpl::InsertItem(const char* text, int index)
{
    int result = items_.InsertItem(text ? text : "", index);
    Sync();
    return result;
}

void LQtPullDownListImpl::AddItemSeparator()
{
    items_.AddSeparator();
    Sync();
}

void LQtPullDownListImpl::InsertItemSeparator(int index)
{
    items_.InsertSeparator(index);
    Sync();
}

void LQtPullDownListImpl::DeleteItem(int index)
{
    items_.DeleteItem(index);
    Sync();
}

void LQtPullDownListImpl::DeleteAllItems()
{
    items_.DeleteAllItems();
    Sync();
}

void LQtPullDownListImpl::SelectAt(int index)
{
    items_.Select(index);
    Sync();
}

void LQtPullDownListImpl::SelectWithTitle(const char* text)
{
    items_.SelectWithTitle(text ? text : "");
    Sync();
}

void LQtPullDownListImpl::EnableItem(int index, bool enable)
{
    items_.EnableItem(index, enable);
    Sync();
}

void LQtPullDownListImpl::EnableAllItems(bool enable)
{
    items_.EnableAllItems(enable);
    Sync();
}

void LQtPullDownListImpl::SetItemKey(int index, LKey key)
{
    items_.SetItemKey(index, key);
    Sync();
}

void LQtPullDownListImpl::GetItemTitle(int index, char* title) const
{
    LUtf8CopyWhole(title, items_.GetItemTitle(index).c_str(), 260);
}
