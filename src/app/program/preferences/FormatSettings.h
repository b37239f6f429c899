#pragma once
// "Format Settings..." of the preference windows: the WAV format dialog or
// the MP3 encoder options for the chosen post-recording action. The check
// that the MP3 encoder is there is EnsureMp3EncoderInstalled.

#include "app/program/encoders/Mp3EncoderOnDemand.h"
#include "gui/framework/LView.h"

// Opens the format dialog of the action over parent; true when the user
// confirmed it (the choice is stored then).
bool RunFormatSettings(LViewHandle parent, int action);
