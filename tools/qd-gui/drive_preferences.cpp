// "Quorin Preferences" and "Output Format" as the main window and the
// recording session open them, with the environment's settings and sound
// inputs. The step show:ID prints what a control shows now
// ("shown: ID=TEXT"; check boxes as 0 or 1), so that a run can tell what a
// window was filled with.
#include "QdGuiDrive.h"

#include "app/program/preferences/OutputFormatPage.h"
#include "app/program/preferences/PreferencesSheet.h"
#include "gui/controls/LDBEdit.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtInputUpDownImpl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <cstdlib>
#include <string>

namespace {

QWidget* FindAnywhere(QWidget* window, int id)
{
    QWidget* found = nullptr;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (LQtControlId(widget) != id)
            continue;
        if (found == nullptr || (!found->isVisible() && widget->isVisible()))
            found = widget;
    }
    return found;
}

bool Show(LWindow* top, const std::string& value, std::string* error)
{
    char* end = nullptr;
    const long id = std::strtol(value.c_str(), &end, 10);
    QWidget* window = top != nullptr ? LQtWidget(top->GetView()) : nullptr;
    QWidget* widget = window != nullptr && end != value.c_str()
                          ? FindAnywhere(window->window(), static_cast<int>(id))
                          : nullptr;
    if (widget == nullptr) {
        *error = "no control " + value;
        return false;
    }
    std::string text;
    if (auto* upDown = qobject_cast<LQtInputUpDownImpl*>(widget))
        text = upDown->TextField()->text().toStdString();
    else if (auto* line = qobject_cast<QLineEdit*>(widget))
        text = line->text().toStdString();
    else if (auto* combo = qobject_cast<QComboBox*>(widget))
        text = combo->currentText().toStdString();
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        text = button->isCheckable() ? (button->isChecked() ? "1" : "0") : button->text().toStdString();
    else if (auto* label = qobject_cast<QLabel*>(widget))
        text = label->text().toStdString();
    else if (LDBEdit* slider = LDBEdit::FromView(LQtHandle(widget)))
        text = std::to_string(slider->GetValue());
    else {
        *error = "control " + value + " shows no value";
        return false;
    }
    for (char& c : text)
        if (c == '\n')
            c = '|';
    QdGuiDrive::Print("shown: " + value + "=" + text);
    return true;
}

// Bubble tips show only on the active window: steps wait until the sheet is.
bool SheetActive()
{
    QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal->isVisible() && modal->isActiveWindow();
}

bool OpenPreferences(QdGuiDrive& drive)
{
    int startPage = 0;
    if (drive.args.size() > 1)
        return false;
    if (drive.args.size() == 1) {
        if (drive.args[0] == "audio")
            startPage = 1;
        else if (drive.args[0] != "general")
            return false;
    }
    drive.steps["show"] = Show;
    drive.ready = SheetActive;
    bool folderChanged = false;
    drive.Finished(PreferencesSheet::Run(nullptr, &folderChanged, startPage));
    if (folderChanged)
        QdGuiDrive::Print("reload: the main window's list");
    return true;
}

bool OpenOutputFormat(QdGuiDrive& drive)
{
    if (!drive.args.empty())
        return false;
    drive.steps["show"] = Show;
    drive.ready = SheetActive;
    drive.Finished(RunOutputFormatDialog(nullptr));
    return true;
}

} // namespace

QD_GUI_DRIVABLE("preferences", "[general|audio]", OpenPreferences);
QD_GUI_DRIVABLE("output-format", "", OpenOutputFormat);
