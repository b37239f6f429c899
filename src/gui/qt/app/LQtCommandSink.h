#pragma once
// How menus, toolbar items and controls hand their command to a window:
// sent to the window at once, unless a test installed a sender of its own
// to watch the commands without a window.

#include <cstdint>

class LWindow;

using LQtCommandSender = void (*)(LWindow* window, int32_t command);
void LQtSetCommandSender(LQtCommandSender sender);
// Sends the command to the window; nothing without a window.
void LQtSendCommand(LWindow* window, int32_t command);
