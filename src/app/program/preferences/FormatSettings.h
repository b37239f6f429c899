#pragma once
// "Format Settings..." of the preference windows: the WAV format dialog or
// the MP3 encoder options for the chosen post-recording action, and the
// check that the MP3 encoder is there before an MP3 action is accepted.

#include "gui/framework/LView.h"

// Opens the format dialog of the action over parent; true when the user
// confirmed it (the choice is stored then).
bool RunFormatSettings(LViewHandle parent, int action);

// True when the MP3 encoder loads. Otherwise the user is told which package
// provides it, and false keeps the window open.
bool EnsureMp3EncoderInstalled(LViewHandle parent);

// Tests replace the probe; null restores the real one.
void SetMp3EncoderProbeForTesting(bool (*probe)());
