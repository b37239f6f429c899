#pragma once
// The restoration chain: the user's choice of tools (settings section
// "AudioRestoration", and "RecordingSource" for the speed correction) run in
// a fixed order over a source handle, each tool wrapping the handle in its
// filters; and the step that restores every file of a list in place.
//
// Every tool returns 0 done, 1 stopped, 2 failed; on 0 the handle holds the
// processed chain.

#include "audio/core/LSoundSource.h"
#include "foundation/containers/LStringList.h"

#include <cstdint>

class LProcessContext;

inline constexpr const char* kRestorationSection = "AudioRestoration";
inline constexpr const char* kRecordingSourceSection = "RecordingSource";

// Speed corrections ("RecordingSource"/"RecordingSpeed").
enum : int32_t {
    kRecordingSpeedNormal = 0,
    kRecordingSpeed33At45 = 1, // a 33 1/3 rpm record played at 45 rpm
    kRecordingSpeed78At45 = 2, // a 78 rpm record played at 45 rpm
};

// Which tools run, and with what.
struct LRestorationTools
{
    bool dcOffset = false;
    bool highPass = false;
    int32_t highPassCutoff = 150; // Hz
    int32_t speed = kRecordingSpeedNormal;
    bool clickPop = false;
    bool noiseReduction = false;
    int32_t noiseFloor = -36; // dB
    bool riaa = false;
    bool normalize = false;
    int32_t normalizePercent = 80; // peak, percent of full scale
};

// Whether one "AudioRestoration" setting (DCOffset, HPF, ClickPop,
// NoiseReduce, Equalization, Normalization) is on: a value that starts with
// anything but '0'. A missing or empty value is off. The chain and the
// pre-checks of the jobs that run it all decide by this one rule.
bool IsRestorationToolOn(const char* name);
// Whether any of the six is on.
bool IsAnyRestorationToolOn();
// "RecordingSource"/"Vinyl": on unless it starts with '0' (missing or empty is on).
bool IsVinylRecording();
// The speed correction the settings ask for: RecordingSpeed when the source
// is vinyl, else none.
int32_t GetRecordingSpeedCorrection();
// All of the above as the chain's tools.
void LReadRestorationSettings(LRestorationTools& tools);

// The chain over the tools read from the settings.
int ApplyRestorationChain(LProcessContext* context, LSoundSourcePtr& source);
// The chain over the given tools, in its fixed order: DC offset, high-pass,
// speed correction, click and pop, noise reduction, RIAA, normalization.
// Stops at the first tool that does not return 0; the handle then holds
// what was built so far.
int ApplyRestorationTools(LProcessContext* context, LSoundSourcePtr& source, const LRestorationTools& tools);

int RunDcOffsetTool(LProcessContext* context, LSoundSourcePtr& source);
// A cutoff of 0 means 150 Hz.
int RunHighPassTool(LProcessContext* context, LSoundSourcePtr& source, int32_t cutoff);
int RunClickPopTool(LProcessContext* context, LSoundSourcePtr& source);
int RunNoiseReductionTool(LProcessContext* context, LSoundSourcePtr& source, int32_t floorDb);
// The RIAA playback curve, then +14 dB (less the 2.2 dB by which the
// equalizer's levels stand above its unity): 1 kHz passes at its own level.
int RunRiaaTool(LProcessContext* context, LSoundSourcePtr& source);
int RunNormalizeTool(LProcessContext* context, LSoundSourcePtr& source, int32_t peakPercent);

// Runs the tools over the WAV file at path and writes the result to
// destination (which may be path itself) in the chain's rate and channels,
// 16-bit PCM unless the user chose a WAV format. The destination appears
// only once whole: a failure leaves it as it was. 0 done, 1 stopped, 2 failed.
int RestoreFileTo(LProcessContext* context, const char* path, const char* destination,
                  const LRestorationTools& tools);

// Restores every named file of the "save" folder inside the Recording folder
// in place, in list order: each is opened, run through the chain and written
// to a new file beside it, which then replaces it by rename (a failure
// leaves the original as it was). Does nothing when no tool is on. Stops at
// the first file that cannot be opened, processed or written (2), or at a
// stop request (1); files already restored stay restored.
int RestoreSavedFiles(LProcessContext* context, const LStringList& fileNames);
