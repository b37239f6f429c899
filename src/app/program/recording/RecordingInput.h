#pragma once
// The sound input the user chose in the settings, checked against the
// devices present (the default input when it is gone), with the stored
// recording volume applied to it. Shared by the session, the noise
// measurement and the preferences so that all listen to the same input at
// the same level.

#include "audio/devices/LSoundInputDevices.h"

// "Recording"/"Volume" when nothing is stored: the input as it comes.
inline constexpr int kDefaultRecordingVolumeDb = 0;

// The stored recording volume in dB, -127 to 127.
int StoredRecordingVolume();

LSoundInputSelection LSelectRecordingInput();
