#pragma once
// Short interface sounds (the recording windows' start and stop tones),
// played through the same output layer as everything else, without waiting
// and without reporting. A missing file plays nothing.

#include <cstdint>
#include <string>

// Plays "<folder>/<name>.wav" on the default output.
void PlayResourceSound(const char* name);
// Plays the sound named by the decimal text of n.
void PlayResourceTone(int32_t n);

// The folder of the sounds: "resources/wav" beside the program unless set.
void LSetResourceSoundFolder(const std::string& folder);
std::string LGetResourceSoundFolder();
// Sounds still playing (for tests and orderly shutdown).
int32_t LResourceSoundsPlaying();
