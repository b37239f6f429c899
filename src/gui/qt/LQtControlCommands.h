#pragma once
// Commands a control sends to its window, kept with the control under a
// command key ("up", "down", "paste", ...). A control without a command for
// a key sends nothing for it.

#include <QWidget>

#include <cstdint>

class LWindow;

namespace LQtCommandKey {
inline constexpr const char* kUp = "up";
inline constexpr const char* kDown = "down";
inline constexpr const char* kPaste = "paste";
inline constexpr const char* kSetFocus = "setfocus";
inline constexpr const char* kKillFocus = "killfocus";
inline constexpr const char* kEditClick = "editclick";
inline constexpr const char* kTextChange = "textchange";
inline constexpr const char* kMenuOpen = "menuopen";
inline constexpr const char* kMenuClose = "menuclose";
} // namespace LQtCommandKey

// The control's id ("ltag"), -1 when none.
int32_t LQtControlId(const QWidget* control);
void LQtSetControlId(QWidget* control, int32_t id);
// The window a control reports to ("window").
void LQtSetControlWindow(QWidget* control, LWindow* window);
LWindow* LQtControlWindow(const QWidget* control);

void LQtSetControlCommand(QWidget* control, const char* key, int32_t command);
// -1 when none is set.
int32_t LQtControlCommand(const QWidget* control, const char* key);
// Sends the command stored under the key, when there is one.
void LQtSendControlCommand(QWidget* control, const char* key);
