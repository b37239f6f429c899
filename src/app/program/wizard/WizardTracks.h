#pragma once
// The track files the last pages of the recording wizard work on: the
// working copies in the "save" folder and their master copies in the
// recording folder beside the two sides. What a list row shows for a track,
// which entries of a folder are tracks, and the folder-wide steps (emptying
// the working copies, bringing them back from the masters).

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

inline constexpr const char* kSideOneFileName = "side1.wav";
inline constexpr const char* kSideTwoFileName = "side2.wav";

// The wizard's two folders: the masters (and the sides) and the working copies.
struct WizardTrackFolders
{
    std::string recording;
    std::string save;
};

// One row of a track list.
struct WizardTrackRow
{
    std::string name;
    int64_t durationMs = 0;
    std::string duration; // "h:mm:ss.cc"
    std::string modified; // "YYYY-MM-DD   hh:mm:ss", local time
};

// The tracks of a folder, sorted by name: regular files other than the two
// sides. Hidden entries are the unfinished files of writers that replace a
// file on completion, never tracks.
std::vector<std::string> ListTrackFiles(const std::string& folder);

// A length of frames at a rate in whole milliseconds, computed without
// overflow for any length; 0 when the rate is not positive.
int64_t TrackDurationMs(int64_t frames, int64_t rate);
// "YYYY-MM-DD   hh:mm:ss" of a time in local time; "" for 0.
std::string FormatTrackTime(time_t when);

// The rows for the tracks of a folder: a file that does not open as a WAV
// file still gets its row, with a duration of 0.
std::vector<WizardTrackRow> ReadTrackRows(const std::string& folder);

// Deletes every track file of the folder (subfolders and the sides stay).
// False when one could not be deleted.
bool EmptyTrackFolder(const std::string& folder);

// Brings back the working copies from the masters: the save folder is
// emptied and every track of the recording folder copied into it under its
// own name. False when a copy failed (what was copied stays).
bool RestoreWorkingCopies(const WizardTrackFolders& folders);

// "AutoSplitTime" held to the split page's range.
inline constexpr int kAutoSplitTimeMin = 1;
inline constexpr int kAutoSplitTimeMax = 20;
inline constexpr int kAutoSplitTimeDefault = 2;
int ClampAutoSplitTime(int64_t seconds);
// The stored split duration in range; writes it back as "%d".
int ReadAutoSplitTime();
void StoreAutoSplitTime(int64_t seconds);
