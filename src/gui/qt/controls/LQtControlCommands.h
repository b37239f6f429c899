#pragma once
// Commands a control sends to its window, kept with the control under the
// command keys of LCommandKeys. Unlike the framework's own send, a slot that
// was never set sends nothing here: these controls report many events, and
// most dialogs listen to few of them.

#include "gui/controls/LCommandKeys.h"

#include <QWidget>

#include <cstdint>

class LWindow;

// The window a control reports to: the window association of the control
// or of its nearest ancestor that has one.
void LQtSetControlWindow(QWidget* control, LWindow* window);
LWindow* LQtControlWindow(const QWidget* control);

void LQtSetControlCommand(QWidget* control, LCommandKey key, int32_t command);
// -1 when none is set.
int32_t LQtControlCommand(const QWidget* control, LCommandKey key);
// Sends the command stored under the key, when there is one.
void LQtSendControlCommand(QWidget* control, LCommandKey key);
