// The remaining control-API calls on pull-down lists and combo boxes.

#include "foundation/text/LUtf8.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtComboBoxImpl.h"
#include "gui/qt/controls/LQtLineEdit.h"
#include "gui/qt/controls/LQtPullDownListImpl.h"

#include <string>

namespace {

template <typename T> T* Find(const LWindow* window, int id)
{
    return qobject_cast<T*>(LQtFindControl(LQtWidget(window->GetView()), id));
}

} // namespace

void LWindow::AddPullDownItems(int id, const char* const* texts)
{
    for (; texts != nullptr && *texts != nullptr; ++texts)
        AddPullDownItem(id, *texts);
}

void LWindow::DeletePullDownItem(int id, int index)
{
    if (auto* list = Find<LQtPullDownListImpl>(this, id))
        list->DeleteItem(index);
}

int LWindow::GetPullDownItemCount(int id) const
{
    auto* list = Find<LQtPullDownListImpl>(this, id);
    return list != nullptr ? list->Items().GetItemCount() : -1;
}

void LWindow::SetPullDownItemData(int id, int index, int64_t data)
{
    if (auto* list = Find<LQtPullDownListImpl>(this, id))
        list->Items().SetItemData(index, data);
}

int64_t LWindow::GetPullDownItemData(int id, int index) const
{
    auto* list = Find<LQtPullDownListImpl>(this, id);
    return list != nullptr ? list->Items().GetItemData(index) : 0;
}

char* LWindow::GetPullDownSelectedText(int id, char* buffer, size_t size) const
{
    return GetPullDownItemText(id, GetPullDownSelection(id), buffer, size);
}

void LWindow::SelectPullDownText(int id, const char* title)
{
    if (auto* list = Find<LQtPullDownListImpl>(this, id))
        list->SelectWithTitle(title != nullptr ? title : "");
}

void LWindow::SetPullDownCommand(int id, int command)
{
    if (auto* list = Find<LQtPullDownListImpl>(this, id))
        list->SetSelectionChangeCommand(command);
}

void LWindow::SetComboBoxText(int id, const char* text)
{
    auto* combo = Find<LQtComboBoxImpl>(this, id);
    if (combo == nullptr)
        return;
    const QString wanted = QString::fromUtf8(text != nullptr ? text : "");
    if (combo->Field()->text() == wanted)
        return;
    combo->SetCurrentText(text);
    combo->SelectItemWithText(text);
}

int LWindow::FindComboBoxItem(int id, const char* text) const
{
    auto* combo = Find<LQtComboBoxImpl>(this, id);
    if (combo == nullptr)
        return -1;
    const int position = combo->Items().GetItemWithText(text != nullptr ? text : "");
    return position < 0 ? -1 : combo->Items().IndexOfPosition(position);
}

void LWindow::SelectComboBoxItem(int id, int index)
{
    if (auto* combo = Find<LQtComboBoxImpl>(this, id))
        combo->SelectItem(index);
}

void LWindow::SelectComboBoxText(int id, const char* text)
{
    if (auto* combo = Find<LQtComboBoxImpl>(this, id))
        combo->SelectItemWithText(text);
}
