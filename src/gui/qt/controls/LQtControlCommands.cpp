#include "gui/qt/controls/LQtControlCommands.h"

#include "gui/framework/LView.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/app/LQtCommandSink.h"

void LQtSetControlWindow(QWidget* control, LWindow* window)
{
    LAssociatedData::SetData(reinterpret_cast<uintptr_t>(window), LQtHandle(control),
                             LAssociatedData::kWindowKey);
}

LWindow* LQtControlWindow(const QWidget* control)
{
    for (const QWidget* widget = control; widget; widget = widget->parentWidget()) {
        uintptr_t window =
            LAssociatedData::GetData(LQtHandle(const_cast<QWidget*>(widget)), LAssociatedData::kWindowKey);
        if (window != 0)
            return reinterpret_cast<LWindow*>(window);
    }
    return nullptr;
}

void LQtSetControlCommand(QWidget* control, LCommandKey key, int32_t command)
{
    LSetCommandId(LQtHandle(control), command, key);
}

int32_t LQtControlCommand(const QWidget* control, LCommandKey key)
{
    return LGetCommandId(LQtHandle(const_cast<QWidget*>(control)), key);
}

void LQtSendControlCommand(QWidget* control, LCommandKey key)
{
    int32_t command = LQtControlCommand(control, key);
    if (command != -1)
        LQtSendCommand(LQtControlWindow(control), command);
}
