#pragma once
// The key tables of the program's windows: the main window's, the
// recording session's and the playback window's. A window looks a key up in its table before the
// framework's built-in keys, so an entry here overrides those (Ctrl+W closes
// the main window to the background instead of cancelling it).

#include "gui/framework/LKey.h"

inline constexpr int kMainAcceleratorCount = 19;
inline constexpr int kRecordingAcceleratorCount = 8;
inline constexpr int kPlayAcceleratorCount = 11;

extern const LKeyToCommandMap LMainAcceleratorTable[kMainAcceleratorCount];
extern const LKeyToCommandMap LRecordingAcceleratorTable[kRecordingAcceleratorCount];
extern const LKeyToCommandMap LPlayAcceleratorTable[kPlayAcceleratorCount];
