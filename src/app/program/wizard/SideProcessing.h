#pragma once
// Turning the recorded sides into tracks: for each side a dated copy is
// made, played back at its right speed (vinyl recorded at the wrong
// turntable speed), split at the silences into "<dated title>_SPLIT_nn.wav"
// in the Recording folder and deleted; then the tracks are copied into
// Recording/save for the later pages. "side1.wav" and "side2.wav" are never
// changed.
//
// The jobs take a process context and report 0 done, 1 cancelled, another
// value failed. The wizard's tasks (WizardTasks.h) run them in progress
// windows and tell the user what went wrong through the run's ui.

#include "app/program/wizard/WizardRun.h"

#include <string>

class LProcessContext;
class LWindow;

// Results of the jobs.
enum : int {
    kWizardJobDone = 0,
    kWizardJobCancelled = 1,
    kWizardJobFailed = 2,
};

// Recording/"side1 YYYY-MM-DD HH-MM-SS.wav" (or side2) at the local time now.
std::string MakeDatedSideName(const WizardFolders& folders, int side);

// The speed ratio a stored "RecordingSource"/"RecordingSpeed" asks for: 1
// (33 1/3 rpm played at 45) 100/135, 2 (78 played at 45) 78/45; 0 none.
double WizardSpeedRatio(int recordingSpeed);

// Plays the file at path back at its right speed and re-codes it in the
// user's WAV coding. Tapes ("RecordingSource"/"Vinyl" "0") are left as they
// are. The result is written beside the file and replaces it only when
// whole: a cancel or failure leaves the file as it was.
int ConvertSideToNormalSpeed(LProcessContext* context, const char* path);

// For each side that exists: the dated copy, converted to normal speed (the
// copies stay as the unsplit tracks). Failures are told through the run's ui.
int WizardConvertSidesToNormalSpeed(LProcessContext* context, WizardRun& run, LWindow* parent);

// For each side that exists: dated copy, speed conversion, silence search
// ("Settings"/"dBNoiseFloor", "AutoSplitTime") and split into track files;
// the dated copy is deleted after. A failure other than a cancel is told.
int WizardSplitSides(LProcessContext* context, WizardRun& run, LWindow* parent);

// Empties Recording/save and copies every track file of Recording into it.
int WizardSaveSplitFiles(LProcessContext* context, const WizardFolders& folders);
