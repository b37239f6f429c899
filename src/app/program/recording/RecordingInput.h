#pragma once
// The sound input the user chose in the settings, checked against the
// devices present (the default input when it is gone), with the stored
// recording volume applied to it. Shared by the session and the noise
// measurement so that both listen to the same input at the same level.

#include "audio/devices/LSoundInputDevices.h"

LSoundInputSelection LSelectRecordingInput();
