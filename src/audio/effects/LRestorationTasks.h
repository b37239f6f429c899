#pragma once
// The pieces of the recording workflow that the restoration chain leans on:
// the processing worker's status text, the folders recordings live in, and
// the two speed conversions for records played at 45 rpm.

#include "audio/core/LSoundSource.h"

#include <cstddef>
#include <mutex>

class LProcessContext;

// The processing worker's process-wide status: the text of the step it is
// running, read by the main window when a progress notification arrives.
class LWorkerStatusRecord
{
public:
    static constexpr size_t kTextSize = 260;

    // Copies text (at most 259 bytes, cut between UTF-8 characters).
    void SetStatusText(const char* text);
    // Copies the current text into dest (kTextSize bytes).
    void GetStatusText(char* dest) const;

private:
    mutable std::mutex lock_;
    char text_[kTextSize] = {};
};

LWorkerStatusRecord& WorkerStatus();

// The folder that holds the recordings shown in the main window: the setting
// "Settings"/"AppOutputFolder", by default "Quorin" in the user's music
// folder. False (dest empty) when it cannot be named.
bool GetAppOutputFolder(char* dest);

// The recording wizard's working folder, "Recording" in the user's cache
// folder ($XDG_CACHE_HOME/Quorin), created (private) when missing.
bool GetRecordingFolder(char* dest);

// Slows a 33 1/3 rpm record recorded at 45 rpm to its own speed. Returns 0.
int Convert45To33Rpm(LProcessContext* context, LSoundSourcePtr& source);
// Speeds a 78 rpm record recorded at 45 rpm up to its own speed. Returns 0.
int Convert78To45Rpm(LProcessContext* context, LSoundSourcePtr& source);
