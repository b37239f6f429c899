#pragma once
// What happens to a recording once it is done (setting
// "OutputFormat"/"OutputFormatNum"): saved as WAV or MP3, and perhaps burnt.
// Odd actions make MP3 files, even ones WAV files; 2 and 3 burn a data disc,
// 4 an audio CD.

inline constexpr int kOutputActionCount = 5;
inline constexpr const char* const kOutputActionTexts[kOutputActionCount] = {
    "Save recording to computer in Wave format",
    "Save recording to computer in MP3 format",
    "Save recording in Wave format, burn to Data CD/DVD",
    "Save recording in MP3 format, burn to Data CD/DVD",
    "Save recording in Wave format, burn to Audio CD",
};

inline bool IsMp3OutputAction(int action)
{
    return action == 1 || action == 3;
}

// Actions whose files have format settings of their own (the audio CD is
// always CD audio).
inline bool OutputActionHasFormatSettings(int action)
{
    return action >= 0 && action <= 3;
}

// The stored action, 0 when absent or out of range.
int StoredOutputAction();
