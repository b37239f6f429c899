#include "gui/qt/app/LQtCommandSink.h"

#include "gui/framework/LCommandRouting.h"

namespace {
LQtCommandSender g_sender = nullptr;
}

void LQtSetCommandSender(LQtCommandSender sender)
{
    g_sender = sender;
}

void LQtSendCommand(LWindow* window, int32_t command)
{
    if (!window)
        return;
    if (g_sender)
        g_sender(window, command);
    else
        LSendCommandToWindow(command, window);
}
