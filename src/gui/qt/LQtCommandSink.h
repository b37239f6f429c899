#pragma once
// How menus and toolbar items hand their command to a window. The window
// layer installs the sender once; until then (and in tests that need no
// window) commands go wherever the installed sender says.

#include <cstdint>

class LWindow;

using LQtCommandSender = void (*)(LWindow* window, int32_t command);
void LQtSetCommandSender(LQtCommandSender sender);
// Sends the command to the window; nothing without a window or a sender.
void LQtSendCommand(LWindow* window, int32_t command);
