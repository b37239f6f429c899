// The control API for the buttons of every kind, pull-down lists, combo
// boxes, text and up-down inputs and tab views.

#include "foundation/text/LUtf8.h"
#include "gui/controls/LUpDownRules.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtComboBoxImpl.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtInputUpDownImpl.h"
#include "gui/qt/controls/LQtKindButtonImpl.h"
#include "gui/qt/controls/LQtLineEdit.h"
#include "gui/qt/controls/LQtPullDownListImpl.h"
#include "gui/qt/controls/LQtTabViewImpl.h"

#include <QVariant>

#include <cmath>

namespace {

QWidget* Content(const LWindow* window)
{
    return LQtWidget(window->GetView());
}

template <typename T> T* Find(const LWindow* window, int id)
{
    return qobject_cast<T*>(LQtFindControl(Content(window), id));
}

// Controls wait above the view until the layout places them.
template <typename T> T* Park(LWindow* window, T* control, int id, int height)
{
    LQtSetControlId(control, id);
    LQtSetControlWindow(control, window);
    control->setGeometry(0, -300, 500, height);
    control->show();
    return control;
}

char* CopyOut(const std::string& text, char* buffer, size_t size)
{
    if (buffer != nullptr && size > 0)
        LUtf8CopyWhole(buffer, text.c_str(), size);
    return buffer;
}

LQtRadioButtonGroupImpl* RadioGroup(QWidget* content, int group)
{
    const QString name = QString("lradiogroup%1").arg(group);
    auto* existing = content->findChild<LQtRadioButtonGroupImpl*>(name, Qt::FindDirectChildrenOnly);
    if (existing)
        return existing;
    auto* created = new LQtRadioButtonGroupImpl(content);
    created->setObjectName(name);
    return created;
}

} // namespace

bool LWindow::TranslateAccelerator(LKey key, const LKeyToCommandMap* table, int count)
{
    LAcceleratorAction action = LFindAccelerator(key, table, count, IsModalRunning());
    switch (action.kind) {
    case LAcceleratorAction::kSendCommand:
        SendCommand(action.command);
        break;
    case LAcceleratorAction::kShowHelp:
        OnHelp();
        break;
    case LAcceleratorAction::kSwallowed:
    case LAcceleratorAction::kNotHandled:
        break;
    }
    return action.Handled();
}

void LWindow::AddButtonOfKind(int id, const char* text, int kind)
{
    QWidget* content = Content(this);
    if (!content)
        return;
    auto* button = new LQtKindButtonImpl(content);
    button->setText(QString::fromUtf8(text ? text : ""));
    button->SetKind(static_cast<LQtKindButtonImpl::Kind>(kind < 0 || kind > 6 ? 0 : kind));
    Park(this, button, id, 30);
    button->SetId(id);
}

void LWindow::AddRadioButton(int id, const char* text, int group)
{
    AddButtonOfKind(id, text, LQtKindButtonImpl::kRadioButton);
    if (auto* button = Find<LQtKindButtonImpl>(this, id))
        RadioGroup(Content(this), group)->AddRadioButton(button);
}

void LWindow::SetCheck(int id, bool checked)
{
    auto* button = Find<QAbstractButton>(this, id);
    if (!button)
        return;
    auto* kinded = qobject_cast<LQtKindButtonImpl*>(button);
    if (kinded && kinded->RadioGroup())
        kinded->RadioGroup()->Select(checked, kinded);
    else if (button->isCheckable())
        button->setChecked(checked);
}

bool LWindow::GetCheck(int id) const
{
    auto* button = Find<QAbstractButton>(this, id);
    return button && button->isChecked();
}

void LWindow::AddGroupBox(int id, const char* title)
{
    QWidget* content = Content(this);
    if (!content)
        return;
    auto* box = new LQtGroupImpl(QString::fromUtf8(title ? title : ""), content);
    Park(this, box, id, 60);
    box->lower();
}

void LWindow::SetGroupBoxTitle(int id, const char* title)
{
    if (auto* box = Find<LQtGroupImpl>(this, id))
        box->SetTitleText(title);
}

void LWindow::AddPullDownList(int id, int selectionChangeCommand)
{
    QWidget* content = Content(this);
    if (!content)
        return;
    auto* list = Park(this, new LQtPullDownListImpl(content), id, 30);
    list->SetSelectionChangeCommand(selectionChangeCommand);
}

void LWindow::DeleteAllPullDownItems(int id)
{
    if (auto* list = Find<LQtPullDownListImpl>(this, id))
        list->DeleteAllItems();
}

int LWindow::AddPullDownItem(int id, const char* text)
{
    auto* list = Find<LQtPullDownListImpl>(this, id);
    return list ? list->AddItem(text) : -1;
}

void LWindow::SelectPullDownItem(int id, int index)
{
    if (auto* list = Find<LQtPullDownListImpl>(this, id))
        list->SelectAt(index);
}

int LWindow::GetPullDownSelection(int id) const
{
    auto* list = Find<LQtPullDownListImpl>(this, id);
    return list ? list->Items().GetSelectedItem() : -1;
}

char* LWindow::GetPullDownItemText(int id, int index, char* buffer, size_t size) const
{
    auto* list = Find<LQtPullDownListImpl>(this, id);
    return CopyOut(list ? list->Items().GetItemTitle(index) : std::string(), buffer, size);
}

void LWindow::GetPullDownItemTextLong(int id, int index, std::string& text) const
{
    auto* list = Find<LQtPullDownListImpl>(this, id);
    text = list ? list->Items().GetItemTitle(index) : std::string();
}

void LWindow::AddComboBox(int id, bool numeric)
{
    QWidget* content = Content(this);
    if (!content)
        return;
    auto* combo = Park(this, new LQtComboBoxImpl(content), id, 30);
    combo->SetNumeric(numeric);
}

int LWindow::AddComboBoxItem(int id, const char* text)
{
    auto* combo = Find<LQtComboBoxImpl>(this, id);
    return combo ? combo->AddItem(text) : -1;
}

int LWindow::GetComboBoxSelection(int id) const
{
    auto* combo = Find<LQtComboBoxImpl>(this, id);
    return combo ? combo->GetSelectedItem() : -1;
}

char* LWindow::GetComboBoxText(int id, char* buffer, size_t size) const
{
    auto* combo = Find<LQtComboBoxImpl>(this, id);
    return CopyOut(combo ? combo->currentText().toStdString() : std::string(), buffer, size);
}

void LWindow::AddTextInput(int id, bool password)
{
    QWidget* content = Content(this);
    if (!content)
        return;
    auto* field = Park(this, new LQtLineEdit(content), id, 24);
    if (password)
        field->setEchoMode(QLineEdit::Password);
    QObject::connect(field, &QLineEdit::textEdited, field,
                     [field] { LQtSendControlCommand(field, LCommandKeyTextChange); });
}

void LWindow::SetTextChangeCommand(int id, int command)
{
    if (QWidget* control = LQtFindControl(Content(this), id))
        LQtSetControlCommand(control, LCommandKeyTextChange, command);
}

void LWindow::AddUpDown(int id, bool readOnly)
{
    QWidget* content = Content(this);
    if (!content)
        return;
    auto* upDown =
        Park(this, new LQtInputUpDownImpl(content), id, static_cast<int>(std::lround(charHeightPt_ * 1.29)));
    upDown->SetId(id);
    upDown->SetReadOnly(readOnly);
}

void LWindow::SetUpDownRange(int id, double min, double max, double step)
{
    if (auto* upDown = Find<LQtInputUpDownImpl>(this, id)) {
        upDown->SetMin(min);
        upDown->SetMax(max);
        upDown->SetStep(step);
    }
}

void LWindow::SetUpDownValue(int id, double value)
{
    if (auto* upDown = Find<LQtInputUpDownImpl>(this, id))
        upDown->SetValue(value);
}

int LWindow::GetUpDownValue(int id) const
{
    auto* upDown = Find<LQtInputUpDownImpl>(this, id);
    return upDown ? LUpDownIntegerValue(upDown->Value(), upDown->Min(), upDown->Max()) : 0;
}

void LWindow::AddTabView(int id, int selectingCommand, int selectedCommand)
{
    QWidget* content = Content(this);
    if (!content)
        return;
    auto* tabs = Park(this, new LQtTabViewImpl(content), id, 30);
    tabs->SetSelectingCommand(selectingCommand);
    tabs->SetSelectedCommand(selectedCommand);
    tabs->lower();
}

int LWindow::InsertTab(int id, int index, const char* label)
{
    auto* tabs = Find<LQtTabViewImpl>(this, id);
    return tabs ? tabs->InsertTab(label, index) : -1;
}

void LWindow::DeleteAllTabs(int id)
{
    if (auto* tabs = Find<LQtTabViewImpl>(this, id))
        while (tabs->count() > 0)
            tabs->RemoveTab(0);
}

void LWindow::SelectTabByIndex(int id, int index)
{
    if (auto* tabs = Find<LQtTabViewImpl>(this, id))
        tabs->SelectTab(index);
}

int LWindow::GetCurrentTab(int id) const
{
    auto* tabs = Find<LQtTabViewImpl>(this, id);
    return tabs ? tabs->GetCurrentTab() : 0;
}

int LWindow::GetTabCount(int id) const
{
    auto* tabs = Find<LQtTabViewImpl>(this, id);
    return tabs ? tabs->count() : 0;
}

char* LWindow::GetTabLabel(int id, int index, char* buffer, size_t size) const
{
    auto* tabs = Find<LQtTabViewImpl>(this, id);
    if (!tabs || index < 0 || index >= tabs->count())
        return CopyOut(std::string(), buffer, size);
    return CopyOut(tabs->tabText(index).toStdString(), buffer, size);
}
