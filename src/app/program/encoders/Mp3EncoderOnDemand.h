#pragma once
// The one check every command that writes MP3 makes before it starts: the
// encoder is looked for where every program and tool looks (the components
// folder, then the program's resources, LFindComponentFile), and when it
// does not load the user is offered its download (install on demand), the
// package libmp3lame0 being the other way.

#include "gui/framework/LView.h"

// True when the MP3 encoder loads, after an accepted download if it was
// missing; false (the user declined, or the download failed and said so)
// leaves the command to refuse MP3.
bool EnsureMp3EncoderInstalled(LViewHandle parent);

// Tests may make the encoder count as present (probe true); a probe that
// answers false, or null (the real state), leaves it to the real check.
void SetMp3EncoderProbeForTesting(bool (*probe)());
